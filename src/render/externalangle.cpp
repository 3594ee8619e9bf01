#include <cmath>

#include "render/angles.h"

namespace vantrel {

namespace {

constexpr double twopi = 6.283185307179586;

}  // namespace

void root(double x, double y, double* u, double* v) {
    const double m = std::sqrt(x * x + y * y);
    if (x > 0) {
        *u = std::sqrt((m + x) / 2);
        *v = y / (2 * *u);
    } else if (x < 0) {
        *v = std::sqrt((m - x) / 2);
        if (y < 0) *v = -*v;
        *u = y / (2 * *v);
    } else if (y >= 0) {
        *u = *v = std::sqrt(y / 2);
    } else {
        *u = std::sqrt(-y / 2);
        *v = -*u;
    }
}

double externalangle(int type, double x, double y, double jcx, double jcy) {
    return externalangle(type, x, y, jcx, jcy, nullptr, 0);
}

double externalangle(int type, double x, double y, double jcx, double jcy, const COMPLEX* known,
                     int count) {
    if (x * x + y * y < 1e-12) return y > 0 ? 0.25 : 0.75;
    const double a = type == 0 ? x : jcx;
    const double b = type == 0 ? y : jcy;
    double theta = std::atan2(y, x);
    // The fixed point alpha of z^2 + c: the orbit's argument jumps by a whole turn
    // where it passes through the triangle 0, c, alpha, and that jump is undone.
    double ru, rv;
    root(0.25 - a, -b, &ru, &rv);
    const double X = 0.5 - ru, Y = -rv;
    double s = 1, r = 0;
    for (int j = 1; j <= 63; ++j) {
        s = s / 2;
        r = x * x + y * y;
        if (r < 1e-12) return 0.0;
        const double wx = x * x - y * y, wy = 2 * x * y;
        if (j <= count) {
            x = known[j - 1].x;
            y = known[j - 1].y;
        } else {
            x = wx + a;
            y = wy + b;
        }
        double u = std::atan2(wx * y - wy * x, wx * x + wy * y);
        if ((y * a - x * b) * (Y * a - X * b) > 0 && (y * X - x * Y) * (b * X - a * Y) > 0 &&
            ((b - y) * (a - X) - (a - x) * (b - Y)) * (a * Y - b * X) > 0)
            u = u < 0 ? u + twopi : u - twopi;
        if (u > 3.6) u = u - twopi;
        if (u < -3.6) u = u + twopi;
        theta = theta + s * u;
        if (r > 1e18 * s) break;
    }
    if (r < 100.0) return 0.0;
    theta = theta * 0.15915494309189535;
    return theta - std::floor(theta);
}

double externalangle(const State& s, int type, double x, double y) {
    return externalangle(type, x, y, s.jcx, s.jcy);
}

}  // namespace vantrel
