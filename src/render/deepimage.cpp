#include "render/deepimage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "render/parallel.h"
#include "render/perturb.h"

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
// (that step included) or makes maxiter steps; at least one step.
bool orbit(BigComplex z, const BigComplex& c, int e, int maxiter, double bound,
           std::stop_token stop, std::vector<COMPLEX>& out) {
    Power power(z.x.bits());
    out.clear();
    out.push_back({z.x.todouble(), z.y.todouble()});
    for (int n = 0; n < maxiter; ++n) {
        if ((n & 1023) == 0 && stop.stop_requested()) return false;
        power.step(z, e, c);
        const COMPLEX v{z.x.todouble(), z.y.todouble()};
        out.push_back(v);
        if (!(std::sqrt(v.x * v.x + v.y * v.y) <= bound)) break;
    }
    return true;
}

// The distance estimator's range over the image: the largest estimate of an
// escaping pixel and the most negative of one that stays, as the range pass of a
// view in doubles finds them.
void distancerange(const Frame& f, int helpers, DeepImage& image) {
    std::vector<double> out(static_cast<std::size_t>(f.yres), 0.0), in(out);
    parallelrows(f.yres, helpers, [&](int r) {
        for (int i = 0; i < f.xres; ++i) {
            const Orbit o = perturbpixel(f, i, r);
            const double modz = std::sqrt(o.z.x * o.z.x + o.z.y * o.z.y);
            const bool escaped = !(o.size <= f.maxsize);
            if (escaped && o.dover) continue;
            const double dist = 2.0 * modz * std::log(modz) / std::sqrt(o.dx * o.dx + o.dy * o.dy);
            if (!std::isfinite(dist)) continue;
            if (escaped)
                out[r] = std::max(out[r], dist);
            else
                in[r] = std::min(in[r], dist);
        }
    });
    image.distmaxout = *std::max_element(out.begin(), out.end());
    image.distmaxin = *std::min_element(in.begin(), in.end());
}

// Bilinear approximations unless VANTREL_BLA=0 asks for plain perturbation (to
// compare against).
bool approximations() {
    const char* v = std::getenv("VANTREL_BLA");
    return !(v && std::string(v) == "0");
}

// The reference orbits, offsets and derivative limit of the image of `f`.
std::shared_ptr<DeepImage> references(const DeepView& v, const Frame& f, std::stop_token stop) {
    auto image = std::make_shared<DeepImage>();
    const long bits = deepbits(v, f.xres);
    const int e = std::clamp(f.exponent, 2, 17);
    // The reference ends where the pixels near it escape; any end serves, since a
    // pixel whose reference has ended rebases.
    const double bound = std::max(f.maxsize, 4.0);
    BigComplex centre(bits);
    mpfr_set(centre.x.get(), v.re.get(), MPFR_RNDN);
    mpfr_set(centre.y.get(), v.im.get(), MPFR_RNDN);
    BigComplex zero(bits);
    if (f.ftype == settype::mandelbrot) {
        if (!orbit(zero, centre, e, f.maxiter, bound, stop, image->first)) return nullptr;
        image->second = image->first;
    } else {
        BigComplex c(bits);
        mpfr_set_d(c.x.get(), f.jcx, MPFR_RNDN);
        mpfr_set_d(c.y.get(), f.jcy, MPFR_RNDN);
        if (!orbit(centre, c, e, f.maxiter, bound, stop, image->first)) return nullptr;
        if (!orbit(zero, c, e, f.maxiter, bound, stop, image->second)) return nullptr;
    }
    BigFloat offset(bits), point(bits);
    mpfr_div_ui(offset.get(), v.width.get(), static_cast<unsigned long>(std::max(f.xres - 1, 1)),
                MPFR_RNDN);
    if (mpfr_cmp_d(offset.get(), 0x1p-1000) < 0) image->scale = -mpfr_get_exp(offset.get());
    for (int a = 0; a < f.aa; ++a)
        for (int i = 0; i < f.xres; ++i) {
            columnoffset(v, f.xres, i, a, f.aa, &offset);
            mpfr_add(point.get(), v.re.get(), offset.get(), MPFR_RNDN);
            mpfr_mul_2si(offset.get(), offset.get(), image->scale, MPFR_RNDN);
            image->dx.push_back(offset.todouble());
            image->x.push_back(point.todouble());
        }
    for (int b = 0; b < f.aa; ++b)
        for (int r = 0; r < f.yres; ++r) {
            rowoffset(v, f.xres, f.yres, r, b, f.aa, &offset);
            mpfr_add(point.get(), v.im.get(), offset.get(), MPFR_RNDN);
            mpfr_mul_2si(offset.get(), offset.get(), image->scale, MPFR_RNDN);
            image->dy.push_back(offset.todouble());
            image->y.push_back(point.todouble());
        }
    if (approximations()) {
        FloatExp dcmax;
        if (f.ftype == settype::mandelbrot) {
            const auto largest = [](const std::vector<double>& v) {
                double most = 0;
                for (const double t : v) most = std::max(most, std::fabs(t));
                return most;
            };
            dcmax = FloatExp::of(std::hypot(largest(image->dx), largest(image->dy)), -image->scale);
        }
        image->firsttable = BlaTable(image->first, e, dcmax, f.maxsize);
        image->sharedtable = f.ftype == settype::mandelbrot;
        if (!image->sharedtable) image->secondtable = BlaTable(image->second, e, dcmax, f.maxsize);
    }
    // The home view is about 3 wide.
    image->derivativelimit = State::overflow * 3.0 / mpfr_get_d(v.width.get(), MPFR_RNDN);
    return image;
}

}  // namespace

std::shared_ptr<const DeepImage> makedeepimage(const DeepView& v, const Frame& f, int helpers,
                                               std::stop_token stop) {
    std::shared_ptr<DeepImage> image = references(v, f, stop);
    if (!image) return nullptr;
    const bool distance = distanceestimate(f.outside, f.inside);
    // The range pass takes z^2 + c whatever the exponent, without inversion, as it
    // does for a view in doubles; so do the external angles.
    Frame g = f;
    g.exponent = 2;
    g.okinvert = 0;
    g.tiaflag = 0;
    if (std::clamp(f.exponent, 2, 17) != 2 && (distance || f.outside == outside::fieldlines)) {
        image->quadratic = references(v, g, stop);
        if (!image->quadratic) return nullptr;
    }
    if (distance) {
        g.deep = image->quadratic ? image->quadratic : image;
        distancerange(g, helpers, *image);
    }
    if (stop.stop_requested()) return nullptr;
    return image;
}

bool sameview(const DeepView& a, const DeepView& b) {
    return a.on == b.on && a.ftype == b.ftype && mpfr_equal_p(a.re.get(), b.re.get()) &&
           mpfr_equal_p(a.im.get(), b.im.get()) && mpfr_equal_p(a.width.get(), b.width.get());
}

DeepTask::DeepTask(const DeepView& v, const Frame& f, int helpers)
    : view_(v), frame_(f), thread_([this, helpers](std::stop_token stop) {
          auto image = makedeepimage(view_, frame_, helpers, stop);
          std::lock_guard lock(mutex_);
          image_ = std::move(image);
          finished_ = true;
          done_.notify_all();
      }) {}

bool DeepTask::wait(std::chrono::milliseconds budget) {
    std::unique_lock lock(mutex_);
    if (budget.count() == 0)
        done_.wait(lock, [&] { return finished_; });
    else
        done_.wait_for(lock, budget, [&] { return finished_; });
    return finished_;
}

std::shared_ptr<const DeepImage> DeepTask::image() {
    std::lock_guard lock(mutex_);
    return image_;
}

}  // namespace vantrel
