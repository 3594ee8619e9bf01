#include "ui/deepviews.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

// The pixel grid of the current view: its centre and the plane distance from one
// column (dx) and one row (dy) to the next, at enough bits for a view a pixel wide.
struct Grid {
    long bits;
    BigFloat re, im, dx, dy;
    explicit Grid(long b) : bits(b), re(b), im(b), dx(b), dy(b) {}
};

Grid grid(const State& s) {
    if (deepactive(s)) {
        const DeepView& v = s.deep;
        Grid g(std::max({v.re.bits(), v.im.bits(), 192L}) + 64);
        mpfr_set(g.re.get(), v.re.get(), MPFR_RNDN);
        mpfr_set(g.im.get(), v.im.get(), MPFR_RNDN);
        mpfr_div_ui(g.dx.get(), v.width.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
        mpfr_set(g.dy.get(), g.dx.get(), MPFR_RNDN);
        return g;
    }
    // Sums of two doubles are exact in 2200 bits whatever their exponents; 256 keep
    // every view whose pixels doubles still tell apart.
    Grid g(256);
    BigFloat lo(s.xmin, 64), hi(s.xmax, 64);
    mpfr_add(g.re.get(), lo.get(), hi.get(), MPFR_RNDN);
    mpfr_div_2ui(g.re.get(), g.re.get(), 1, MPFR_RNDN);
    mpfr_sub(g.dx.get(), hi.get(), lo.get(), MPFR_RNDN);
    mpfr_div_ui(g.dx.get(), g.dx.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    lo = BigFloat(s.ymin, 64);
    hi = BigFloat(s.ymax, 64);
    mpfr_add(g.im.get(), lo.get(), hi.get(), MPFR_RNDN);
    mpfr_div_2ui(g.im.get(), g.im.get(), 1, MPFR_RNDN);
    mpfr_sub(g.dy.get(), hi.get(), lo.get(), MPFR_RNDN);
    mpfr_div_ui(g.dy.get(), g.dy.get(), static_cast<unsigned long>(s.yres - 1), MPFR_RNDN);
    return g;
}

// The plane point of pixel (i, r): the centre moved by the pixel's distance, in
// half pixels, from the middle of the image.
void point(const State& s, const Grid& g, double i, double r, BigFloat* x, BigFloat* y) {
    BigFloat t(g.bits);
    mpfr_mul_d(t.get(), g.dx.get(), i - (s.xres - 1) / 2.0, MPFR_RNDN);
    mpfr_add(x->get(), g.re.get(), t.get(), MPFR_RNDN);
    mpfr_mul_d(t.get(), g.dy.get(), (s.yres - 1) / 2.0 - r, MPFR_RNDN);
    mpfr_add(y->get(), g.im.get(), t.get(), MPFR_RNDN);
}

DeepView centred(BigFloat re, BigFloat im, BigFloat width) {
    DeepView v;
    v.re = std::move(re);
    v.im = std::move(im);
    v.width = std::move(width);
    return v;
}

}  // namespace

DeepView viewasdeep(const State& s) {
    const Grid g = grid(s);
    BigFloat w(g.bits);
    mpfr_mul_ui(w.get(), g.dx.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    return centred(g.re, g.im, std::move(w));
}

DeepView boxview(const State& s, const Rect& box) {
    const Grid g = grid(s);
    BigFloat re(g.bits), im(g.bits), w(g.bits), h(g.bits);
    point(s, g, (box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0, &re, &im);
    // A box not of the image's shape grows to it around its centre.
    mpfr_mul_ui(w.get(), g.dx.get(), static_cast<unsigned long>(box.right - box.left), MPFR_RNDN);
    mpfr_mul_ui(h.get(), g.dy.get(), static_cast<unsigned long>(box.bottom - box.top), MPFR_RNDN);
    mpfr_mul_ui(h.get(), h.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    mpfr_div_ui(h.get(), h.get(), static_cast<unsigned long>(s.yres - 1), MPFR_RNDN);
    mpfr_max(w.get(), w.get(), h.get(), MPFR_RNDN);
    return centred(std::move(re), std::move(im), std::move(w));
}

DeepView deepwheelview(const State& s, int i, int r, double f) {
    const Grid g = grid(s);
    BigFloat px(g.bits), py(g.bits), re(g.bits), im(g.bits), w(g.bits);
    point(s, g, i, r, &px, &py);
    // The point under the pointer stays: the centre moves towards it by f.
    mpfr_sub(re.get(), g.re.get(), px.get(), MPFR_RNDN);
    mpfr_mul_d(re.get(), re.get(), f, MPFR_RNDN);
    mpfr_add(re.get(), re.get(), px.get(), MPFR_RNDN);
    mpfr_sub(im.get(), g.im.get(), py.get(), MPFR_RNDN);
    mpfr_mul_d(im.get(), im.get(), f, MPFR_RNDN);
    mpfr_add(im.get(), im.get(), py.get(), MPFR_RNDN);
    mpfr_mul_ui(w.get(), g.dx.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    mpfr_mul_d(w.get(), w.get(), f, MPFR_RNDN);
    return centred(std::move(re), std::move(im), std::move(w));
}

DeepView deeppanview(const State& s, int dx, int dy) {
    const Grid g = grid(s);
    BigFloat re(g.bits), im(g.bits), w(g.bits);
    // The picture follows the pointer: the centre is the point that comes to the middle.
    point(s, g, (s.xres - 1) / 2.0 - dx, (s.yres - 1) / 2.0 - dy, &re, &im);
    mpfr_mul_ui(w.get(), g.dx.get(), static_cast<unsigned long>(s.xres - 1), MPFR_RNDN);
    return centred(std::move(re), std::move(im), std::move(w));
}

bool moveto(App& app, const View& doubles, const std::function<DeepView()>& deep) {
    State& s = app.s;
    if (!deepactive(s)) {
        const long bits = 256;
        BigFloat re(bits), im(bits), w(bits), lo(doubles.xmin, 64), hi(doubles.xmax, 64);
        mpfr_add(re.get(), lo.get(), hi.get(), MPFR_RNDN);
        mpfr_div_2ui(re.get(), re.get(), 1, MPFR_RNDN);
        mpfr_sub(w.get(), hi.get(), lo.get(), MPFR_RNDN);
        mpfr_set_d(im.get(), doubles.ymin / 2 + doubles.ymax / 2, MPFR_RNDN);
        if (doubles.xmin < doubles.xmax && !needsdeep(re, im, w, s.xres)) {
            s.xmin = doubles.xmin;
            s.xmax = doubles.xmax;
            s.ymin = doubles.ymin;
            s.ymax = doubles.ymax;
            storecurrentview(s);
            return true;
        }
    }
    DeepView v = deep();
    roundview(&v);
    if (const char* why = placeview(s, std::move(v))) {
        app.host.messagebox(why, "Deep view", Icon::information, false);
        return false;
    }
    return true;
}

void pointdoubles(const State& s, int x, int y, double* re, double* im) {
    const Grid g = grid(s);
    BigFloat px(g.bits), py(g.bits);
    point(s, g, x, y, &px, &py);
    *re = px.todouble();
    *im = py.todouble();
}

int pointdecimals(const State& s) {
    const double spacing = (s.xmax - s.xmin) / (s.xres - 1);
    if (!(spacing > 0)) return 6;
    return std::clamp(static_cast<int>(std::ceil(-std::log10(spacing))) + 1, 6, 17);
}

std::string pointtext(const State& s, int x, int y, const char* xname, const char* yname) {
    const Grid g = grid(s);
    BigFloat px(g.bits), py(g.bits);
    point(s, g, x, y, &px, &py);
    // Decimals down to about a tenth of the pixel spacing, and never fewer than six.
    const int decimals = std::max(6L, static_cast<long>(-mpfr_get_exp(g.dx.get()) * 0.30103) + 2);
    char* text = nullptr;
    mpfr_asprintf(&text, "      %s:  %.*Rf      %s:  %.*Rf", xname, decimals, px.get(), yname,
                  decimals, py.get());
    std::string out = text;
    mpfr_free_str(text);
    return out;
}

}  // namespace vantrel
