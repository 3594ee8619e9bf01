#pragma once

// Direct evaluation of z^e + c in MPFR, pixel by pixel, for checking deep images:
// written apart from the engine on purpose (its own grid, power and escape test).

#include <mpfr.h>

#include <cmath>
#include <functional>

namespace vantrel::oracle {

// A complex number in MPFR with plain arithmetic; enough for short test programs.
struct Big {
    mpfr_t x, y;
    explicit Big(long bits) {
        mpfr_inits2(bits, x, y, static_cast<mpfr_ptr>(nullptr));
        mpfr_set_zero(x, 1);
        mpfr_set_zero(y, 1);
    }
    Big(const Big& o) : Big(static_cast<long>(mpfr_get_prec(o.x))) { *this = o; }
    Big& operator=(const Big& o) {
        mpfr_set(x, o.x, MPFR_RNDN);
        mpfr_set(y, o.y, MPFR_RNDN);
        return *this;
    }
    ~Big() { mpfr_clears(x, y, static_cast<mpfr_ptr>(nullptr)); }
    long bits() const { return static_cast<long>(mpfr_get_prec(x)); }
};

// r = a * b (r may be a or b).
inline void mul(Big& r, const Big& a, const Big& b) {
    Big t(r.bits());
    mpfr_t u;
    mpfr_init2(u, r.bits());
    mpfr_mul(t.x, a.x, b.x, MPFR_RNDN);
    mpfr_mul(u, a.y, b.y, MPFR_RNDN);
    mpfr_sub(t.x, t.x, u, MPFR_RNDN);
    mpfr_mul(t.y, a.x, b.y, MPFR_RNDN);
    mpfr_mul(u, a.y, b.x, MPFR_RNDN);
    mpfr_add(t.y, t.y, u, MPFR_RNDN);
    mpfr_clear(u);
    r = t;
}

inline void add(Big& r, const Big& a, const Big& b) {
    mpfr_add(r.x, a.x, b.x, MPFR_RNDN);
    mpfr_add(r.y, a.y, b.y, MPFR_RNDN);
}

// r = a^e by e - 1 multiplications.
inline void power(Big& r, const Big& a, int e) {
    Big t = a;
    for (int k = 1; k < e; ++k) mul(t, t, a);
    r = t;
}

// The point of sample (a, b) of n x n of pixel (i, row r) of the view with centre
// (re, im) and width w: x = xmin + (i + (2a + 1) / (2n) - 1/2) w / (xres - 1),
// y = ymin + (yres - 1 - r - (2b + 1) / (2n) + 1/2) w / (xres - 1); one sample is
// the pixel's own point, x = xmin + i w / (xres - 1), y = ymin + (yres - 1 - r) w /
// (xres - 1).
inline Big pixelpoint(mpfr_srcptr re, mpfr_srcptr im, mpfr_srcptr w, int xres, int yres, int i,
                      int r, long bits, int a = 0, int b = 0, int n = 1) {
    Big p(bits), half(bits), at(bits);
    mpfr_div_2ui(half.x, w, 1, MPFR_RNDN);
    mpfr_mul_ui(half.y, w, yres - 1, MPFR_RNDN);
    mpfr_div_ui(half.y, half.y, 2 * (xres - 1), MPFR_RNDN);
    // The sample's column and row, fractions of a pixel included.
    mpfr_set_ui(at.x, 2 * a + 1, MPFR_RNDN);
    mpfr_div_ui(at.x, at.x, 2 * n, MPFR_RNDN);
    mpfr_add_si(at.x, at.x, i, MPFR_RNDN);
    mpfr_sub_d(at.x, at.x, 0.5, MPFR_RNDN);
    mpfr_set_ui(at.y, 2 * b + 1, MPFR_RNDN);
    mpfr_div_ui(at.y, at.y, 2 * n, MPFR_RNDN);
    mpfr_si_sub(at.y, yres - 1 - r, at.y, MPFR_RNDN);
    mpfr_add_d(at.y, at.y, 0.5, MPFR_RNDN);
    mpfr_mul(p.x, w, at.x, MPFR_RNDN);
    mpfr_div_ui(p.x, p.x, xres - 1, MPFR_RNDN);
    mpfr_add(p.x, p.x, re, MPFR_RNDN);
    mpfr_sub(p.x, p.x, half.x, MPFR_RNDN);
    mpfr_mul(p.y, w, at.y, MPFR_RNDN);
    mpfr_div_ui(p.y, p.y, xres - 1, MPFR_RNDN);
    mpfr_add(p.y, p.y, im, MPFR_RNDN);
    mpfr_sub(p.y, p.y, half.y, MPFR_RNDN);
    return p;
}

// One pixel's orbit: the step at which |z| first exceeds maxsize (maxiter if it
// never does), and whether some |z_n| came within a relative 1e-9 of maxsize,
// where the escape step is not settled by the precision at all.
struct Escape {
    int n = 0;
    bool escaped = false;
    bool nearbound = false;
};
inline Escape escape(const Big& z0, const Big& c, int e, int maxiter, double maxsize) {
    const long bits = z0.bits();
    Big z = z0, p(bits);
    mpfr_t t, u;
    mpfr_inits2(bits, t, u, static_cast<mpfr_ptr>(nullptr));
    Escape r;
    while (r.n < maxiter) {
        // p = z^e by e - 1 multiplications, then z = p + c.
        mpfr_set(p.x, z.x, MPFR_RNDN);
        mpfr_set(p.y, z.y, MPFR_RNDN);
        for (int k = 1; k < e; ++k) {
            mpfr_mul(t, p.x, z.x, MPFR_RNDN);
            mpfr_mul(u, p.y, z.y, MPFR_RNDN);
            mpfr_sub(t, t, u, MPFR_RNDN);
            mpfr_mul(u, p.x, z.y, MPFR_RNDN);
            mpfr_mul(p.y, p.y, z.x, MPFR_RNDN);
            mpfr_add(p.y, p.y, u, MPFR_RNDN);
            mpfr_swap(p.x, t);
        }
        add(z, p, c);
        ++r.n;
        const double zx = mpfr_get_d(z.x, MPFR_RNDN), zy = mpfr_get_d(z.y, MPFR_RNDN);
        const double size = std::sqrt(zx * zx + zy * zy);
        if (std::fabs(size - maxsize) < 1e-9 * maxsize) r.nearbound = true;
        if (!(size <= maxsize)) {
            r.escaped = true;
            break;
        }
    }
    mpfr_clears(t, u, static_cast<mpfr_ptr>(nullptr));
    return r;
}

// Newton's method for a root of f near `z`, f and its derivative given by `eval`
// (value into v, derivative into d); returns whether it settled.
inline bool newton(Big& z, const std::function<void(const Big&, Big&, Big&)>& eval) {
    const long bits = z.bits();
    Big v(bits), d(bits), q(bits);
    mpfr_t den, t;
    mpfr_inits2(bits, den, t, static_cast<mpfr_ptr>(nullptr));
    bool settled = false;
    for (int k = 0; k < 200 && !settled; ++k) {
        eval(z, v, d);
        // q = v / d = v * conj(d) / |d|^2
        mpfr_sqr(den, d.x, MPFR_RNDN);
        mpfr_sqr(t, d.y, MPFR_RNDN);
        mpfr_add(den, den, t, MPFR_RNDN);
        mpfr_neg(d.y, d.y, MPFR_RNDN);
        mul(q, v, d);
        mpfr_div(q.x, q.x, den, MPFR_RNDN);
        mpfr_div(q.y, q.y, den, MPFR_RNDN);
        mpfr_sub(z.x, z.x, q.x, MPFR_RNDN);
        mpfr_sub(z.y, z.y, q.y, MPFR_RNDN);
        // Settled once a step moves z by less than 2^-(bits - 8) of its size.
        const long limit = -(bits - 8);
        settled = (mpfr_zero_p(q.x) || mpfr_get_exp(q.x) < limit) &&
                  (mpfr_zero_p(q.y) || mpfr_get_exp(q.y) < limit);
    }
    mpfr_clears(den, t, static_cast<mpfr_ptr>(nullptr));
    return settled;
}

}  // namespace vantrel::oracle
