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

// Coefficients of this size or more make no approximation.
constexpr double coefficientlimit = 0x1p900;

// An approximation whose coefficients are no numbers or too large holds nowhere.
LinearStep made(COMPLEX a, COMPLEX b, FloatExp radius) {
    if (!(magnitude(a) < coefficientlimit && magnitude(b) < coefficientlimit)) radius = {};
    return {a, b, radius.scaled(0), radius};
}

// Upper and lower bounds on a result rounded to nearest from a few roundings.
double up(double v) {
    return v * (1 + 0x1p-40);
}
double down(double v) {
    return v * (1 - 0x1p-40);
}

// A bound sum k[i] s^i, for s up to some reach.
struct Cubic {
    double k[4] = {};
};

Cubic operator+(Cubic a, Cubic b) {
    for (int i = 0; i < 4; ++i) a.k[i] = up(a.k[i] + b.k[i]);
    return a;
}

Cubic operator*(double f, Cubic a) {
    for (double& k : a.k) k = up(f * k);
    return a;
}

// The product, with s^4 and above folded into s^3 by s <= reach.
Cubic product(Cubic a, Cubic b, double reach) {
    double p[7] = {};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) p[i + j] = up(p[i + j] + up(a.k[i] * b.k[j]));
    Cubic c;
    for (int i = 0; i < 4; ++i) c.k[i] = p[i];
    double power = reach;
    for (int d = 4; d < 7; ++d, power = up(power * reach)) c.k[3] = up(c.k[3] + up(p[d] * power));
    return c;
}

double at(const Cubic& a, double s) {
    double t = up(up(a.k[3] * s) + a.k[2]);
    t = up(up(t * s) + a.k[1]);
    return up(up(t * s) + a.k[0]);
}

// The wide single step of z^2 + c from Z_m, z <- 2 Z_m z + dc + z^2, is exact: it
// leaves out nothing, for every z; its reach is set at twice the lookup radius, so
// that the steps merged from it hold a little past their own radii too.
WideStep widesingle(COMPLEX big, COMPLEX a, bool nearescape) {
    const double r = nearescape ? 0.0 : 2 * magnitude(big) * wideerror;
    return {r, up(magnitude(a)), {1.0, 0.0}, 1.0, 0.0, 0.0, 0.0, 0.0, 2 * r};
}

// x first, then y, for |dc| <= dc. x's result is w = ax z + v with
// v = bx dc + cx z^2 + (what x leaves out), so y's square term cy w^2 keeps
// cy ax^2 z^2 and leaves out cy (2 ax z v + v^2); with y's own left-out part at w
// and ay times x's, that is the whole left out. For |z| <= s <= x's reach, |v| is at
// most V(s) = |bx| dc + |cx| s^2 + x's bound and |w| at most |ax| s + V(s). The
// whole holds where that stays within y's reach.
WideStep widemerged(const LinearStep& x, const WideStep& wx, const LinearStep& y,
                    const WideStep& wy, double dc, const LinearStep& merged) {
    const Cubic xbound{{wx.k0, wx.k1, wx.k2, wx.k3}};
    const double reach = wx.reach;
    const Cubic v = Cubic{{up(up(magnitude(x.b)) * dc), 0.0, wx.csize, 0.0}} + xbound;
    const Cubic linear{{0.0, wx.asize, 0.0, 0.0}};
    const Cubic w = linear + v;
    const Cubic w2 = product(w, w, reach);
    const Cubic square = product(2.0 * linear, v, reach) + product(v, v, reach);
    const Cubic left = wy.asize * xbound + wy.csize * square + wy.k3 * product(w2, w, reach) +
                       wy.k2 * w2 + wy.k1 * w + Cubic{{wy.k0, 0.0, 0.0, 0.0}};
    WideStep out;
    out.asize = up(magnitude(merged.a));
    const COMPLEX ax2 = times(x.a, x.a), ycx = times(y.a, wx.c), cyax2 = times(wy.c, ax2);
    out.c = {ycx.x + cyax2.x, ycx.y + cyax2.y};
    out.csize = up(magnitude(out.c));
    out.k3 = left.k[3];
    out.k2 = left.k[2];
    out.k1 = left.k[1];
    out.k0 = left.k[0];
    // Within x's reach, and where |w| stays within y's: halved until it does.
    out.reach = reach;
    for (int k = 0; k < 64 && !(at(w, out.reach) <= wy.reach); ++k) out.reach /= 2;
    if (!(at(w, out.reach) <= wy.reach)) out.reach = 0;
    const double ry = (wy.r - magnitude(x.b) * dc) / wx.asize;
    out.r = std::min({wx.r, down(ry), out.reach / 2});
    const bool finite = std::isfinite(out.k3) && std::isfinite(out.k2) && std::isfinite(out.k1) &&
                        std::isfinite(out.k0) && std::isfinite(out.csize);
    const bool held =
        magnitude(merged.a) < coefficientlimit && magnitude(merged.b) < coefficientlimit;
    if (!(out.r > 0 && out.reach > 0 && finite && held)) out.r = out.reach = 0;
    return out;
}

}  // namespace

BlaTable::BlaTable(const std::vector<COMPLEX>& orbit, int e, FloatExp dcmax, double maxsize)
    : dcmax_(dcmax) {
    const int count = static_cast<int>(orbit.size()) - 2;  // single steps m = 1 .. M-1
    if (count < 1) return;
    std::vector<std::vector<LinearStep>> levels;
    std::vector<std::vector<WideStep>> wides;  // level by level, as `levels`
    std::vector<LinearStep> single(static_cast<std::size_t>(count));
    std::vector<WideStep> widesingles;
    const double guard = maxsize / 2;
    // The wide steps' bounds take |dc| as a double.
    const double dc = up(dcmax.scaled(0));
    const bool wide = e == 2 && (dcmax.m == 0 || dc >= 0x1p-1000);
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
        const bool nearescape = !(magnitude(orbit[static_cast<std::size_t>(m) + 1]) <= guard);
        if (nearescape) r = 0;
        single[static_cast<std::size_t>(m - 1)] = made(a, {1.0, 0.0}, FloatExp::of(r));
        if (wide) widesingles.push_back(widesingle(big, a, nearescape));
    }
    levels.push_back(std::move(single));
    if (wide) wides.push_back(std::move(widesingles));
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
        if (wide) {
            const std::vector<WideStep>& widebelow = wides.back();
            std::vector<WideStep> widelevel(level.size());
            for (std::size_t j = 0; j < level.size(); ++j)
                widelevel[j] = widemerged(below[2 * j], widebelow[2 * j], below[2 * j + 1],
                                          widebelow[2 * j + 1], dc, level[j]);
            wides.push_back(std::move(widelevel));
        }
        levels.push_back(std::move(level));
    }
    auto table = std::make_shared<Levels>();
    table->start.push_back(0);
    for (const std::vector<LinearStep>& level : levels) {
        table->steps.insert(table->steps.end(), level.begin(), level.end());
        table->start.push_back(table->steps.size());
    }
    for (const std::vector<WideStep>& level : wides)
        table->wide.insert(table->wide.end(), level.begin(), level.end());
    const std::size_t firstlevel = levels.front().size();
    table->rowstart.reserve(firstlevel + 1);
    table->radii.reserve(2 * firstlevel + BlaTable::rowpadding);
    for (std::size_t j = 0; j < firstlevel; ++j) {
        table->rowstart.push_back(table->radii.size());
        for (std::size_t k = 0;
             k < levels.size() && (j >> k << k) == j && (j >> k) < levels[k].size(); ++k) {
            table->radii.push_back(levels[k][j >> k].r);
            if (wide) table->wideradii.push_back(wides[k][j >> k].r);
        }
    }
    table->rowstart.push_back(table->radii.size());
    table->radii.resize(table->radii.size() + BlaTable::rowpadding, 0.0);
    if (wide) table->wideradii.resize(table->radii.size(), 0.0);
    table_ = std::move(table);
}

}  // namespace vantrel
