#include "special/julia.h"

#include <cmath>

#include "render/complex.h"

namespace vantrel {

void julia(App& app) {
    State& s = app.s;
    Surface& v = app.g_vhdc;
    constexpr int last = previewsize - 1;
    // Top, right and bottom; the left side stays open, and the end point of a
    // polyline is not drawn, so (0, 149) keeps what was there.
    v.polyline({{0, 0}, {last, 0}, {last, last}, {0, last}}, white);

    const COMPLEX c{s.tjcx, s.tjcy};
    for (int j = 1; j < last; ++j) {
        for (int i = 1; i < last; ++i) {
            COMPLEX z{-2.0 + 4.0 * i / last, -2.0 + 4.0 * (last - j) / last};
            int n = 0;
            while (std::sqrt(z.x * z.x + z.y * z.y) <= 4.0 && n < 128) {
                complex_power(z, s.exponent, &z);
                z.x += c.x;
                z.y += c.y;
                ++n;
            }
            if (std::sqrt(z.x * z.x + z.y * z.y) > 4.0) {
                const auto& e = s.palette[n + 4];
                v.setpixel(i, j, rgb(e[0], e[1], e[2]));
            } else {
                v.setpixel(i, j, black);
            }
        }
    }

    const Rect corner{0, 0, previewsize, previewsize};
    app.window.copy(v, corner, 0, 0);
    app.host.present(corner);
    s.okjulia = juliapreview::shown;
}

}  // namespace vantrel
