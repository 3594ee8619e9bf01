#include "state/deepview.h"

#include <algorithm>

namespace vantrel {

namespace {

long widest(const BigFloat& a, const BigFloat& b, const BigFloat& c) {
    return std::max({a.bits(), b.bits(), c.bits()}) + 64;
}

}  // namespace

bool needsdeep(const BigFloat& re, const BigFloat& im, const BigFloat& width, int xres) {
    const long bits = widest(re, im, width);
    BigFloat spacing(bits), magnitude(bits), t(bits);
    mpfr_div_ui(spacing.get(), width.get(), static_cast<unsigned long>(std::max(xres - 1, 1)),
                MPFR_RNDN);
    mpfr_abs(magnitude.get(), re.get(), MPFR_RNDN);
    mpfr_abs(t.get(), im.get(), MPFR_RNDN);
    mpfr_max(magnitude.get(), magnitude.get(), t.get(), MPFR_RNDN);
    mpfr_mul_2si(magnitude.get(), magnitude.get(), -40, MPFR_RNDN);
    if (mpfr_less_p(spacing.get(), magnitude.get())) return true;
    return mpfr_cmp_d(spacing.get(), 1e-290) < 0;
}

namespace {

// Bits of the centre for a view of this width: see roundview.
long centrebits(const BigFloat& re, const BigFloat& im, const BigFloat& width) {
    long top = 1;
    for (const BigFloat* c : {&re, &im})
        if (!mpfr_zero_p(c->get())) top = std::max<long>(top, mpfr_get_exp(c->get()));
    const long below = mpfr_zero_p(width.get()) ? 0 : -mpfr_get_exp(width.get());
    const long needed = std::max(0L, top + below) + 64;
    return (needed + 63) / 64 * 64;
}

// The number of a text parsebig has taken, rounded toward zero.
void towardzero(const std::string& text, BigFloat* v) {
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    mpfr_set_str(v->get(), text.substr(first, last - first + 1).c_str(), 10, MPFR_RNDZ);
}

}  // namespace

void roundview(DeepView* v) {
    v->width.setbits(64);
    const long bits = centrebits(v->re, v->im, v->width);
    v->re.setbits(bits);
    v->im.setbits(bits);
}

bool readview(const std::string& re, const std::string& im, const std::string& width, DeepView* v) {
    // The width first, then the centre's magnitude read toward zero (so that no
    // rounding can lift it past a power of two), then the centre at its bits.
    BigFloat w(64), r(64), i(64);
    if (!parsebig(width, &w, 64) || mpfr_sgn(w.get()) <= 0) return false;
    if (!parsebig(re, &r, 64) || !parsebig(im, &i, 64)) return false;
    towardzero(re, &r);
    towardzero(im, &i);
    const long bits = centrebits(r, i, w);
    if (!parsebig(re, &r, bits) || !parsebig(im, &i, bits)) return false;
    v->re = std::move(r);
    v->im = std::move(i);
    v->width = std::move(w);
    return true;
}

long deepbits(const DeepView& v, int xres) {
    BigFloat spacing(64);
    mpfr_div_ui(spacing.get(), v.width.get(), static_cast<unsigned long>(std::max(xres - 1, 1)),
                MPFR_RNDN);
    long top = 1;  // the exponent of max(1, |re|, |im|)
    if (!mpfr_zero_p(v.re.get())) top = std::max<long>(top, mpfr_get_exp(v.re.get()));
    if (!mpfr_zero_p(v.im.get())) top = std::max<long>(top, mpfr_get_exp(v.im.get()));
    const long below = mpfr_zero_p(spacing.get()) ? 0 : -mpfr_get_exp(spacing.get());
    return std::max(64L, top + below + 48);
}

DoubleView doubleview(const BigFloat& re, const BigFloat& im, const BigFloat& width, int xres,
                      int yres) {
    const long bits = widest(re, im, width);
    BigFloat half(bits), height(bits), t(bits);
    mpfr_div_2ui(half.get(), width.get(), 1, MPFR_RNDN);
    mpfr_mul_ui(height.get(), width.get(), static_cast<unsigned long>(yres - 1), MPFR_RNDN);
    mpfr_div_ui(height.get(), height.get(), static_cast<unsigned long>(xres - 1), MPFR_RNDN);
    mpfr_div_2ui(height.get(), height.get(), 1, MPFR_RNDN);
    DoubleView d;
    mpfr_sub(t.get(), re.get(), half.get(), MPFR_RNDN);
    d.xmin = t.todouble();
    mpfr_add(t.get(), re.get(), half.get(), MPFR_RNDN);
    d.xmax = t.todouble();
    mpfr_sub(t.get(), im.get(), height.get(), MPFR_RNDN);
    d.ymin = t.todouble();
    mpfr_add(t.get(), im.get(), height.get(), MPFR_RNDN);
    d.ymax = t.todouble();
    return d;
}

void columnoffset(const DeepView& v, int xres, int i, int a, int n, BigFloat* dx) {
    // (i + (2a + 1) / (2n) - 1/2) * width / (xres - 1) - width / 2, over the common
    // denominator: (2n i + 2a + 1 - n - n (xres - 1)) * width / (2n (xres - 1)).
    const long k = 2L * n * i + 2L * a + 1 - n - static_cast<long>(n) * (xres - 1);
    mpfr_mul_si(dx->get(), v.width.get(), k, MPFR_RNDN);
    mpfr_div_ui(dx->get(), dx->get(), 2UL * n * static_cast<unsigned long>(xres - 1), MPFR_RNDN);
}

void rowoffset(const DeepView& v, int xres, int yres, int r, int b, int n, BigFloat* dy) {
    // (yres - 1 - r - (2b + 1) / (2n) + 1/2) * width / (xres - 1) - height / 2, with
    // height / 2 being (yres - 1) * width / (2 (xres - 1)), over the common
    // denominator 2n (xres - 1).
    const long k = 2L * n * (yres - 1 - r) - 2L * b - 1 + n - static_cast<long>(n) * (yres - 1);
    mpfr_mul_si(dy->get(), v.width.get(), k, MPFR_RNDN);
    mpfr_div_ui(dy->get(), dy->get(), 2UL * n * static_cast<unsigned long>(xres - 1), MPFR_RNDN);
}

}  // namespace vantrel
