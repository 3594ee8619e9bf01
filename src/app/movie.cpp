#include "app/movie.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/batch.h"
#include "app/encoder.h"
#include "files/png.h"
#include "files/vtl.h"
#include "render/deepimage.h"
#include "render/engine.h"
#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "vantrel: %s\n", message.c_str());
    return 1;
}

// The state a parameter file (or a PNG image carrying one) gives over the start
// state, at the image's own size for a PNG; false when it cannot be read.
bool loadstate(App& app, const std::string& path) {
    State& s = app.s;
    seedhistory(s);
    s.ovtlfile = path;
    if (loadvtl(app) != 0) return false;
    if (const auto png = readpngfile(path)) {
        s.xres = png->width;
        s.yres = png->height;
    }
    return true;
}

// The current view of a loaded state as centre and width: the deep view when it
// is one, else the exact centre and width of its corners in doubles.
DeepView viewof(const State& s) {
    if (deepactive(s)) return s.deep;
    const FRACTAL& e = s.z[s.ftype][s.zct[s.ftype]];
    DeepView v;
    for (BigFloat* b : {&v.re, &v.im, &v.width}) b->setbits(2200);  // any sum of doubles
    mpfr_set_d(v.re.get(), e.xmin, MPFR_RNDN);
    mpfr_add_d(v.re.get(), v.re.get(), e.xmax, MPFR_RNDN);
    mpfr_div_2ui(v.re.get(), v.re.get(), 1, MPFR_RNDN);
    mpfr_set_d(v.im.get(), e.ymin, MPFR_RNDN);
    mpfr_add_d(v.im.get(), v.im.get(), e.ymax, MPFR_RNDN);
    mpfr_div_2ui(v.im.get(), v.im.get(), 1, MPFR_RNDN);
    mpfr_set_d(v.width.get(), e.xmax, MPFR_RNDN);
    mpfr_sub_d(v.width.get(), v.width.get(), e.xmin, MPFR_RNDN);
    return v;
}

// The view of frame k of n: the width w0 (w1 / w0)^t at t = k / (n - 1), the
// centre moved by the same share of the way as the width has changed (a straight
// line when the width stays). Computed with the bits the narrower end needs and
// 128 more, so that neighbouring frames stay apart at any depth.
DeepView frameview(const DeepView& a, const DeepView& b, int k, int n) {
    const long depth = std::max(
        0L, -static_cast<long>(std::min(mpfr_get_exp(a.width.get()), mpfr_get_exp(b.width.get()))));
    const long bits =
        std::max({a.re.bits(), a.im.bits(), b.re.bits(), b.im.bits(), 64L}) + depth + 128;
    BigFloat t(bits), share(bits), step(bits);
    mpfr_set_ui(t.get(), static_cast<unsigned long>(k), MPFR_RNDN);
    if (n > 1) mpfr_div_ui(t.get(), t.get(), static_cast<unsigned long>(n - 1), MPFR_RNDN);
    DeepView v;
    for (BigFloat* x : {&v.re, &v.im, &v.width}) x->setbits(bits);
    // The width: exact at both ends (a power of 0 or 1).
    mpfr_div(step.get(), b.width.get(), a.width.get(), MPFR_RNDN);
    mpfr_pow(step.get(), step.get(), t.get(), MPFR_RNDN);
    mpfr_mul(v.width.get(), a.width.get(), step.get(), MPFR_RNDN);
    if (k == n - 1) mpfr_set(v.width.get(), b.width.get(), MPFR_RNDN);
    // The centre's share of the way: how far the width has gone.
    if (mpfr_equal_p(a.width.get(), b.width.get())) {
        mpfr_set(share.get(), t.get(), MPFR_RNDN);
    } else {
        mpfr_sub(share.get(), a.width.get(), v.width.get(), MPFR_RNDN);
        mpfr_sub(step.get(), a.width.get(), b.width.get(), MPFR_RNDN);
        mpfr_div(share.get(), share.get(), step.get(), MPFR_RNDN);
    }
    for (int axis = 0; axis < 2; ++axis) {
        const BigFloat& from = axis == 0 ? a.re : a.im;
        const BigFloat& to = axis == 0 ? b.re : b.im;
        BigFloat& at = axis == 0 ? v.re : v.im;
        mpfr_sub(step.get(), to.get(), from.get(), MPFR_RNDN);
        mpfr_mul(step.get(), step.get(), share.get(), MPFR_RNDN);
        mpfr_add(at.get(), from.get(), step.get(), MPFR_RNDN);
    }
    return v;
}

// Which frame's centre the reference orbits of each deep frame start from: the
// first of a run of deep frames that the orbits from its centre all reach, so
// that consecutive frames, the best case for reusing orbits, share them. Walked
// from frame 0, so that a range of frames starts its orbits where the whole run
// does and renders the same files.
class Anchors {
  public:
    Anchors(const DeepView& from, const DeepView& to, int frames, int xres, int yres)
        : from_(from), to_(to), frames_(frames), xres_(xres), yres_(yres) {}

    // The anchor of frame k (-1 for a frame doubles hold); k never decreases from
    // call to call.
    int of(int k) {
        for (; walked_ < k; ++walked_) {
            const int j = walked_ + 1;
            DeepView v = frameview(from_, to_, j, frames_);
            if (!needsdeep(v.re, v.im, v.width, xres_)) {
                anchor_ = -1;
            } else if (anchor_ < 0 || !reaches(point_, v, xres_, yres_)) {
                anchor_ = j;
                point_ = referencepoint(v, xres_);
                view_ = std::move(v);
                view_.on = true;
            }
        }
        return anchor_;
    }
    // The view of the latest anchor.
    const DeepView& view() const { return view_; }

  private:
    const DeepView &from_, &to_;
    const int frames_, xres_, yres_;
    int walked_ = -1, anchor_ = -1;
    DeepView view_;
    ReferencePoint point_;
};

// The name of frame k: the pattern with its one %d (%5d, %05d: a width of up to 9
// digits) replaced by the number. Empty when the pattern is not one such.
std::string framename(const std::string& pattern, int k) {
    const auto at = pattern.find('%');
    if (at == std::string::npos) return {};
    std::size_t end = at + 1;
    if (end < pattern.size() && pattern[end] == '0') ++end;
    if (end < pattern.size() && pattern[end] >= '1' && pattern[end] <= '9') ++end;
    if (end >= pattern.size() || pattern[end] != 'd') return {};
    if (pattern.find('%', end) != std::string::npos) return {};
    const std::string conversion = pattern.substr(at, end + 1 - at);
    char number[32];
    std::snprintf(number, sizeof number, conversion.c_str(), k);
    return pattern.substr(0, at) + number + pattern.substr(end + 1);
}

// The frame rate of movie files.
constexpr int moviefps = 30;

// Frames done and the time left, on one terminal line.
void showframes(int done, int total, double seconds) {
    if (isatty(STDERR_FILENO) == 0) return;
    std::fprintf(stderr, "\rframe %d of %d, %.1f s, %.0f s left   %s", done, total, seconds,
                 seconds * (total - done) / done, done == total ? "\n" : "");
}

}  // namespace

int rendermovie(const MovieOptions& options) {
    const std::string& out = options.output;
    const bool moviefile = moviefilename(out);
    if (moviefile && options.last >= 0)
        return fail(
            "--range does not go with a movie file, which is made in one run; write the frames "
            "as images (-o DIR/frame-%05d.png) to share a movie between runs");
    if (!moviefile && framename(out, 0).empty())
        return fail(
            "-o needs a frame name with one %d, such as frame-%05d.png, or a movie "
            "file (.mp4, .mkv, .webm, .mov)");
    const int last = options.last < 0 ? options.frames - 1 : options.last;
    if (options.first > last || last >= options.frames)
        return fail("--range must lie within the frames, 0 to " +
                    std::to_string(options.frames - 1));

    QuietHost host;
    DeepView from, to;
    {
        App end(host);
        if (!loadstate(end, options.end)) return fail("Error opening VTL file " + options.end);
        to = viewof(end.s);
    }
    MovieEncoder encoder;
    std::shared_ptr<RowEngine> engine;
    std::unique_ptr<Anchors> anchors;
    // The reference orbits of the latest deep frame, and the frame they start at.
    std::shared_ptr<DeepImage> orbits;
    int orbitsanchor = -1;
    const auto begun = std::chrono::steady_clock::now();
    for (int k = options.first; k <= last; ++k) {
        // Every frame starts from the file afresh, so that it is the same frame
        // whichever run renders it; only the worker threads and the reference
        // orbits carry over (the orbits, a pure function of their anchor frame's
        // centre, without their approximations, whose reuse would depend on the
        // frames before).
        App app(host);
        app.driver.threads = options.threads;
        app.driver.simd = options.simd ? -1 : 0;
        app.driver.aa = options.aa;
        app.driver.engine = engine;
        if (!loadstate(app, options.start)) return fail("Error opening VTL file " + options.start);
        if (options.sized) {
            app.s.xres = options.xres;
            app.s.yres = options.yres;
        }
        if (k == options.first) {
            from = viewof(app.s);
            anchors = std::make_unique<Anchors>(from, to, options.frames, app.s.xres, app.s.yres);
        }
        if (const char* message = placeview(app.s, frameview(from, to, k, options.frames)))
            return fail(message);
        const int anchor = anchors->of(k);
        if (anchor >= 0) {
            app.driver.deepfrom = anchors->view();
            if (anchor == orbitsanchor) app.driver.deepprevious = orbits;
        }
        if (moviefile) {
            // Every frame has the size of the first.
            if (const char* message = sizeerror(app.s)) return fail(message);
            if (k == options.first) {
                if (const std::string why = encoder.open(out, app.s.xres, app.s.yres, moviefps);
                    !why.empty())
                    return fail(why);
            }
            if (!renderrows(
                    app, [&](const Rgb* row) { return encoder.row(row); }, false, false))
                return fail(encoder.finish());
        } else if (const char* message = renderto(app, framename(out, k), false, false)) {
            return fail(message);
        }
        engine = app.driver.engine;
        if (anchor >= 0 && app.driver.deepimage) {
            orbits = std::make_shared<DeepImage>();
            orbits->reference = app.driver.deepimage->reference;
            orbitsanchor = anchor;
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begun;
        showframes(k - options.first + 1, last - options.first + 1, spent.count());
    }
    if (moviefile) {
        if (const std::string why = encoder.finish(); !why.empty()) return fail(why);
    }
    return 0;
}

}  // namespace vantrel
