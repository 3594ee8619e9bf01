// Highway's per-target compilation needs these first and in this order.
// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/estimatelanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>
#include "render/lanetypes-inl.h"
// clang-format on

#include "render/estimatelanes.h"

#include <cfloat>
#include <cmath>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

// Highway's logarithm errs by a few units in the last place, the C library's by one;
// the products and the quotient round each once more on either side: the two
// estimates differ by some 2^-49 of their size, well inside the 2^-44 given.
HWY_INLINE void bounds(D d, V size, V dx, V dy, V& lo, V& hi) {
    const V one = hn::Set(d, 1.0);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const M apart =
        hn::Or(hn::And(hn::Gt(size, hn::Set(d, 1.5)), hn::Lt(size, hn::Set(d, 0x1p900))),
               hn::And(hn::Lt(size, hn::Set(d, 0.75)), hn::Ge(size, hn::Set(d, DBL_MIN))));
    const V ln = hn::Log(d, hn::IfThenElse(apart, size, one));
    const V m = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
    const V dist = hn::Div(hn::Mul(hn::Mul(hn::Set(d, 2.0), ln), size), hn::Sqrt(m));
    // Far from both ends of the range, so that no rounding of the colorings' own
    // products leaves it.
    const M fine = hn::And(
        hn::And(apart, hn::And(hn::Ge(m, hn::Set(d, 0x1p-900)), hn::Le(m, hn::Set(d, 0x1p900)))),
        hn::And(hn::Ge(dist, hn::Set(d, 0x1p-900)), hn::Le(dist, hn::Set(d, 0x1p900))));
    lo = hn::IfThenElse(fine, hn::Mul(dist, hn::Set(d, 1 - 0x1p-44)), nan);
    hi = hn::IfThenElse(fine, hn::Mul(dist, hn::Set(d, 1 + 0x1p-44)), nan);
}

// Count values from each column, `lanes` at a time, with the last lanes past the
// end filled by `rest` (harmless values: no NaN, no trap), and what `put` makes of
// them stored back by pixel.
template <int Columns, class Make>
HWY_INLINE void bylanes(D d, int count, const double* const (&from)[Columns],
                        const double (&rest)[Columns], double* const* to, int outputs, Make make) {
    const int lanes = static_cast<int>(hn::Lanes(d));
    V in[Columns], out[2];
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        for (int c = 0; c < Columns; ++c) in[c] = hn::LoadU(d, from[c] + k);
        make(in, out);
        for (int o = 0; o < outputs; ++o) hn::StoreU(out[o], d, to[o] + k);
    }
    if (k == count) return;
    HWY_ALIGN double part[Columns][maxlanes], made[2][maxlanes];
    for (int c = 0; c < Columns; ++c) {
        for (int i = 0; i < lanes; ++i) part[c][i] = k + i < count ? from[c][k + i] : rest[c];
        in[c] = hn::Load(d, part[c]);
    }
    make(in, out);
    for (int o = 0; o < outputs; ++o) {
        hn::Store(out[o], d, made[o]);
        for (int i = 0; k + i < count; ++i) to[o][k + i] = made[o][i];
    }
}

void EstimateBounds(const double* size, const double* dx, const double* dy, int count, double* lo,
                    double* hi) {
    const D d;
    double* const to[2] = {lo, hi};
    bylanes<3>(d, count, {size, dx, dy}, {2.0, 1.0, 1.0}, to, 2, [d](const V(&in)[3], V(&out)[2]) {
        bounds(d, in[0], in[1], in[2], out[0], out[1]);
    });
}

// The vector twin of distanceentry (outside.cpp), for the bounds: an estimate below
// delta all through, or an image without a scale, leaves the entry at n; one at
// delta or above all through gives n + trunc(256 dist / distmaxout) where that is
// the same at both ends. The quotient and product there round once each, which the
// lanes' own product by 256 / distmaxout cannot tell apart from a relative 2^-48.
void DistanceEntries(const Frame& f, const LaneEnds& ends, double* entry) {
    const D d;
    const V maxsize = hn::Set(d, f.maxsize), delta = hn::Set(d, f.delta);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const bool scaled = f.distmaxout > 0;
    const V scale = hn::Set(d, scaled ? 256.0 / f.distmaxout : 0.0);
    const V down = hn::Set(d, 1 - 0x1p-48), up = hn::Set(d, 1 + 0x1p-48);
    const V most = hn::Set(d, 0x1p31), none = hn::Set(d, -1.0), zero = hn::Zero(d);
    double* const to[1] = {entry};
    bylanes<5>(
        d, f.xres,
        {ends.size.data(), ends.dx.data(), ends.dy.data(), ends.n.data(), ends.overflowed.data()},
        {2.0, 1.0, 1.0, 1.0, 0.0}, to, 1, [&](const V(&in)[5], V(&out)[2]) {
            V lo, hi;
            bounds(d, in[0], in[1], in[2], lo, hi);
            const V qlo = hn::Floor(hn::Mul(hn::Mul(lo, scale), down));
            const V qhi = hn::Floor(hn::Mul(hn::Mul(hi, scale), up));
            const M stays = hn::Lt(hn::Mul(hi, scale), most);
            const V k = hn::IfThenElse(hn::And(hn::Eq(qlo, qhi), stays), hn::Add(qlo, in[3]), nan);
            // Every escaped orbit keeps its band where it overflowed or the image has no scale.
            const M band = hn::Or(hn::Or(hn::Ne(in[4], zero), hn::Lt(hi, delta)),
                                  scaled ? hn::FirstN(d, 0) : hn::FirstN(d, hn::Lanes(d)));
            const V escaped =
                hn::IfThenElse(band, in[3], hn::IfThenElse(hn::Ge(lo, delta), k, nan));
            out[0] = hn::IfThenElse(hn::Le(in[0], maxsize), none, escaped);
        });
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(EstimateBounds);
HWY_EXPORT(DistanceEntries);

void estimatebounds(const double* size, const double* dx, const double* dy, int count, double* lo,
                    double* hi) {
    HWY_DYNAMIC_DISPATCH(EstimateBounds)(size, dx, dy, count, lo, hi);
}

void distanceentries(const Frame& f, const LaneEnds& ends, double* entry) {
    HWY_DYNAMIC_DISPATCH(DistanceEntries)(f, ends, entry);
}

}  // namespace vantrel
#endif
