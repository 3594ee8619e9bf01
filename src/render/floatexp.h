#pragma once

#include <algorithm>
#include <cmath>

namespace vantrel {

// A non-negative real as a double mantissa and a power of two of its own, m 2^e with
// m 0 or in [0.5, 1): for the sizes of a deep view's offsets and of the radii they
// are held to, which leave the range of doubles past a pixel spacing of about 1e-308.
struct FloatExp {
    double m = 0;
    long e = 0;

    static FloatExp of(double v, long e = 0) {
        int k = 0;
        const double f = std::frexp(std::fabs(v), &k);
        return f == 0 || !std::isfinite(f) ? FloatExp{} : FloatExp{f, e + k};
    }
    // The value times 2^s as a double (0 or infinity where it leaves their range).
    double scaled(long s) const {
        return m == 0 ? 0.0 : std::ldexp(m, static_cast<int>(std::clamp(e + s, -4000L, 4000L)));
    }
};

inline FloatExp operator*(FloatExp a, double b) {
    return FloatExp::of(a.m * b, a.e);
}

inline FloatExp operator/(FloatExp a, double b) {
    return FloatExp::of(a.m / b, a.e);
}

inline bool operator<(FloatExp a, FloatExp b) {
    if (a.m == 0 || b.m == 0) return b.m != 0;
    return a.e != b.e ? a.e < b.e : a.m < b.m;
}

// a - b where a exceeds b, else 0.
inline FloatExp positivedifference(FloatExp a, FloatExp b) {
    if (!(b < a)) return {};
    if (b.m == 0 || a.e - b.e > 64) return a;
    return FloatExp::of(a.m - std::ldexp(b.m, static_cast<int>(b.e - a.e)), a.e);
}

}  // namespace vantrel
