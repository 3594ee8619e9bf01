#include "special/distance.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

int maxdistance(App& app, double* out, double* in) {
    State& s = app.s;
    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;
    const double delta = s.xside / s.xres * State::threshold;
    *out = *in = 0.0;
    const std::size_t len = static_cast<std::size_t>(std::max(s.maxiter, 0)) + 1;
    if (s.xorbit.size() < len) s.xorbit.resize(len);
    if (s.yorbit.size() < len) s.yorbit.resize(len);
    double* xo = s.xorbit.data();
    double* yo = s.yorbit.data();
    xo[0] = yo[0] = 0.0;

    for (int j = 0; j < s.yres; ++j) {
        const double y = s.ymin + (s.yres - j - 1) * s.yside / (s.yres - 1);
        for (int i = 0; i < s.xres; ++i) {
            const double x = s.xmin + i * s.xside / (s.xres - 1);
            double zx = 0, zy = 0, cx = x, cy = y;
            if (s.ftype != 0) {
                zx = x;
                zy = y;
                cx = s.jcx;
                cy = s.jcy;
            }
            int n = 0;
            double modz = std::sqrt(zx * zx + zy * zy);
            while (modz <= s.maxsize && n < s.maxiter) {
                const double t = (zx + zy) * (zx - zy) + cx;
                zy = 2.0 * zx * zy + cy;
                zx = t;
                ++n;
                xo[n] = zx;
                yo[n] = zy;
                modz = std::sqrt(zx * zx + zy * zy);
            }
            // An orbit that overflowed has escaped as surely as one past maxsize.
            const bool escaped = !(modz <= s.maxsize);
            double xder = 0, yder = 0;
            bool overflowed = false;
            for (int m = 0; m < n; ++m) {
                const double t = 2.0 * (xo[m] * xder - yo[m] * yder) + 1.0;
                yder = 2.0 * (xo[m] * yder + yo[m] * xder);
                xder = t;
                if (escaped && std::max(std::abs(xder), std::abs(yder)) > State::overflow) {
                    overflowed = true;
                    break;
                }
            }
            Rgb color = black;
            if (escaped && overflowed) {
                color = white;
            } else {
                const double dist = 2.0 * modz * std::log(modz) / std::sqrt(xder * xder + yder * yder);
                // 0 * ln 0 at an orbit resting on 0, or an overflowed orbit, gives no
                // estimate at all; it must not set the scale of the whole image.
                const bool valid = std::isfinite(dist);
                if (escaped) {
                    if (valid && dist > *out) *out = dist;
                    if (dist < delta) color = white;
                } else if (valid && dist < *in) {
                    *in = dist;
                }
            }
            if (i < s.ClientRes.right && j < s.ClientRes.bottom) app.window.setpixel(i, j, color);
        }
    }
    app.host.present({0, 0, std::min(s.xres, s.ClientRes.right), std::min(s.yres, s.ClientRes.bottom)});
    app.host.pause(500);
    return 0;
}

}  // namespace vantrel
