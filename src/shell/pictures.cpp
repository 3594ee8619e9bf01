#include "shell/pictures.h"

#include <algorithm>
#include <string>

#include "render/driver.h"

namespace vantrel {

namespace {

struct View {
    int ftype;
    double xcentre, ycentre, xside;  // the height follows from the picture's shape
    double cx, cy;
    int maxiter;
};

// Draws a view with the program's own renderer, off the screen.
Surface render(int w, int h, const View& v) {
    QuietHost quiet;
    App p(quiet);
    State& s = p.s;
    s.xres = w;
    s.yres = h;
    s.ftype = v.ftype;
    const double yside = v.xside * (h - 1) / (w - 1);
    const double x0 = v.xcentre - v.xside / 2, x1 = v.xcentre + v.xside / 2;
    const double y0 = v.ycentre - yside / 2, y1 = v.ycentre + yside / 2;
    if (v.ftype == settype::mandelbrot) {
        s.mxmin = x0;
        s.mxmax = x1;
        s.mymin = y0;
        s.mymax = y1;
    } else {
        s.jxmin = x0;
        s.jxmax = x1;
        s.jymin = y0;
        s.jymax = y1;
    }
    s.jcx = v.cx;
    s.jcy = v.cy;
    s.maxiter = v.maxiter;
    p.g_vhdc = Surface(w, h);
    s.j = 0;
    s.okfractal = 1;
    while (s.okfractal) fractaldriver(p);
    return std::move(p.g_vhdc);
}

// Darkens a band towards black, fading in over `fade` rows at its edges, so that
// lettering stands out on any part of the picture.
void shade(Surface& pic, int top, int bottom, int fade, double depth) {
    for (int y = std::max(0, top); y < std::min(pic.height(), bottom); ++y) {
        const int edge = std::min(y - top, bottom - 1 - y);
        const double k = 1.0 - depth * std::min(1.0, (edge + 1.0) / (fade + 1.0));
        Rgb* row = pic.row(y);
        for (int x = 0; x < pic.width(); ++x) {
            const Rgb c = row[x];
            row[x] = rgb(static_cast<int>(red(c) * k), static_cast<int>(green(c) * k),
                         static_cast<int>(blue(c) * k));
        }
    }
}

}  // namespace

Surface splash1picture(App& app) {
    constexpr int w = 360, h = 360;
    Surface pic = render(w, h, {0, -0.7453, 0.1127, 0.012, 0, 0, 400});
    shade(pic, 232, 330, 24, 0.75);
    app.host.lettering(pic, "Vantrel", {0, 240, w, 296}, 46, white);
    app.host.lettering(pic, "fractal explorer", {0, 294, w, 318}, 16, rgb(220, 220, 220));
    return pic;
}

Surface splash2picture(App& app) {
    constexpr int w = 440, h = 320;
    Surface pic = render(w, h, {1, 0.0, 0.0, 3.4, -0.8, 0.156, 256});
    shade(pic, 118, 206, 24, 0.7);
    app.host.lettering(pic, "Vantrel", {0, 124, w, 176}, 42, white);
    app.host.lettering(pic, "thank you for exploring", {0, 174, w, 198}, 15, rgb(220, 220, 220));
    return pic;
}

Surface aboutpicture(App& app) {
    constexpr int w = 480, h = 240;
    Surface pic = render(w, h, {0, -0.16, 1.0405, 0.09, 0, 0, 300});
    shade(pic, 30, 206, 28, 0.7);
    app.host.lettering(pic, "Vantrel", {0, 44, w, 100}, 44, white);
    app.host.lettering(pic, "an interactive fractal explorer", {0, 102, w, 126}, 16,
                       rgb(230, 230, 230));
    app.host.lettering(pic, std::string("version ") + VANTREL_VERSION, {0, 130, w, 150}, 13,
                       rgb(200, 200, 200));
    app.host.lettering(pic, "press any key or click to close", {0, 168, w, 188}, 12,
                       rgb(180, 180, 180));
    return pic;
}

}  // namespace vantrel
