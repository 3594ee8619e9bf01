#pragma once

#include <array>
#include <string>

#include "platform/rect.h"
#include "state/deepview.h"
#include "state/methods.h"
#include "state/palette.h"

namespace vantrel {

// One remembered view.
struct FRACTAL {
    double xmin = 0;
    double xmax = 0;
    double ymin = 0;
    double ymax = 0;
    int maxiter = 0;
    double maxsize = 0;
    double cx = 0;
    double cy = 0;
    int inside = 0;
    int outside = 0;

    bool operator==(const FRACTAL&) const = default;
};

constexpr int historysize = 50;

// Every program-wide variable under its own name with its start value.
struct State {
    // The working view and its side lengths.
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    double xside = 0, yside = 0;
    // Current (and home) views of the Mandelbrot set, the Julia set, Escher-Julia.
    double mxmin = -2.25, mxmax = 0.75, mymin = -1.5, mymax = 1.5;
    double jxmin = -2.25, jxmax = 2.25, jymin = -2.25, jymax = 2.25;
    double exmin = -1.2, exmax = 1.2, eymin = -1.2, eymax = 1.2;
    // The Julia constant and the candidate from the last preview.
    double jcx = 0.32, jcy = 0.043;
    double tjcx = 0, tjcy = 0;

    // Fractal and coloring choice.
    int ftype = settype::mandelbrot;
    int method = coloringmethod::image;
    int outside = outside::levelsets;
    int inside = inside::solidcolor;
    int tiaflag = tiaalgorithm::kx;
    int mapping = fieldmapping::radial;
    int plbkgd = plotbackground::white;
    int raymode = raymode::single;
    int num = 0, den = 0;

    // Numeric parameters.
    int maxiter = 256;
    double maxsize = 16.0;
    double bailout = 16.0;
    int exponent = 2;
    double slope = 275.0;
    int period = 15;
    int demscale = 8;
    static constexpr double threshold = 0.2;
    static constexpr double overflow = 500000.0;
    static constexpr std::array<int, 11> maxit = {160, 2, 3, 4, 5, 6, 8, 10, 13, 16, 256};

    // Colors and palettes.
    int rin = 0, gin = 0, bin = 0;
    int rout = 255, gout = 255, bout = 255;
    int rray = 0, gray = 0, bray = 0;
    Palette palette = defpalette();
    Palette paltemp{};

    // Progress and mode flags.
    int okfirstimage = 0;
    int okfractal = 0;
    int j = 0;
    int okzoom = 0;
    int drawbox = 0;
    int zooming = 0;
    int okjulia = juliapreview::unavailable;
    int okorbits = 0;
    int oklines = 1;
    int okescher = 0;
    int okinvert = 0;
    int palpreview = 1;
    int demadvisory = 1;
    int newdimensions = 0;
    int newminmax = 0;
    int newc = 0;
    int oksplash1 = 0, oksplash2 = 0;

    // Image size and window geometry.
    int xscreen = 0, yscreen = 0;
    int xres = 600, yres = 600;
    Rect ClientRes{};
    Rect statusdim{};
    Rect VhdcRes{};

    // Text buffers and file-dialog paths.
    std::string statustext;
    std::string helppath;
    std::string mapfile, mapfiletitle;
    std::string tgafile, tgafiletitle;
    std::string ovtlfile, ovtlfiletitle, ovtltemp;
    std::string svtlfile, svtlfiletitle;

    // Working values of the renderers.
    double factor = 0, delta = 0, infsize = 0, ninfsize = 0;
    double distmaxout = 0, distmaxin = 0;

    // The current view in arbitrary precision, where doubles cannot hold it.
    DeepView deep;

    // The history of views per set type.
    FRACTAL z[2][historysize]{};
    // Beside each entry, its view in arbitrary precision when it is a deep one
    // (`on`); the entry's xmin..ymax then hold that view rounded to doubles.
    DeepView zdeep[2][historysize];
    int zct[2] = {0, 0};
    int zctmax[2] = {0, 0};
    static constexpr char ztype[2] = {'M', 'J'};
    static constexpr const char* reset[2] = {"Mandelbrot", "Julia"};
};

// The current view is the deep one: held in arbitrary precision, not in xmin..ymax.
inline bool deepactive(const State& s) {
    return s.deep.on && s.deep.ftype == s.ftype;
}

extern const char* const saveerror[3];
extern const char* const paramerror[15];
extern const char* const errormessage[3];

}  // namespace vantrel
