#include "special/escher.h"

#include "render/canvas.h"
#include "render/rows.h"

namespace vantrel {

namespace {

constexpr double scale = 15.0;
constexpr int maxsquarings = 64;

// Palette entry of the Escher pixel w = (x, y): square w until 15 w^2 falls into
// the target set; the squarings made before that pick the entry. A pixel that
// never hits, or hits at its first square, gets entry 1.
int escherentry(const State& s, double x, double y) {
    int n = 0;
    double size = 0.0;
    while (size <= 4.0 && n < maxsquarings) {
        const double wx = (x + y) * (x - y);
        const double wy = 2.0 * x * y;
        size = wx * wx + wy * wy;
        if (targetset(s, scale * wx, scale * wy) == 0) return 4 * n + 1;
        x = wx;
        y = wy;
        n = n + 1;
    }
    return 1;
}

}  // namespace

int targetset(const State& s, double zx, double zy) {
    // The first step is always made: a start point beyond the bound escapes at
    // step 1 instead of passing for a member of the set.
    int n = 0;
    double size;
    do {
        const double x = zx, y = zy;
        zx = (x + y) * (x - y) + s.jcx;
        zy = 2.0 * x * y + s.jcy;
        size = zx * zx + zy * zy;
        n = n + 1;
    } while (size <= 4.0 && n < 64);
    return size > 4.0 ? n : 0;
}

int EscherJulia(App& app) {
    State& s = app.s;
    const Cursor previous = app.host.setcursor(Cursor::wait);

    // A row beyond the image, or a surface of another size, means the image size
    // changed while this one was paused: it can only start again from the top.
    if (s.j < 0 || s.j >= s.yres || app.g_vhdc.width() != s.xres || app.g_vhdc.height() != s.yres)
        s.j = 0;
    if (s.j == 0) {
        s.xside = s.exmax - s.exmin;
        s.yside = s.eymax - s.eymin;
        app.driver.takeaa();
        beginimage(app, grey);
    }

    // This image runs its rows up from the bottom edge of its view. With
    // anti-aliasing each pixel averages its samples as the other images do, sample
    // (a, b) at column i + (2a + 1) / (2n) - 1/2 and row j - (2b + 1) / (2n) + 1/2
    // counted the image's way up.
    const int n = app.driver.imageaa;
    double ys[App::Driver::maxaa];
    for (int b = 0; b < n; ++b) {
        const double row = s.j - (2 * b + 1) / (2.0 * n) + 0.5;
        ys[b] = s.eymin + row * s.yside / (s.yres - 1);
    }
    Rgb* out = app.g_vhdc.row(s.j);
    for (int i = 0; i < s.xres; ++i) {
        SampleSum sum;
        for (int b = 0; b < n; ++b) {
            const double y = ys[b];
            for (int a = 0; a < n; ++a) {
                const double column = i + (2 * a + 1) / (2.0 * n) - 0.5;
                const double x = s.exmin + column * s.xside / (s.xres - 1);
                const auto& e = s.palette[static_cast<std::size_t>(escherentry(s, x, y))];
                sum.add(e[0], e[1], e[2]);
            }
        }
        out[i] = sum.average(static_cast<unsigned>(n * n));
    }

    showrow(app, s.j);
    s.j = s.j + 1;
    if (s.j >= s.yres) {
        s.j = 0;
        s.okfractal = 0;
        endimage(app, previous);
    }
    return 0;
}

}  // namespace vantrel
