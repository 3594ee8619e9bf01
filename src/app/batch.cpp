#include "app/batch.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "files/mapfile.h"
#include "files/png.h"
#include "files/tga.h"
#include "files/vtl.h"
#include "render/engine.h"
#include "special/renderstep.h"
#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "vantrel: %s\n", message);
    return 1;
}

// Rows done, time spent and time left, on one terminal line, for renders that
// take a while. The time left assumes the rows to come take as long as those done.
class Progress {
  public:
    Progress(int rows, bool wanted) : rows_(rows), shown_(wanted && isatty(STDERR_FILENO) != 0) {}
    void row(int done) {
        if (!shown_) return;
        const double t = elapsed();
        if (t < 0.5 || (t - last_ < 0.1 && done < rows_)) return;
        last_ = t;
        const double left = done > 0 ? t * (rows_ - done) / done : 0;
        std::fprintf(stderr, "\rrendering: row %d of %d, %.1f s, %.0f s left   ", done, rows_, t,
                     left);
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

// The view given on the command line, or a message for text that is no view.
const char* setview(const BatchOptions& options, State& s) {
    DeepView v;
    if (!parsebig(options.re, &v.re) || !parsebig(options.im, &v.im))
        return "--center needs two decimal numbers";
    if (!parsebig(options.width, &v.width) || mpfr_sgn(v.width.get()) <= 0)
        return "--width needs a decimal number above 0";
    return placeview(s, std::move(v));
}

// The image the rows go to, PNG or Targa by its name, written as they arrive.
class ImageFile {
  public:
    int open(const std::string& path, int width, int height, const std::string& params) {
        png_ = pngname(path);
        return png_ ? pngfile_.open(path, width, height, params)
                    : tgafile_.open(path, width, height);
    }
    bool row(const Rgb* pixels) { return png_ ? pngfile_.row(pixels) : tgafile_.row(pixels); }
    int commit() { return png_ ? pngfile_.commit() : tgafile_.commit(); }

  private:
    bool png_ = false;
    PngWriter pngfile_;
    TgaWriter tgafile_;
};

// The row renderer draws images of any size row by row; the renderers that draw
// whole images at once (Equipotential Lines, Escher-Julia) need the image in memory.
constexpr int streamedmax = 65535, wholemax = 9600;

}  // namespace

const char* sizeerror(const State& s) {
    const bool rows = drawnbyrows(s);
    const int most = rows ? streamedmax : wholemax;
    if (s.xres < 32 || s.xres > most) return rows ? "xres range: 32 - 65535" : paramerror[2];
    if (s.yres < 32 || s.yres > most) return rows ? "yres range: 32 - 65535" : paramerror[3];
    return nullptr;
}

bool renderrows(App& app, const std::function<bool(const Rgb*)>& row, bool stats,
                bool rowprogress) {
    State& s = app.s;
    const bool rows = drawnbyrows(s);
    bool taken = true;
    if (rows) app.driver.rowsink = [&](int, const Rgb* pixels) { taken = taken && row(pixels); };
    s.j = 0;
    s.okfractal = 1;
    const auto begun = std::chrono::steady_clock::now();
    {
        Progress progress(s.yres, rowprogress);
        while (s.okfractal && taken) {
            renderstep(app);
            progress.row(s.j == 0 ? s.yres : s.j);
        }
    }
    // The sink refers to this call's `row`.
    app.driver.rowsink = nullptr;
    if (!taken) return false;
    if (stats) {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begun;
        renderstats(spent.count(), app.driver.engine ? app.driver.engine->iterations() : -1);
    }
    if (!rows)
        for (int j = 0; j < s.yres; ++j)
            if (!row(app.g_vhdc.row(j))) return false;
    return true;
}

const char* renderto(App& app, const std::string& output, bool stats, bool rowprogress) {
    State& s = app.s;
    if (const char* message = sizeerror(s)) return message;
    // The file is made before the render, so that a name that cannot be written
    // is known at once; it takes its place only once its last row is written.
    ImageFile image;
    if (const int code = image.open(output, s.xres, s.yres, paramtext(s)))
        return saveerror[code - 1];
    if (!renderrows(
            app, [&](const Rgb* row) { return image.row(row); }, stats, rowprogress) ||
        image.commit() != 0)
        return saveerror[2];
    return nullptr;
}

int renderbatch(const BatchOptions& options) {
    QuietHost host;
    App app(host);
    app.driver.threads = options.threads;
    app.driver.simd = options.simd ? -1 : 0;
    app.driver.aa = options.aa;
    State& s = app.s;
    seedhistory(s);
    if (!options.vtl.empty()) {
        s.ovtlfile = options.vtl;
        std::string why;
        if (loadvtl(app, &why) != 0) {
            if (why.empty() && pngname(options.vtl))
                return fail("this PNG image carries no Vantrel parameters");
            return fail(why.empty() ? "Error opening VTL file" : why.c_str());
        }
        // An image brings back its size as well as its view.
        if (const auto png = readpngfile(options.vtl)) {
            s.xres = png->width;
            s.yres = png->height;
        }
    }
    if (!options.map.empty()) {
        // As the palette menu does it, without the preview: stage, then adopt.
        s.mapfile = options.map;
        if (OpenMapFile(s) != 0) return fail("Error opening MAP file");
        s.palette = s.paltemp;
    }
    if (options.sized) {
        s.xres = options.xres;
        s.yres = options.yres;
    }
    if (options.maxiter != 0) s.maxiter = options.maxiter;
    const bool centred = !options.re.empty(), widthgiven = !options.width.empty();
    if (centred != widthgiven) return fail("--center and --width go together");
    if (centred) {
        if (const char* message = setview(options, s)) return fail(message);
    }
    if (const char* message = renderto(app, options.output, options.stats, true))
        return fail(message);
    return 0;
}

}  // namespace vantrel
