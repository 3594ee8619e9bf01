#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/batch.h"
#include "app/movie.h"
#include "app/windowmodule.h"
#include "state/app.h"

namespace {

const char* const usage =
    "Usage: vantrel [FILE.vtl|FILE.png]\n"
    "       vantrel --render [FILE.vtl|FILE.png] -o OUT.tga|OUT.png [--size WxH] [--map FILE.map]\n"
    "                        [--center RE IM --width W] [--maxiter N] [--aa N]\n"
    "       vantrel --movie START END --frames N -o DIR/frame-%05d.png [--size WxH]\n"
    "                       [--aa N] [--range A-B]\n"
    "       vantrel --movie START END --frames N -o MOVIE.mp4 [--size WxH] [--aa N]\n"
    "       vantrel --help | --version\n"
    "\n"
    "Opens the explorer window, with the view of a parameter file (or of a PNG image\n"
    "saved by Vantrel) if one is given.\n"
    "With --render, draws that view (or the default Mandelbrot view) without a\n"
    "window and saves it as a Targa or PNG image.\n"
    "  -o FILE      the image to write; a name ending in .png is written as PNG,\n"
    "               with the parameters of its view inside\n"
    "  --size WxH   image size in pixels, 32 to 65535 each way (default 600x600, or\n"
    "               the size of the PNG image given); Equipotential Lines and\n"
    "               Escher-Julia images up to 9600\n"
    "  --threads N  worker threads (default: one per core; 0 renders on one thread)\n"
    "  --no-simd    no vector lanes (slower, the same pixels)\n"
    "  --stats      the render's time, iterations and G iterations/s on stderr\n"
    "  --aa N       anti-aliasing: each pixel the average of N x N samples, 1 to 8\n"
    "               (default 1, one sample at the pixel's point)\n"
    "  --map FILE   color with a Fractint MAP palette instead of the file's own\n"
    "  --center RE IM  --width W\n"
    "               the view: its centre and width as decimal numbers of any length\n"
    "               (W as small as 1e-1000 and beyond; past doubles' reach it is drawn by\n"
    "               perturbation)\n"
    "  --maxiter N  iteration limit, 1 to 2000000000\n"
    "With --movie, renders N frames zooming from the view of parameter file (or PNG\n"
    "image) START to that of END at a constant zoom speed, colored as START.\n"
    "  -o NAME      frame images named with one %d for the frame number, or one\n"
    "               movie file (.mp4, .mkv, .webm, .mov) at 30 frames a second, made\n"
    "               by ffmpeg\n"
    "  --frames N   the number of frames of the whole movie, 1 to 1000000\n"
    "  --range A-B  only frames A to B (counted from 0), the same files as in a\n"
    "               whole run, so that machines can share a movie\n";

int usageerror(const char* message) {
    std::fprintf(stderr, "vantrel: %s\n%s", message, usage);
    return 1;
}

// A whole decimal number from lo to hi: no sign, blanks or anything after the
// digits, and no value that would wrap.
bool parsenumber(std::string_view text, int lo, int hi, int* value) {
    int v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v < lo || v > hi) return false;
    *value = v;
    return true;
}

// WIDTHxHEIGHT; sizes that are numbers but outside the image range are left to the
// renderer, which names the limit.
bool parsesize(std::string_view text, int* w, int* h) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return false;
    return parsenumber(text.substr(0, x), 0, INT_MAX, w) &&
           parsenumber(text.substr(x + 1), 0, INT_MAX, h);
}

// The explorer window, when there is a display to open it on.
int explorer(int argc, char** argv, const std::string& vtl) {
#if defined(__linux__)
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs(
            "vantrel: no display to open the explorer window on (DISPLAY is not set).\n"
            "To draw the default view into a file instead: vantrel --render -o OUT.png\n",
            stderr);
        return 1;
    }
#endif
    return vantrel::openwindow(&argc, argv, vtl);
}

}  // namespace

// A--B: two frame numbers from 0 to 999999, A at most B.
bool parserange(std::string_view text, int* a, int* b) {
    const auto dash = text.find('-');
    return dash != std::string_view::npos && parsenumber(text.substr(0, dash), 0, 999999, a) &&
           parsenumber(text.substr(dash + 1), 0, 999999, b) && *a <= *b;
}

int main(int argc, char** argv) {
    vantrel::BatchOptions options;
    vantrel::MovieOptions movie;
    bool render = false, movies = false, ranged = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("vantrel %s\n", VANTREL_VERSION);
            return 0;
        } else if (arg == "--render") {
            render = true;
        } else if (arg == "--movie") {
            if (a + 2 >= argc) return usageerror("--movie needs START and END");
            movies = true;
            movie.start = argv[++a];
            movie.end = argv[++a];
        } else if (arg == "--frames") {
            if (++a >= argc || !parsenumber(argv[a], 1, 1000000, &movie.frames))
                return usageerror("--frames needs a number from 1 to 1000000");
        } else if (arg == "--range") {
            if (++a >= argc || !parserange(argv[a], &movie.first, &movie.last))
                return usageerror("--range needs A-B, frame numbers with A at most B");
            ranged = true;
        } else if (arg == "-o") {
            if (++a >= argc) return usageerror("-o needs a file name");
            options.output = argv[a];
        } else if (arg == "--threads") {
            if (++a >= argc || !parsenumber(argv[a], 0, 256, &options.threads))
                return usageerror("--threads needs a number from 0 to 256");
        } else if (arg == "--aa") {
            if (++a >= argc || !parsenumber(argv[a], 1, vantrel::App::Driver::maxaa, &options.aa))
                return usageerror("--aa needs a number from 1 to 8");
        } else if (arg == "--no-simd") {
            options.simd = false;
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--size") {
            if (++a >= argc || !parsesize(argv[a], &options.xres, &options.yres))
                return usageerror("--size needs WIDTHxHEIGHT");
            options.sized = true;
        } else if (arg == "--center") {
            if (a + 2 >= argc) return usageerror("--center needs RE and IM");
            options.re = argv[++a];
            options.im = argv[++a];
        } else if (arg == "--width") {
            if (++a >= argc) return usageerror("--width needs a number");
            options.width = argv[a];
        } else if (arg == "--maxiter") {
            if (++a >= argc || !parsenumber(argv[a], 1, 2000000000, &options.maxiter))
                return usageerror("--maxiter needs a number from 1 to 2000000000");
        } else if (arg == "--map") {
            if (++a >= argc) return usageerror("--map needs a MAP file");
            options.map = argv[a];
        } else if (!arg.empty() && arg[0] == '-') {
            return usageerror(("unknown option " + arg).c_str());
        } else if (options.vtl.empty()) {
            options.vtl = arg;
        } else {
            return usageerror("only one parameter file can be given");
        }
    }
    if (movies) {
        if (render) return usageerror("--render and --movie go separately");
        if (!options.vtl.empty() || !options.map.empty() || !options.width.empty() ||
            !options.re.empty() || options.maxiter != 0 || options.stats)
            return usageerror(
                "--movie takes START, END, --frames, -o, --size, --aa, --range, "
                "--threads and --no-simd");
        if (movie.frames == 0) return usageerror("--movie needs --frames N");
        if (options.output.empty())
            return usageerror("--movie needs -o DIR/frame-%05d.png or -o MOVIE.mp4");
        movie.output = options.output;
        movie.xres = options.xres;
        movie.yres = options.yres;
        movie.sized = options.sized;
        movie.threads = options.threads;
        movie.simd = options.simd;
        movie.aa = options.aa;
        return vantrel::rendermovie(movie);
    }
    if (ranged || movie.frames != 0) return usageerror("--frames and --range go with --movie");
    if (!render) {
        if (!options.output.empty() || options.sized || !options.map.empty() ||
            !options.width.empty() || !options.re.empty() || options.maxiter != 0 ||
            options.aa != 1)
            return usageerror(
                "-o, --size, --map, --center, --width, --maxiter and --aa go with --render");
        return explorer(argc, argv, options.vtl);
    }
    if (options.output.empty()) return usageerror("--render needs -o OUT.tga or -o OUT.png");
    return vantrel::renderbatch(options);
}
