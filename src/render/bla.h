#pragma once

#include <vector>

#include "render/complex.h"

namespace vantrel {

// A bilinear approximation of `length` steps of a perturbed orbit from reference
// index m: z_(m+length) = a z_m + b dc, good to a relative `approximationerror`
// while |z_m| < r (measured as |Re z| + |Im z|, which cannot underflow to 0).
struct LinearStep {
    COMPLEX a, b;
    double r;
};

// The dropped nonlinear part of every single step, relative to the kept linear
// part, that an approximation may carry: half a unit in a double's last place, so
// that an approximated step errs no more than the rounding of a single one. Against
// the oracle comparisons 2^-24 (single precision's choice) changes an escape step
// of z^5 at 1e-50, while 2^-32 and 2^-40 pass every scene; 2^-53 keeps a margin of
// 2^21 on the loosest value seen to pass.
constexpr double approximationerror = 0x1p-53;

// The approximations of one reference orbit Z_0 .. Z_M of z^e + c: single steps
// z <- e Z_m^(e-1) z + dc from every m in 1 .. M-1, and pairs of neighbours merged
// level by level, level k holding the steps of 2^k from m = 1 + j 2^k. O(M) entries.
// `dcmax` bounds |dc| over the image (0 for a Julia set, whose pixels share c);
// `maxsize` is the escape limit: no approximation passes over a step where the
// orbit could come near it, so escapes are always found by a single step.
class BlaTable {
  public:
    BlaTable() = default;
    BlaTable(const std::vector<COMPLEX>& orbit, int e, double dcmax, double maxsize);

    // The longest approximation from reference index m that holds for an offset z
    // and makes at most `room` steps; null where none does.
    const LinearStep* longest(int m, COMPLEX z, int room, int* length) const {
        if (m < 1 || levels_.empty()) return nullptr;
        const unsigned j = static_cast<unsigned>(m - 1);
        const double size = (z.x < 0 ? -z.x : z.x) + (z.y < 0 ? -z.y : z.y);
        int k = j == 0 ? static_cast<int>(levels_.size()) - 1 : __builtin_ctz(j);
        if (k >= static_cast<int>(levels_.size())) k = static_cast<int>(levels_.size()) - 1;
        for (; k >= 0; --k) {
            const std::vector<LinearStep>& level = levels_[static_cast<std::size_t>(k)];
            const std::size_t at = j >> k;
            if (at >= level.size() || (1 << k) > room) continue;
            if (size < level[at].r) {
                *length = 1 << k;
                return &level[at];
            }
        }
        return nullptr;
    }

    bool empty() const { return levels_.empty(); }

  private:
    std::vector<std::vector<LinearStep>> levels_;
};

}  // namespace vantrel
