#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "render/complex.h"
#include "render/floatexp.h"

namespace vantrel {

// A bilinear approximation of `length` steps of a perturbed orbit from reference
// index m: z_(m+length) = a z_m + b dc, good to a relative `approximationerror`
// while |z_m| < radius (measured as |Re z| + |Im z|, which is at least |z|); r is
// the radius as a double, 0 where it is below their range.
struct LinearStep {
    COMPLEX a, b;
    double r;
    FloatExp radius;
};

// The dropped nonlinear part of every single step, relative to the kept linear
// part, that an approximation may carry: half a unit in a double's last place, so
// that an approximated step errs no more than the rounding of a single one. Against
// the oracle comparisons 2^-24 (single precision's choice) changes an escape step
// of z^5 at 1e-50, while 2^-32 and 2^-40 pass every scene; 2^-53 keeps a margin of
// 2^21 on the loosest value seen to pass.
constexpr double approximationerror = 0x1p-53;

// The wide approximations of z^2 + c: z <- a z + b dc + c z^2, the linear step
// with its square term kept, so that what they leave out is of the third order in
// the offset. That lets their radii start from 2^-16 of |Z|: far longer steps for
// offsets past 2^-53 of the orbit. Each comes with a bound on what it leaves out:
// at most ((k3 s + k2) s + k1) s + k0 for any s with |z| <= s <= reach (dc
// within the table's bound), so that a pixel can carry a bound on how far its
// offset may lie from the one single steps would give; where that bound leaves an
// escape test in doubt, the pixel is taken again with the approximations above.
// At the two public benchmark locations of the peers (5e113 and 1e50), first
// radii from 2^-10 to 2^-20 ran within 10 % of each other, and a second, narrower
// set for the pixels in doubt gained nothing; 2^-24 took half as long again, and
// linear steps with a bound (no square term) twice as long at 1e50, where most
// orbits linger for thousands of steps near a point that grows any error a
// trillionfold.
constexpr double wideerror = 0x1p-16;
struct WideStep {
    double r;      // the lookup radius, as LinearStep::r (0: none)
    double asize;  // |a|, rounded up
    COMPLEX c;     // the square's coefficient
    double csize;  // |c|, rounded up
    double k3, k2, k1, k0;
    double reach;
};

// The approximations of one reference orbit Z_0 .. Z_M of z^e + c: single steps
// z <- e Z_m^(e-1) z + dc from every m in 1 .. M-1, and pairs of neighbours merged
// level by level, level k holding the steps of 2^k from m = 1 + j 2^k. O(M) entries.
// `dcmax` bounds |dc| over the image (0 for a Julia set, whose pixels share c);
// coefficients of 2^900 or more make no approximation, so that a scaled offset
// below 2^64 times them stays within doubles;
// `maxsize` is the escape limit: no approximation passes over a step where the
// orbit could come near it, so escapes are always found by a single step.
class BlaTable {
  public:
    BlaTable() = default;
    BlaTable(const std::vector<COMPLEX>& orbit, int e, FloatExp dcmax, double maxsize);

    // The longest approximation from reference index m that holds for an offset z
    // and makes at most `room` steps; null where none does.
    const LinearStep* longest(int m, COMPLEX z, int room, int* length) const {
        const double size = sizeof1(z);
        return find(m, room, length, [size](const LinearStep& s) { return size < s.r; });
    }
    // The same for the offset z 2^ze.
    const LinearStep* longestscaled(int m, COMPLEX z, long ze, int room, int* length) const {
        const double size = sizeof1(z);
        return find(m, room, length,
                    [size, ze](const LinearStep& s) { return size < s.radius.scaled(-ze); });
    }
    // The same among the wide approximations, with the bound of the step found.
    const LinearStep* longestwide(int m, COMPLEX z, int room, int* length,
                                  const WideStep** wide) const {
        const double size = sizeof1(z);
        const WideStep* w = widesteps();
        const LinearStep* first = steps();
        const LinearStep* step = find(m, room, length, [size, w, first](const LinearStep& s) {
            return size < w[&s - first].r;
        });
        if (step) *wide = &w[step - first];
        return step;
    }
    // Whether the table has wide approximations: made for z^2 + c, with dc's bound
    // within the normal range of doubles (or 0).
    bool haswide() const { return table_ && !table_->wide.empty(); }
    const WideStep* widesteps() const { return table_->wide.data(); }

    bool empty() const { return !table_ || table_->start.size() < 2; }
    // The bound on |dc| the table was made for: it holds for every smaller one too.
    FloatExp dcmax() const { return dcmax_; }

    // The table as the vector lanes read it: the levels one after another, level k
    // holding levelsize(k) steps (levelsize(0) / 2^k, rounded down) from
    // steps()[levelstart(k)] on. A level's step holds for no more offsets than the
    // first half it was merged from (its radius is at most that one's), which lets
    // a lookup go up from the lowest level.
    int levels() const { return table_ ? static_cast<int>(table_->start.size()) - 1 : 0; }
    const LinearStep* steps() const { return table_ ? table_->steps.data() : nullptr; }
    std::size_t levelstart(int k) const { return table_->start[static_cast<std::size_t>(k)]; }
    std::size_t levelsize(int k) const {
        return table_->start[static_cast<std::size_t>(k) + 1] -
               table_->start[static_cast<std::size_t>(k)];
    }
    // The radii of the steps from m = j + 1 (j < levelsize(0)), level by level from
    // 0, one row a j: radii(j)[k] is the radius r of the step of 2^k from there, for
    // every level that has one (k up to the lowest set bit of j, and within the
    // table), rowsize(j) of them. They never grow from one level to the next, so the
    // levels that hold for an offset are the first ones of its row. The rows lie one
    // after another, followed by `rowpadding` zeros, so that a read of that many
    // values from any row stays within them.
    static constexpr std::size_t rowpadding = 16;
    const double* radii(std::size_t j) const { return table_->radii.data() + table_->rowstart[j]; }
    // The wide steps' radii in the same rows.
    const double* wideradii(std::size_t j) const {
        return table_->wideradii.data() + table_->rowstart[j];
    }
    int rowsize(std::size_t j) const {
        return static_cast<int>(table_->rowstart[j + 1] - table_->rowstart[j]);
    }

  private:
    static double sizeof1(COMPLEX z) { return std::fabs(z.x) + std::fabs(z.y); }

    template <class Fits>
    const LinearStep* find(int m, int room, int* length, Fits fits) const {
        if (m < 1 || empty()) return nullptr;
        const unsigned j = static_cast<unsigned>(m - 1);
        const int top = levels() - 1;
        for (int k = j == 0 ? top : std::min(top, __builtin_ctz(j)); k >= 0; --k) {
            const std::size_t at = j >> k;
            if (at >= levelsize(k) || (1 << k) > room) continue;
            const LinearStep& step = steps()[levelstart(k) + at];
            if (fits(step)) {
                *length = 1 << k;
                return &step;
            }
        }
        return nullptr;
    }

    // The levels one after another and where each starts (and the end); shared by
    // the copies: the images drawn from one reference orbit share its table.
    struct Levels {
        std::vector<LinearStep> steps;
        std::vector<WideStep> wide;  // beside steps, where the table has them
        std::vector<std::size_t> start;
        std::vector<double> radii, wideradii;
        std::vector<std::size_t> rowstart;
    };
    std::shared_ptr<const Levels> table_;
    FloatExp dcmax_;
};

}  // namespace vantrel
