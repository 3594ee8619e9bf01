#include "render/colorlanes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "render/coloring.h"

namespace vantrel {
namespace {

// Ends of escaped orbits over the whole range the lanes meet: sizes from just past
// the limit to far beyond it (and below 1, for a limit that low), derivatives of
// every magnitude and sign, and some that no estimate can be made of.
LaneEnds randomends(std::mt19937_64& rng, int count) {
    std::uniform_real_distribution<double> unit(0, 1);
    const auto magnitude = [&](double lo, double hi) {
        return std::exp(lo + (hi - lo) * unit(rng));
    };
    const auto sign = [&] { return unit(rng) < 0.5 ? -1.0 : 1.0; };
    LaneEnds e;
    for (int i = 0; i < count; ++i) {
        const int kind = i % 8;
        double size = kind < 4   ? magnitude(std::log(2.0), std::log(1e6))
                      : kind < 6 ? magnitude(std::log(1e6), 690)
                                 : magnitude(-700, std::log(3.0));
        double dx = sign() * magnitude(-700, 700), dy = sign() * magnitude(-700, 700);
        if (kind == 1) dy = 0;
        if (kind == 2) dx = sign() * magnitude(-5, 30), dy = sign() * magnitude(-5, 30);
        if (i % 97 == 0) size = std::numeric_limits<double>::infinity();
        if (i % 89 == 0) dx = std::numeric_limits<double>::quiet_NaN();
        e.n.push_back(1 + i % 300);
        e.size.push_back(size);
        e.dx.push_back(dx);
        e.dy.push_back(dy);
        e.overflowed.push_back(i % 13 == 0 ? 1 : 0);
    }
    return e;
}

// The bounds hold the estimate the colorings make, in both orders of its products,
// wherever they are given; they are given for nearly every pixel with a normal
// estimate, the largest lower end comes back, and no bound is given for a pixel
// that did not escape or overflowed. The entries the lanes settle are the
// coloring's own, under scales and thresholds that put many estimates near the
// steps between entries.
TEST(ColorLanes, BoundsHoldTheEstimateAndEntriesAreTheColorings) {
    std::mt19937_64 rng(12345);
    for (int round = 0; round < 40; ++round) {
        Frame f;
        f.xres = 1000 + round;
        f.maxsize = round % 2 ? 2.0 : 1e-300;
        const LaneEnds e = randomends(rng, f.xres);
        std::vector<double> lo(e.n.size()), hi(e.n.size()), entry(e.n.size());
        const double floor = rangebounds(f, e, 0.5, lo.data(), hi.data());
        double largest = 0;
        int normal = 0, given = 0;
        for (std::size_t i = 0; i < e.n.size(); ++i) {
            const double m = e.dx[i] * e.dx[i] + e.dy[i] * e.dy[i];
            const double one = 2.0 * e.size[i] * std::log(e.size[i]) / std::sqrt(m);
            const double other = 2 * std::log(e.size[i]) * e.size[i] / std::sqrt(m);
            const bool escaped = !(e.size[i] <= f.maxsize) && e.overflowed[i] == 0;
            if (!escaped) {
                EXPECT_TRUE(std::isnan(lo[i]) && std::isnan(hi[i])) << i;
                continue;
            }
            const bool plain = std::abs(std::log(e.size[i])) > 0.5 &&
                               std::abs(std::log2(e.size[i])) < 800 && std::isnormal(one) &&
                               std::isnormal(m) && std::abs(std::log2(one)) < 800 &&
                               std::abs(std::log2(m)) < 800;
            normal += plain;
            if (std::isnan(lo[i])) continue;
            ++given;
            largest = std::max(largest, lo[i]);
            ASSERT_TRUE(lo[i] <= one && one <= hi[i] && lo[i] <= other && other <= hi[i])
                << i << ": size " << e.size[i] << " dx " << e.dx[i] << " dy " << e.dy[i];
            EXPECT_LT(hi[i] - lo[i], 0x1p-42 * lo[i]);
        }
        EXPECT_EQ(floor, largest);
        EXPECT_GE(given, normal);

        // Scales near the estimates themselves, and delta among them.
        f.outside = outside::distanceestimator;
        f.distmaxout = round % 5 == 0 ? 0 : std::exp(-20 + 40 * (round / 40.0));
        f.delta = round % 3 == 0 ? f.distmaxout / 256 * 3 : 1e-3;
        distanceentries(f, e, entry.data());
        int settled = 0, settleable = 0;
        for (std::size_t i = 0; i < e.n.size(); ++i) {
            if (!(e.size[i] > f.maxsize) && !std::isnan(e.size[i])) {
                EXPECT_EQ(entry[i], -1) << i;
                continue;
            }
            const double m = e.dx[i] * e.dx[i] + e.dy[i] * e.dy[i];
            const double one = 2 * std::log(e.size[i]) * e.size[i] / std::sqrt(m);
            settleable +=
                e.overflowed[i] != 0 || f.distmaxout == 0 ||
                (std::abs(std::log(e.size[i])) > 0.5 && std::abs(std::log2(e.size[i])) < 800 &&
                 std::isnormal(one) && std::isnormal(m) && std::abs(std::log2(one)) < 800 &&
                 std::abs(std::log2(m)) < 800 && one / f.distmaxout < 1e6);
            if (std::isnan(entry[i])) continue;
            ++settled;
            Orbit o;
            o.n = static_cast<int>(e.n[i]);
            o.size = e.size[i];
            o.dx = e.dx[i];
            o.dy = e.dy[i];
            o.dover = e.overflowed[i] != 0;
            o.lanederivative = true;
            f.palette = {};
            for (int k = 0; k < 256; ++k) {
                const auto c = [](int v) { return static_cast<unsigned char>(v); };
                f.palette[static_cast<std::size_t>(k)] = {c(k), c(255 - k), c(k / 2)};
            }
            const Channels want = outsidecolor(f, o);
            const Channels got = pal(f, static_cast<long long>(entry[i]));
            ASSERT_TRUE(want.r == got.r && want.g == got.g && want.b == got.b)
                << i << ": entry " << entry[i] << " size " << e.size[i] << " dx " << e.dx[i];
        }
        EXPECT_GE(settled, settleable * 99 / 100);
        EXPECT_GT(settleable, f.xres / 8);
    }
}

// Smoothing's colors from the lanes are the coloring's own, plain and under Height
// Field, for random palettes, escape limits and step counts, with sizes from just
// past the limit (the blend near 1) to far beyond it (the blend clamped at 0); the
// lanes settle nearly all of them.
TEST(ColorLanes, SmoothingColorsAreTheColorings) {
    std::mt19937_64 rng(777);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int round = 0; round < 24; ++round) {
        Frame f;
        f.xres = 997;
        f.outside = outside::smoothing;
        f.method = round % 2 ? coloringmethod::heightfield : coloringmethod::image;
        f.maxsize = round % 3 == 0 ? 2.0 : round % 3 == 1 ? 16.0 : 1e10;
        f.il = 1.0 / std::log(2.0);
        f.lpsm = std::log(std::log(f.maxsize));
        for (auto& e : f.palette)
            for (auto& c : e) c = static_cast<unsigned char>(rng() & 0xFF);
        LaneEnds e;
        for (int i = 0; i < f.xres; ++i) {
            // Past the limit by up to its own square, and then some; some inside.
            const double over = std::exp(unit(rng) * 2.2 * std::log(f.maxsize));
            e.n.push_back(static_cast<double>(rng() % 100000));
            e.size.push_back(i % 11 == 0 ? f.maxsize * unit(rng) : f.maxsize * over);
        }
        std::vector<double> color(static_cast<std::size_t>(f.xres));
        smoothingcolors(f, e, color.data());
        int settled = 0, escaped = 0;
        for (std::size_t i = 0; i < color.size(); ++i) {
            Orbit o;
            o.n = static_cast<int>(e.n[i]);
            o.size = e.size[i];
            if (!(o.size > f.maxsize)) {
                EXPECT_TRUE(std::isnan(color[i])) << i;
                continue;
            }
            ++escaped;
            if (std::isnan(color[i])) continue;
            ++settled;
            ASSERT_EQ(static_cast<Rgb>(color[i]), pixelcolor(f, o))
                << "round " << round << ", n " << o.n << ", size " << o.size;
        }
        EXPECT_GE(settled, escaped * 99 / 100);
    }
}

}  // namespace
}  // namespace vantrel
