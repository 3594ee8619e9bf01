#include <cstdio>
#include <cstring>
#include <string>

#include "app/batch.h"

namespace {

const char* const usage =
    "Usage: vantrel --render [FILE.vtl] -o OUT.tga|OUT.png [--size WxH]\n"
    "       vantrel --help | --version\n"
    "\n"
    "Renders the view stored in a parameter file (or the default Mandelbrot view)\n"
    "without a window and saves it as a Targa or PNG image.\n"
    "  -o FILE      the image to write; a name ending in .png is written as PNG\n"
    "  --size WxH   image size in pixels, 32 to 9600 each way (default 600x600)\n";

int usageerror(const char* message) {
    std::fprintf(stderr, "vantrel: %s\n%s", message, usage);
    return 1;
}

bool parsesize(const char* text, int* w, int* h) {
    char x = 0;
    char rest = 0;
    return std::sscanf(text, "%d%c%d%c", w, &x, h, &rest) == 3 && (x == 'x' || x == 'X');
}

}  // namespace

int main(int argc, char** argv) {
    vantrel::BatchOptions options;
    bool render = false;
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
        } else if (arg == "-o") {
            if (++a >= argc) return usageerror("-o needs a file name");
            options.output = argv[a];
        } else if (arg == "--size") {
            if (++a >= argc || !parsesize(argv[a], &options.xres, &options.yres))
                return usageerror("--size needs WIDTHxHEIGHT");
            options.sized = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usageerror(("unknown option " + arg).c_str());
        } else if (options.vtl.empty()) {
            options.vtl = arg;
        } else {
            return usageerror("only one parameter file can be given");
        }
    }
    if (!render) return usageerror("the explorer window is not built yet; use --render");
    if (options.output.empty()) return usageerror("--render needs -o OUT.tga or -o OUT.png");
    return vantrel::renderbatch(options);
}
