#include "render/bla.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

COMPLEX times(COMPLEX a, COMPLEX b) {
    return {a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x};
}

double magnitude(COMPLEX a) {
    return std::hypot(a.x, a.y);
}

// An approximation whose coefficients are no numbers or too large holds nowhere.
LinearStep made(COMPLEX a, COMPLEX b, FloatExp radius) {
    const double limit = 0x1p900;
    if (!(magnitude(a) < limit && magnitude(b) < limit)) radius = {};
    return {a, b, radius.scaled(0), radius};
}

}  // namespace

BlaTable::BlaTable(const std::vector<COMPLEX>& orbit, int e, FloatExp dcmax, double maxsize)
    : dcmax_(dcmax) {
    const int count = static_cast<int>(orbit.size()) - 2;  // single steps m = 1 .. M-1
    if (count < 1) return;
    std::vector<std::vector<LinearStep>> levels;
    std::vector<LinearStep> single(static_cast<std::size_t>(count));
    const double guard = maxsize / 2;
    for (int m = 1; m <= count; ++m) {
        const COMPLEX big = orbit[static_cast<std::size_t>(m)];
        COMPLEX a{static_cast<double>(e), 0.0};
        for (int k = 1; k < e; ++k) a = times(a, big);
        // (Z + z)^e - Z^e = e Z^(e-1) z + binomial(e, 2) Z^(e-2) z^2 + ..., so the
        // dropped part stays below `approximationerror` times the kept one while
        // |z| < 2 |Z| approximationerror / (e - 1). The sum |Re z| + |Im z| that the
        // lookup compares is at least |z|.
        double r = 2 * magnitude(big) * approximationerror / (e - 1);
        // A step that lands near the escape limit is left to the single steps.
        if (!(magnitude(orbit[static_cast<std::size_t>(m) + 1]) <= guard)) r = 0;
        single[static_cast<std::size_t>(m - 1)] = made(a, {1.0, 0.0}, FloatExp::of(r));
    }
    levels.push_back(std::move(single));
    while (levels.back().size() >= 2) {
        const std::vector<LinearStep>& below = levels.back();
        std::vector<LinearStep> level(below.size() / 2);
        for (std::size_t j = 0; j < level.size(); ++j) {
            const LinearStep& x = below[2 * j];
            const LinearStep& y = below[2 * j + 1];
            // x first, then y: z <- Ay (Ax z + Bx dc) + By dc. y holds where x's
            // result is below Ry, that is for |z| < (Ry - |Bx| dcmax) / |Ax|.
            const COMPLEX bxy = times(y.a, x.b);
            const FloatExp ry =
                positivedifference(y.radius, dcmax * magnitude(x.b)) / magnitude(x.a);
            level[j] =
                made(times(y.a, x.a), {bxy.x + y.b.x, bxy.y + y.b.y}, std::min(x.radius, ry));
        }
        levels.push_back(std::move(level));
    }
    auto table = std::make_shared<Levels>();
    table->start.push_back(0);
    for (const std::vector<LinearStep>& level : levels) {
        table->steps.insert(table->steps.end(), level.begin(), level.end());
        table->start.push_back(table->steps.size());
    }
    const std::size_t firstlevel = levels.front().size();
    table->rowstart.reserve(firstlevel + 1);
    table->radii.reserve(2 * firstlevel + BlaTable::rowpadding);
    for (std::size_t j = 0; j < firstlevel; ++j) {
        table->rowstart.push_back(table->radii.size());
        for (std::size_t k = 0;
             k < levels.size() && (j >> k << k) == j && (j >> k) < levels[k].size(); ++k)
            table->radii.push_back(levels[k][j >> k].r);
    }
    table->rowstart.push_back(table->radii.size());
    table->radii.resize(table->radii.size() + BlaTable::rowpadding, 0.0);
    table_ = std::move(table);
}

}  // namespace vantrel
