#include "render/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "special/rays.h"

namespace vantrel {
namespace {

Frame angleframe(int ftype) {
    Frame f;
    f.ftype = ftype;
    f.maxsize = 16.0;
    f.jcx = -0.8;
    f.jcy = 0.156;
    return f;
}

// Escaped orbits at the points given, as the coloring sees them.
std::vector<Orbit> escapedat(const Frame& f, const std::vector<COMPLEX>& points) {
    std::vector<Orbit> v;
    for (const COMPLEX& p : points) {
        Orbit o;
        o.size = 1e10;  // escaped
        if (f.ftype == settype::mandelbrot)
            o.c = p;
        else
            o.jzx = p.x, o.jzy = p.y, o.c = {f.jcx, f.jcy};
        v.push_back(o);
    }
    return v;
}

// Every angle the lanes claim lies far inside the tolerance of the exact one; the
// ones they leave open are few.
void expectclose(const Frame& f, const std::vector<COMPLEX>& points, double openshare) {
    std::vector<Orbit> v = escapedat(f, points);
    externalangles(f, v.data(), static_cast<int>(v.size()));
    int open = 0;
    for (std::size_t k = 0; k < v.size(); ++k) {
        const double exact =
            f.ftype == settype::mandelbrot
                ? externalangle(settype::mandelbrot, points[k].x, points[k].y, f.jcx, f.jcy)
                : externalangle(settype::julia, points[k].x, points[k].y, f.jcx, f.jcy);
        if (v[k].anglefrom != AngleFrom::lanes) {
            ++open;
            continue;
        }
        ASSERT_NEAR(v[k].angle, exact, 1e-12) << points[k].x << ", " << points[k].y;
    }
    EXPECT_LE(open, openshare * static_cast<double>(v.size()));
}

TEST(ExternalAngles, CloseToTheExactRoutineEverywhere) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-2.5, 2.5);
    for (int ftype : {settype::mandelbrot, settype::julia}) {
        SCOPED_TRACE(ftype);
        std::vector<COMPLEX> points;
        for (int k = 0; k < 20000; ++k) points.push_back({u(rng), u(rng)});
        // On the axes, at zeros of both signs, next to 0 and far out.
        for (double t : {0.0, -0.0, 1e-7, -1e-7, 0.3, -0.75, 2.0, 1e3})
            for (double w : {0.0, -0.0, 0.5, -1e-9}) {
                points.push_back({t, w});
                points.push_back({w, t});
            }
        expectclose(angleframe(ftype), points, 0.005);
    }
}

TEST(ExternalAngles, OnlyEscapedOrbitsAndEveryCount) {
    const Frame f = angleframe(0);
    for (int count : {0, 1, 7, 9}) {
        std::vector<COMPLEX> points;
        for (int k = 0; k < count; ++k) points.push_back({1.0 + 0.1 * k, 0.5});
        std::vector<Orbit> v = escapedat(f, points);
        for (Orbit& o : v) o.anglefrom = AngleFrom::lanes;
        if (count > 0) v[0].size = 1.0;  // stayed: no angle
        externalangles(f, v.data(), count);
        for (int k = 0; k < count; ++k) EXPECT_EQ(v[k].anglefrom == AngleFrom::lanes, k != 0) << k;
    }
}

}  // namespace
}  // namespace vantrel
