#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "render/bla.h"
#include "render/complex.h"
#include "render/deepreference.h"
#include "render/frame.h"
#include "state/deepview.h"

namespace vantrel {

// What the rows of a deep image are perturbed from.
struct DeepImage {
    // The reference orbits: computed for this image, or those of an earlier image
    // that reach this one's view.
    std::shared_ptr<const DeepReference> reference;
    // Their bilinear approximations; for the Mandelbrot set `first`'s serve both
    // (sharedtable). Empty where plain perturbation was asked for.
    BlaTable firsttable, secondtable;
    bool sharedtable = false;
    // Per column and per row: the point less the reference point times 2^scale,
    // and the point itself, each rounded once from the view's precision. The scale
    // is 0 unless the pixel spacing is below 2^-1000, where it makes the spacing
    // about 1. With anti-aliasing the columns of each sample follow those of the
    // one before; `column` and `row` say where a frame's sample has them.
    std::vector<double> dx, dy, x, y;
    static std::size_t column(const Frame& f, int i) {
        return static_cast<std::size_t>(f.samplea) * static_cast<std::size_t>(f.xres) +
               static_cast<std::size_t>(i);
    }
    static std::size_t row(const Frame& f, int r) {
        return static_cast<std::size_t>(f.sampleb) * static_cast<std::size_t>(f.yres) +
               static_cast<std::size_t>(r);
    }
    long scale = 0;
    // The derivative's overflow limit, scaled from the home view's by the depth so
    // that the distance estimator means the same on every scale.
    double derivativelimit = 0;
    // The distance estimator's range over the image (0 when none is chosen).
    double distmaxout = 0, distmaxin = 0;
    // The references of z^2 + c at the same view, where the exponent is another and
    // a coloring follows the quadratic orbit too (the distance estimator's range
    // pass, the external angles of Field Line Gradients); null otherwise.
    std::shared_ptr<const DeepImage> quadratic;
};

// The reference orbits and offsets of the deep view `v` for the image of `f` (its
// set type, exponent, constant, limits and size), with their approximations unless
// VANTREL_BLA=0 asks for plain perturbation. The orbits are those of `previous`
// where they serve the view (and its approximations, where they cover the
// offsets), else computed from the centre of `from` (where it is on and reaches
// the view) or of the view, their steps counted into `progress` where one is
// given. Returns null when `stop` was requested on the way. With a distance
// estimator the range pass runs too, on `helpers` extra threads.
std::shared_ptr<const DeepImage> makedeepimage(
    const DeepView& v, const Frame& f, int helpers, std::stop_token stop,
    const std::shared_ptr<const DeepImage>& previous = nullptr, const DeepView& from = {},
    DeepProgress* progress = nullptr);

// True when the two views are the same numbers.
bool sameview(const DeepView& a, const DeepView& b);

// makedeepimage on a thread of its own, so that the caller's thread (the window's)
// stays free while a long reference orbit is computed. Dropping the task stops it.
class DeepTask {
  public:
    DeepTask(const DeepView& v, const Frame& f, int helpers,
             std::shared_ptr<const DeepImage> previous, const DeepView& from);
    // Waits at most `budget` (0: until done) and tells whether the image is ready.
    bool wait(std::chrono::milliseconds budget);
    std::shared_ptr<const DeepImage> image();
    // What the task was started for, when, and how far its reference orbits are.
    const DeepView& view() const { return view_; }
    const Frame& frame() const { return frame_; }
    std::chrono::steady_clock::time_point started() const { return started_; }
    const DeepProgress& progress() const { return progress_; }

  private:
    const DeepView view_, from_;
    const Frame frame_;
    const std::chrono::steady_clock::time_point started_;
    DeepProgress progress_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::shared_ptr<const DeepImage> image_;
    std::jthread thread_;  // last: stopped and joined before the members above go
};

}  // namespace vantrel
