#include "render/deepimage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "render/parallel.h"
#include "render/perturb.h"

namespace vantrel {

namespace {

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

// a + b (or a - b), exactly: at the bits that span the digits of both.
BigFloat exactsum(const BigFloat& a, const BigFloat& b, bool subtract) {
    long top = 0, low = 0;
    bool any = false;
    for (const BigFloat* t : {&a, &b}) {
        if (mpfr_zero_p(t->get())) continue;
        const long e = mpfr_get_exp(t->get());
        top = any ? std::max(top, e) : e;
        low = any ? std::min(low, e - t->bits()) : e - t->bits();
        any = true;
    }
    BigFloat sum(any ? top + 1 - low : 64);
    if (subtract)
        mpfr_sub(sum.get(), a.get(), b.get(), MPFR_RNDN);
    else
        mpfr_add(sum.get(), a.get(), b.get(), MPFR_RNDN);
    return sum;
}

// The approximations of an earlier image drawn from the same orbits serve one
// whose offsets they cover, unless they were made for offsets more than four times
// as large (two zooms by 2), which would shorten their steps needlessly.
bool coveredby(const BlaTable& t, FloatExp dcmax) {
    return !t.empty() && !(t.dcmax() < dcmax) && !(dcmax * 4 < t.dcmax());
}

// The offsets, approximations and derivative limit of the image of view `v` and
// frame `f` perturbed from `reference`, with the approximations of `previous`
// where they serve.
std::shared_ptr<DeepImage> offsets(const DeepView& v, const Frame& f,
                                   std::shared_ptr<const DeepReference> reference,
                                   const DeepImage* previous) {
    auto image = std::make_shared<DeepImage>();
    image->reference = std::move(reference);
    const DeepReference& r = *image->reference;
    const long bits = deepbits(v, f.xres);
    BigFloat offset(bits), point(bits);
    mpfr_div_ui(offset.get(), v.width.get(), static_cast<unsigned long>(std::max(f.xres - 1, 1)),
                MPFR_RNDN);
    if (mpfr_cmp_d(offset.get(), 0x1p-1000) < 0) image->scale = -mpfr_get_exp(offset.get());
    // A pixel's offset from the reference is its offset from the centre and the
    // centre's from the reference, summed exactly and then rounded once.
    const BigFloat centrex = exactsum(v.re, r.at.re, true);
    const BigFloat centrey = exactsum(v.im, r.at.im, true);
    for (int a = 0; a < f.aa; ++a) {
        for (int i = 0; i < f.xres; ++i) {
            columnoffset(v, f.xres, i, a, f.aa, &offset);
            mpfr_add(point.get(), v.re.get(), offset.get(), MPFR_RNDN);
            BigFloat d = exactsum(centrex, offset, false);
            mpfr_mul_2si(d.get(), d.get(), image->scale, MPFR_RNDN);
            image->dx.push_back(d.todouble());
            image->x.push_back(point.todouble());
        }
    }
    for (int b = 0; b < f.aa; ++b) {
        for (int row = 0; row < f.yres; ++row) {
            rowoffset(v, f.xres, f.yres, row, b, f.aa, &offset);
            mpfr_add(point.get(), v.im.get(), offset.get(), MPFR_RNDN);
            BigFloat d = exactsum(centrey, offset, false);
            mpfr_mul_2si(d.get(), d.get(), image->scale, MPFR_RNDN);
            image->dy.push_back(d.todouble());
            image->y.push_back(point.todouble());
        }
    }
    if (approximations()) {
        const int e = r.exponent;
        FloatExp dcmax;
        if (f.ftype == settype::mandelbrot) {
            const auto largest = [](const std::vector<double>& v) {
                double most = 0;
                for (const double t : v) most = std::max(most, std::fabs(t));
                return most;
            };
            dcmax = FloatExp::of(std::hypot(largest(image->dx), largest(image->dy)), -image->scale);
        }
        image->sharedtable = f.ftype == settype::mandelbrot;
        if (previous && previous->reference == image->reference &&
            coveredby(previous->firsttable, dcmax)) {
            image->firsttable = previous->firsttable;
            image->secondtable = previous->secondtable;
        } else {
            image->firsttable = BlaTable(r.first, e, dcmax, f.maxsize);
            if (!image->sharedtable) image->secondtable = BlaTable(r.second, e, dcmax, f.maxsize);
        }
    }
    // The home view is about 3 wide.
    image->derivativelimit = State::overflow * 3.0 / mpfr_get_d(v.width.get(), MPFR_RNDN);
    return image;
}

}  // namespace

std::shared_ptr<const DeepImage> makedeepimage(const DeepView& v, const Frame& f, int helpers,
                                               std::stop_token stop,
                                               const std::shared_ptr<const DeepImage>& previous,
                                               const DeepView& from, DeepProgress* progress) {
    std::shared_ptr<const DeepReference> reference =
        previous && previous->reference && serves(*previous->reference, v, f) ? previous->reference
                                                                              : nullptr;
    const bool distance = distanceestimate(f.outside, f.inside);
    // The range pass takes z^2 + c whatever the exponent, without inversion, as it
    // does for a view in doubles; so do the external angles: with orbits of their
    // own where that differs.
    Frame g = f;
    g.exponent = 2;
    g.okinvert = 0;
    g.tiaflag = 0;
    const bool ownquadratic =
        std::clamp(f.exponent, 2, 17) != 2 && (distance || f.outside == outside::fieldlines);
    const DeepReference* earlier = previous ? previous->reference.get() : nullptr;
    ReferencePoint p = referencepoint(from.on ? from : v, f.xres);
    if (from.on && !reaches(p, v, f.xres, f.yres)) p = referencepoint(v, f.xres);
    if (progress)
        progress->total = (reference ? 0 : referencesteps(p, f, earlier)) +
                          (ownquadratic ? referencesteps(p, g) : 0);
    if (!reference) reference = makereference(p, f, earlier, stop, progress);
    if (!reference) return nullptr;
    std::shared_ptr<DeepImage> image = offsets(v, f, std::move(reference), previous.get());
    if (ownquadratic) {
        auto own = makereference(p, g, nullptr, stop, progress);
        if (!own) return nullptr;
        image->quadratic = offsets(v, g, std::move(own), nullptr);
    }
    if (distance) {
        g.deep = image->quadratic ? image->quadratic : std::shared_ptr<const DeepImage>(image);
        distancerange(g, helpers, *image);
    }
    if (stop.stop_requested()) return nullptr;
    return image;
}

bool sameview(const DeepView& a, const DeepView& b) {
    return a.on == b.on && a.ftype == b.ftype && mpfr_equal_p(a.re.get(), b.re.get()) &&
           mpfr_equal_p(a.im.get(), b.im.get()) && mpfr_equal_p(a.width.get(), b.width.get());
}

DeepTask::DeepTask(const DeepView& v, const Frame& f, int helpers,
                   std::shared_ptr<const DeepImage> previous, const DeepView& from)
    : view_(v),
      from_(from),
      frame_(f),
      started_(std::chrono::steady_clock::now()),
      thread_([this, helpers, previous = std::move(previous)](std::stop_token stop) {
          auto image = makedeepimage(view_, frame_, helpers, stop, previous, from_, &progress_);
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
