// Highway's per-target compilation needs these first and in this order.
// clang-format off
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/colorlanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>
#include "render/lanetypes-inl.h"
// clang-format on

#include "render/colorlanes.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

// 1 / b for b within single precision's range, from its estimate and three Newton
// steps: within a few units of 2^-52 of it. (The divider would take longer than all
// the rest of the bounds.)
HWY_INLINE V reciprocal(D d, V b) {
    const hn::Rebind<float, D> df;
    const V one = hn::Set(d, 1.0);
    V r = hn::PromoteTo(d, hn::ApproximateReciprocal(hn::DemoteTo(df, b)));
    for (int k = 0; k < 3; ++k) r = hn::MulAdd(r, hn::NegMulAdd(b, r, one), r);
    return r;
}

// 1 / sqrt(m) for a normal m: m = 2^2k t with t in [1, 4), and 2^-k / sqrt(t) from
// single precision's estimate and three Newton steps, within a few units of 2^-52.
HWY_INLINE V reciprocalroot(D d, V m) {
    const DI di;
    const hn::Rebind<float, D> df;
    const VI bits = hn::BitCast(di, m);
    const VI k = hn::ShiftRight<1>(hn::Sub(hn::ShiftRight<52>(bits), hn::Set(di, 1023)));
    const V t = hn::BitCast(d, hn::Sub(bits, hn::ShiftLeft<53>(k)));
    const V one = hn::Set(d, 1.0), half = hn::Set(d, 0.5);
    V r = hn::PromoteTo(d, hn::ApproximateReciprocalSqrt(hn::DemoteTo(df, t)));
    for (int i = 0; i < 3; ++i)
        r = hn::MulAdd(hn::Mul(r, half), hn::NegMulAdd(t, hn::Mul(r, r), one), r);
    return hn::Mul(r, hn::BitCast(d, hn::ShiftLeft<52>(hn::Sub(hn::Set(di, 1023), k))));
}

// ln x for a normal x, as Highway's logarithm makes it (musl's) but for its one
// quotient, taken from the reciprocal above: within some 2^-50 of its size where x
// is not near 1.
HWY_INLINE V logarithm(D d, V x) {
    const DI di;
    const VI magic = hn::Set(di, 0x3FE6A09E00000000LL);
    const VI bits = hn::Add(hn::BitCast(di, x), hn::Sub(hn::Set(di, 0x3FF0000000000000LL), magic));
    const V e = hn::ConvertTo(d, hn::Sub(hn::ShiftRight<52>(bits), hn::Set(di, 0x3FF)));
    const V y =
        hn::Or(hn::And(x, hn::BitCast(d, hn::Set(di, 0xFFFFFFFFLL))),
               hn::BitCast(d, hn::Add(hn::And(bits, hn::Set(di, 0xFFFFF00000000LL)), magic)));
    const V one = hn::Set(d, 1.0);
    const V ym1 = hn::Sub(y, one);
    const V z = hn::Mul(ym1, reciprocal(d, hn::Add(y, one)));
    hn::impl::LogImpl<double> impl;
    return hn::MulSub(e, hn::Set(d, 0.693147180369123816490),
                      hn::Sub(hn::MulSub(z, hn::Sub(ym1, impl.LogPoly(d, z)),
                                         hn::Mul(e, hn::Set(d, 1.90821492927058770002e-10))),
                              ym1));
}

// The logarithm above and the C library's differ by some 2^-49 of their size for a
// size not near 1, the reciprocal root and sqrt's quotient by a few units of 2^-52,
// and the products round each once more on either side: the estimates differ by
// well under 2^-46 of their size, inside the 2^-44 given.
HWY_INLINE void bounds(D d, V size, V dx, V dy, V& lo, V& hi) {
    const V one = hn::Set(d, 1.0);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const M apart =
        hn::Or(hn::And(hn::Gt(size, hn::Set(d, 1.5)), hn::Lt(size, hn::Set(d, 0x1p900))),
               hn::And(hn::Lt(size, hn::Set(d, 0.75)), hn::Ge(size, hn::Set(d, DBL_MIN))));
    const V ln = logarithm(d, hn::IfThenElse(apart, size, one));
    const V m = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
    // Far from both ends of the range, so that no rounding of the colorings' own
    // products leaves it.
    const M normal = hn::And(hn::Ge(m, hn::Set(d, 0x1p-900)), hn::Le(m, hn::Set(d, 0x1p900)));
    const V dist = hn::Mul(hn::Mul(hn::Mul(hn::Set(d, 2.0), ln), size),
                           reciprocalroot(d, hn::IfThenElse(normal, m, one)));
    const M fine = hn::And(hn::And(apart, normal), hn::And(hn::Ge(dist, hn::Set(d, 0x1p-900)),
                                                           hn::Le(dist, hn::Set(d, 0x1p900))));
    lo = hn::IfThenElse(fine, hn::Mul(dist, hn::Set(d, 1 - 0x1p-44)), nan);
    hi = hn::IfThenElse(fine, hn::Mul(dist, hn::Set(d, 1 + 0x1p-44)), nan);
}

// Count values from each column, `lanes` at a time, with the last lanes past the
// end filled by `rest` (harmless values: no NaN, no trap), and what `make` makes of
// them (given the index of the first) stored back by pixel.
template <int Columns, class Make>
HWY_INLINE void bylanes(D d, int count, const double* const (&from)[Columns],
                        const double (&rest)[Columns], double* const* to, int outputs, Make make) {
    const int lanes = static_cast<int>(hn::Lanes(d));
    V in[Columns], out[2];
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        for (int c = 0; c < Columns; ++c) in[c] = hn::LoadU(d, from[c] + k);
        make(k, in, out);
        for (int o = 0; o < outputs; ++o) hn::StoreU(out[o], d, to[o] + k);
    }
    if (k == count) return;
    HWY_ALIGN double part[Columns][maxlanes], made[2][maxlanes];
    for (int c = 0; c < Columns; ++c) {
        for (int i = 0; i < lanes; ++i) part[c][i] = k + i < count ? from[c][k + i] : rest[c];
        in[c] = hn::Load(d, part[c]);
    }
    make(k, in, out);
    for (int o = 0; o < outputs; ++o) {
        hn::Store(out[o], d, made[o]);
        for (int i = 0; k + i < count; ++i) to[o][k + i] = made[o][i];
    }
}

double RangeBounds(const Frame& f, const LaneEnds& ends, double rowy, double* lo, double* hi) {
    const D d;
    const V maxsize = hn::Set(d, f.maxsize), zero = hn::Zero(d);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const bool julia = f.ftype != settype::mandelbrot;
    const V y2 = hn::Set(d, rowy * rowy);
    V floor = zero;
    double* const to[2] = {lo, hi};
    bylanes<4>(
        d, f.xres, {ends.size.data(), ends.dx.data(), ends.dy.data(), ends.overflowed.data()},
        {2.0, 1.0, 1.0, 0.0}, to, 2, [&](int k, const V(&in)[4], V(&out)[2]) {
            bounds(d, in[0], in[1], in[2], out[0], out[1]);
            M kept = hn::And(hn::Not(hn::Le(in[0], maxsize)), hn::Eq(in[3], zero));
            if (julia) {
                // x as columnx makes it for a pixel's one sample.
                const V column = hn::Add(hn::Set(d, static_cast<double>(k)), hn::Iota(d, 0.0));
                const V x = hn::Add(hn::Div(hn::Mul(column, hn::Set(d, f.xside)),
                                            hn::Set(d, static_cast<double>(f.xres - 1))),
                                    hn::Set(d, f.xmin));
                kept = hn::And(kept, hn::Le(hn::Sqrt(hn::Add(hn::Mul(x, x), y2)), maxsize));
            }
            out[0] = hn::IfThenElse(kept, out[0], nan);
            out[1] = hn::IfThenElse(kept, out[1], nan);
            floor = hn::Max(floor, hn::IfThenElse(hn::Gt(out[0], zero), out[0], zero));
        });
    return hn::GetLane(hn::MaxOfLanes(d, floor));
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
        {2.0, 1.0, 1.0, 1.0, 0.0}, to, 1, [&](int, const V(&in)[5], V(&out)[2]) {
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

// The palette's channels as doubles, made again only for another palette.
struct PaletteChannels {
    Palette palette{};
    bool made = false;
    HWY_ALIGN double channel[3][256];
};
const PaletteChannels& palettechannels(const Frame& f) {
    thread_local PaletteChannels p;
    if (!p.made || std::memcmp(&p.palette, &f.palette, sizeof f.palette) != 0) {
        p.palette = f.palette;
        p.made = true;
        for (int k = 0; k < 256; ++k)
            for (int c = 0; c < 3; ++c) p.channel[c][k] = f.palette[static_cast<std::size_t>(k)][c];
    }
    return p;
}

// Smoothing's colors: the vector twin of smoothing (outside.cpp) at both ends of
// fx's bounds, and of finishcolor (escape.cpp). The lanes' and the C library's
// logarithms of ln(size) differ by some 2^-49 of their size (at least 0.09 here),
// and their logarithms by that much more: fx differs by well under `hair` from the
// coloring's. Each channel only grows, or only falls, with fx: where it is the same
// at both ends, it is the coloring's.
void SmoothingColors(const Frame& f, const LaneEnds& ends, double* color) {
    const D d;
    const DI di;
    const V maxsize = hn::Set(d, f.maxsize), one = hn::Set(d, 1.0), zero = hn::Zero(d);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    const V il = hn::Set(d, f.il), base = hn::Set(d, f.il * f.lpsm + 1);
    const V bands = hn::Set(d, 255.0);
    const bool grey = f.method == coloringmethod::heightfield;
    const PaletteChannels& p = palettechannels(f);
    double* const to[1] = {color};
    bylanes<2>(
        d, f.xres, {ends.size.data(), ends.n.data()}, {2.0, 1.0}, to, 1,
        [&](int, const V(&in)[2], V(&out)[2]) {
            const V size = in[0], n = in[1];
            const M fine =
                hn::And(hn::And(hn::Gt(size, hn::Set(d, 1.1)), hn::Lt(size, hn::Set(d, 0x1p900))),
                        hn::Not(hn::Le(size, maxsize)));
            const V inner = logarithm(d, hn::IfThenElse(fine, size, hn::Set(d, 2.0)));
            const V ll = logarithm(d, inner);
            const V fx = hn::Sub(base, hn::Mul(il, ll));
            const V hair = hn::Mul(hn::Set(d, 0x1p-40),
                                   hn::Add(hn::Add(one, hn::Abs(base)),
                                           hn::Mul(hn::Abs(il), hn::Add(one, hn::Abs(ll)))));
            const auto clamp = [&](V v) { return hn::Min(hn::Max(v, zero), one); };
            const V low = clamp(hn::Sub(fx, hair)), high = clamp(hn::Add(fx, hair));
            // level(n) = n rem 255 + 1, and the entry after it (the last band
            // is flat).
            V r = hn::Sub(n, hn::Mul(bands, hn::Floor(hn::Mul(n, hn::Set(d, 1.0 / 255)))));
            r = hn::IfThenElse(hn::Lt(r, zero), hn::Add(r, bands), r);
            r = hn::IfThenElse(hn::Ge(r, bands), hn::Sub(r, bands), r);
            const V k = hn::Add(r, one);
            const VI at = hn::ConvertTo(di, k);
            const VI next = hn::ConvertTo(di, hn::IfThenElse(hn::Eq(k, bands), k, hn::Add(k, one)));
            M same = fine;
            V ch[3];
            for (int c = 0; c < 3; ++c) {
                const V lo = hn::GatherIndex(d, p.channel[c], at);
                const V step = hn::Sub(hn::GatherIndex(d, p.channel[c], next), lo);
                ch[c] = hn::Trunc(hn::Add(hn::Mul(step, low), lo));
                same = hn::And(same, hn::Eq(ch[c], hn::Trunc(hn::Add(hn::Mul(step, high), lo))));
            }
            if (grey) {
                // (r 30 / 100 + g 59 / 100 + b 11 / 100) & 0xFF in whole numbers:
                // each quotient's product by 0.01 rounds to no whole number it
                // does not reach, and the sum stays below 256.
                const V cent = hn::Set(d, 0.01);
                const auto part = [&](V v, double w) {
                    return hn::Floor(hn::Mul(hn::Mul(v, hn::Set(d, w)), cent));
                };
                ch[0] = ch[1] = ch[2] =
                    hn::Add(hn::Add(part(ch[0], 30), part(ch[1], 59)), part(ch[2], 11));
            }
            const V packed = hn::Add(hn::Set(d, 4278190080.0),
                                     hn::Add(hn::Mul(ch[0], hn::Set(d, 65536.0)),
                                             hn::Add(hn::Mul(ch[1], hn::Set(d, 256.0)), ch[2])));
            out[0] = hn::IfThenElse(same, packed, nan);
        });
}

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace vantrel {

HWY_EXPORT(RangeBounds);
HWY_EXPORT(DistanceEntries);
HWY_EXPORT(SmoothingColors);

double rangebounds(const Frame& f, const LaneEnds& ends, double rowy, double* lo, double* hi) {
    return HWY_DYNAMIC_DISPATCH(RangeBounds)(f, ends, rowy, lo, hi);
}

void distanceentries(const Frame& f, const LaneEnds& ends, double* entry) {
    HWY_DYNAMIC_DISPATCH(DistanceEntries)(f, ends, entry);
}

void smoothingcolors(const Frame& f, const LaneEnds& ends, double* color) {
    HWY_DYNAMIC_DISPATCH(SmoothingColors)(f, ends, color);
}

}  // namespace vantrel
#endif
