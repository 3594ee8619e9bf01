#include "app/batch.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/pngfile.h"
#include "files/mapfile.h"
#include "files/savefile.h"
#include "files/tga.h"
#include "files/vtl.h"
#include "render/engine.h"
#include "special/renderstep.h"
#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

bool endswith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), s.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

int fail(const char* message) {
    std::fprintf(stderr, "vantrel: %s\n", message);
    return 1;
}

// Rows done and time spent, on one terminal line, for renders that take a while.
class Progress {
public:
    explicit Progress(int rows) : rows_(rows), shown_(isatty(STDERR_FILENO) != 0) {}
    void row(int done) {
        if (!shown_) return;
        const double t = elapsed();
        if (t < 0.5 || (t - last_ < 0.1 && done < rows_)) return;
        last_ = t;
        std::fprintf(stderr, "\rrendering: row %d of %d, %.1f s", done, rows_, t);
        printed_ = true;
    }
    ~Progress() {
        if (printed_) std::fprintf(stderr, "\n");
    }

private:
    double elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    int rows_;
    bool shown_;
    bool printed_ = false;
    double last_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The render's own time, from set-up to the last row, with its iterations and
// their rate. Renderers that draw whole images themselves count no iterations.
void renderstats(double seconds, long long iterations) {
    if (iterations < 0) {
        std::fprintf(stderr, "render: %.3f s (iterations not counted by this renderer)\n", seconds);
        return;
    }
    std::fprintf(stderr, "render: %.3f s, %lld iterations, %.3f G iterations/s\n", seconds,
                 iterations, seconds > 0 ? iterations / seconds * 1e-9 : 0.0);
}

// The view given on the command line, over the current view of the set type
// drawn: in doubles where they hold it, else as a deep view. Returns a message
// for text that is no view, else null.
const char* setview(const BatchOptions& options, State& s) {
    DeepView v;
    if (!parsebig(options.re, &v.re) || !parsebig(options.im, &v.im))
        return "--center needs two decimal numbers";
    if (!parsebig(options.width, &v.width) || mpfr_sgn(v.width.get()) <= 0)
        return "--width needs a decimal number above 0";
    return placeview(s, std::move(v));
}

// An iteration limit of 1 to 2,000,000,000 from decimal text.
bool parsemaxiter(const std::string& text, int* maxiter) {
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || n < 1 || n > 2000000000) return false;
    *maxiter = static_cast<int>(n);
    return true;
}

}  // namespace

int renderbatch(const BatchOptions& options) {
    QuietHost host;
    App app(host);
    app.driver.threads = options.threads;
    app.driver.simd = options.simd ? -1 : 0;
    State& s = app.s;
    seedhistory(s);
    if (!options.vtl.empty()) {
        s.ovtlfile = options.vtl;
        std::string why;
        if (loadvtl(app, &why) != 0)
            return fail(why.empty() ? "Error opening VTL file" : why.c_str());
    }
    if (!options.map.empty()) {
        // As the palette menu does it, without the preview: stage, then adopt.
        s.mapfile = options.map;
        if (OpenMapFile(s) != 0) return fail("Error opening MAP file");
        s.palette = s.paltemp;
    }
    if (options.sized) {
        if (options.xres < 32 || options.xres > 9600) return fail(paramerror[2]);
        if (options.yres < 32 || options.yres > 9600) return fail(paramerror[3]);
        s.xres = options.xres;
        s.yres = options.yres;
    }
    if (!options.maxiter.empty() && !parsemaxiter(options.maxiter, &s.maxiter))
        return fail("--maxiter needs a number from 1 to 2000000000");
    const bool centred = !options.re.empty(), widthgiven = !options.width.empty();
    if (centred != widthgiven) return fail("--center and --width go together");
    if (centred) {
        if (const char* message = setview(options, s)) return fail(message);
    }
    // Find out before a long render that the image cannot be saved.
    {
        SaveFile probe;
        if (probe.open(options.output) != 0) return fail(saveerror[0]);
    }

    app.g_vhdc = Surface(s.xres, s.yres);
    s.j = 0;
    s.okfractal = 1;
    const auto begun = std::chrono::steady_clock::now();
    {
        Progress progress(s.yres);
        while (s.okfractal) {
            renderstep(app);
            progress.row(s.j == 0 ? s.yres : s.j);
        }
    }
    if (options.stats) {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begun;
        renderstats(spent.count(), app.driver.engine ? app.driver.engine->iterations() : -1);
    }

    int code;
    if (endswith(options.output, ".png")) {
        code = writepng(app.g_vhdc, options.output);
    } else {
        s.tgafile = options.output;
        code = writetga(app, app.g_vhdc);
    }
    if (code != 0) return fail(saveerror[code - 1]);
    return 0;
}

}  // namespace vantrel
