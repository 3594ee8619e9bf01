#include "render/deepreference.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// A complex number in MPFR with the scratch its power needs.
struct BigComplex {
    explicit BigComplex(long bits) : x(bits), y(bits) {}
    BigFloat x, y;
};

class Power {
  public:
    explicit Power(long bits) : rx_(bits), ry_(bits), xt_(bits), yt_(bits), t_(bits), u_(bits) {}

    // z <- z^e + c, the exponent by squaring from its low bits as complex_power
    // takes it.
    void step(BigComplex& z, int e, const BigComplex& c) {
        if (e == 2) {
            squareplus(z, c);
            return;
        }
        mpfr_set(xt_.get(), z.x.get(), MPFR_RNDN);
        mpfr_set(yt_.get(), z.y.get(), MPFR_RNDN);
        bool have = (e & 1) != 0;
        if (have) {
            mpfr_set(rx_.get(), z.x.get(), MPFR_RNDN);
            mpfr_set(ry_.get(), z.y.get(), MPFR_RNDN);
        }
        for (e >>= 1; e != 0; e >>= 1) {
            square(xt_, yt_);
            if (e & 1) {
                if (have) {
                    multiply(rx_, ry_, xt_, yt_);
                } else {
                    mpfr_set(rx_.get(), xt_.get(), MPFR_RNDN);
                    mpfr_set(ry_.get(), yt_.get(), MPFR_RNDN);
                    have = true;
                }
            }
        }
        mpfr_add(z.x.get(), rx_.get(), c.x.get(), MPFR_RNDN);
        mpfr_add(z.y.get(), ry_.get(), c.y.get(), MPFR_RNDN);
    }

  private:
    // z <- z^2 + c in place with two multiplications: x^2 - y^2 as (x + y)(x - y),
    // which also keeps its relative precision where the two squares cancel.
    void squareplus(BigComplex& z, const BigComplex& c) {
        mpfr_mul(t_.get(), z.x.get(), z.y.get(), MPFR_RNDN);
        mpfr_add(u_.get(), z.x.get(), z.y.get(), MPFR_RNDN);
        mpfr_sub(z.x.get(), z.x.get(), z.y.get(), MPFR_RNDN);
        mpfr_mul(z.x.get(), z.x.get(), u_.get(), MPFR_RNDN);
        mpfr_add(z.x.get(), z.x.get(), c.x.get(), MPFR_RNDN);
        mpfr_mul_2ui(z.y.get(), t_.get(), 1, MPFR_RNDN);
        mpfr_add(z.y.get(), z.y.get(), c.y.get(), MPFR_RNDN);
    }
    void square(BigFloat& a, BigFloat& b) {
        mpfr_sqr(t_.get(), a.get(), MPFR_RNDN);
        mpfr_sqr(u_.get(), b.get(), MPFR_RNDN);
        mpfr_mul(b.get(), a.get(), b.get(), MPFR_RNDN);
        mpfr_mul_2ui(b.get(), b.get(), 1, MPFR_RNDN);
        mpfr_sub(a.get(), t_.get(), u_.get(), MPFR_RNDN);
    }
    // (a + bi) <- (a + bi)(p + qi)
    void multiply(BigFloat& a, BigFloat& b, const BigFloat& p, const BigFloat& q) {
        mpfr_mul(t_.get(), a.get(), p.get(), MPFR_RNDN);
        mpfr_mul(u_.get(), b.get(), q.get(), MPFR_RNDN);
        mpfr_sub(t_.get(), t_.get(), u_.get(), MPFR_RNDN);
        mpfr_mul(u_.get(), a.get(), q.get(), MPFR_RNDN);
        mpfr_mul(b.get(), b.get(), p.get(), MPFR_RNDN);
        mpfr_add(b.get(), b.get(), u_.get(), MPFR_RNDN);
        mpfr_swap(a.get(), t_.get());
    }

    BigFloat rx_, ry_, xt_, yt_, t_, u_;
};

// The orbit of z under z^e + c, stored in doubles from z_0 until it passes `bound`
// (that step included) or makes maxiter steps; at least one step. Its steps go
// into `progress`, the ones it did not need to make as well.
bool orbit(BigComplex z, const BigComplex& c, int e, int maxiter, double bound,
           std::stop_token stop, DeepProgress* progress, std::vector<COMPLEX>& out) {
    Power power(z.x.bits());
    out.clear();
    out.push_back({z.x.todouble(), z.y.todouble()});
    int counted = 0;
    for (int n = 0; n < maxiter; ++n) {
        if ((n & 1023) == 0) {
            if (stop.stop_requested()) return false;
            if (progress) progress->done += n - counted;
            counted = n;
        }
        power.step(z, e, c);
        const COMPLEX v{z.x.todouble(), z.y.todouble()};
        out.push_back(v);
        if (!(std::sqrt(v.x * v.x + v.y * v.y) <= bound)) break;
    }
    if (progress) progress->done += maxiter - counted;
    return true;
}

}  // namespace

ReferencePoint referencepoint(const DeepView& v, int xres) {
    const long bits = (deepbits(v, xres) + 32 + 63) / 64 * 64;
    ReferencePoint p{BigFloat(bits), BigFloat(bits), bits};
    mpfr_set(p.re.get(), v.re.get(), MPFR_RNDN);
    mpfr_set(p.im.get(), v.im.get(), MPFR_RNDN);
    return p;
}

bool reaches(const ReferencePoint& p, const DeepView& v, int xres, int yres) {
    if (p.bits < deepbits(v, xres)) return false;
    BigFloat apart(64), reach(64);
    mpfr_sub(apart.get(), p.re.get(), v.re.get(), MPFR_RNDN);
    if (mpfr_cmpabs(apart.get(), v.width.get()) > 0) return false;
    mpfr_sub(apart.get(), p.im.get(), v.im.get(), MPFR_RNDN);
    mpfr_mul_ui(reach.get(), v.width.get(), static_cast<unsigned long>(std::max(yres - 1, 1)),
                MPFR_RNDN);
    mpfr_div_ui(reach.get(), reach.get(), static_cast<unsigned long>(std::max(xres - 1, 1)),
                MPFR_RNDN);
    return mpfr_cmpabs(apart.get(), reach.get()) <= 0;
}

namespace {

// True when the orbits of `r` are of the map and limits of `f`.
bool samemap(const DeepReference& r, const Frame& f) {
    const bool julia = f.ftype != settype::mandelbrot;
    return r.ftype == f.ftype && r.exponent == std::clamp(f.exponent, 2, 17) &&
           r.maxiter == f.maxiter && r.maxsize == f.maxsize &&
           (!julia || (r.jcx == f.jcx && r.jcy == f.jcy));
}

// A Julia image's second orbit, that of 0 under c, is the same whatever the view:
// an earlier reference's is taken over where it was computed at the same bits, as
// the image's own would be.
bool sharessecond(const DeepReference* earlier, const ReferencePoint& p, const Frame& f) {
    return earlier && f.ftype != settype::mandelbrot && samemap(*earlier, f) &&
           earlier->at.bits == p.bits;
}

}  // namespace

long long referencesteps(const ReferencePoint& p, const Frame& f, const DeepReference* earlier) {
    const int orbits = f.ftype == settype::mandelbrot || sharessecond(earlier, p, f) ? 1 : 2;
    return static_cast<long long>(f.maxiter) * orbits;
}

std::shared_ptr<const DeepReference> makereference(const ReferencePoint& p, const Frame& f,
                                                   const DeepReference* earlier,
                                                   std::stop_token stop, DeepProgress* progress) {
    auto r = std::make_shared<DeepReference>();
    r->at = p;
    r->ftype = f.ftype;
    r->exponent = std::clamp(f.exponent, 2, 17);
    r->maxiter = f.maxiter;
    r->maxsize = f.maxsize;
    if (f.ftype != settype::mandelbrot) {
        r->jcx = f.jcx;
        r->jcy = f.jcy;
    }
    // The reference ends where the pixels near it escape; any end serves, since a
    // pixel whose reference has ended rebases.
    const double bound = std::max(f.maxsize, 4.0);
    BigComplex point(p.bits), zero(p.bits);
    mpfr_set(point.x.get(), p.re.get(), MPFR_RNDN);
    mpfr_set(point.y.get(), p.im.get(), MPFR_RNDN);
    const int e = r->exponent;
    if (f.ftype == settype::mandelbrot) {
        if (!orbit(zero, point, e, f.maxiter, bound, stop, progress, r->first)) return nullptr;
        r->second = r->first;
    } else {
        BigComplex c(p.bits);
        mpfr_set_d(c.x.get(), f.jcx, MPFR_RNDN);
        mpfr_set_d(c.y.get(), f.jcy, MPFR_RNDN);
        if (!orbit(point, c, e, f.maxiter, bound, stop, progress, r->first)) return nullptr;
        if (sharessecond(earlier, p, f))
            r->second = earlier->second;
        else if (!orbit(zero, c, e, f.maxiter, bound, stop, progress, r->second))
            return nullptr;
    }
    return r;
}

bool serves(const DeepReference& r, const DeepView& v, const Frame& f) {
    return samemap(r, f) && reaches(r.at, v, f.xres, f.yres);
}

}  // namespace vantrel
