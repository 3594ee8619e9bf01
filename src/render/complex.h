#pragma once

namespace vantrel {

struct COMPLEX {
    double x;
    double y;
};

// base^exp by squaring and multiplying, exponent bits from the low end. Every power
// of the renderers goes through here, the square included, so that all of them round
// alike; it lives in the header so that a constant exponent unrolls.
inline int complex_power(COMPLEX base, int exp, COMPLEX* result) {
    double xt = base.x, yt = base.y;
    double rx = 1.0, ry = 0.0;
    if (exp & 1) {
        rx = base.x;
        ry = base.y;
    }
    exp >>= 1;
    while (exp != 0) {
        const double t = xt * xt - yt * yt;
        yt = 2.0 * xt * yt;
        xt = t;
        if (exp & 1) {
            const double u = xt * rx - yt * ry;
            ry = ry * xt + yt * rx;
            rx = u;
        }
        exp >>= 1;
    }
    result->x = rx;
    result->y = ry;
    return 0;
}

// Inversion in the circle of the given radius about the origin: the argument stays,
// the modulus r becomes radius^2 / r. The origin stays where it is.
void invert(double* x, double* y, double radius);

}  // namespace vantrel
