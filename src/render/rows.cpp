#include "render/rows.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "render/angles.h"
#include "render/coloring.h"
#include "render/colorlanes.h"
#include "render/escape.h"
#include "render/lanes.h"
#include "render/perturb.h"

namespace vantrel {

namespace {

// The lanes' share of the per-step work, by work and watch; none where only the
// scalar loop does it. Peitgen's Im z_6 is picked up afterwards, from a short run of
// its own. A kept orbit has a lane version only where nothing else is gathered: the
// derivative itself.
constexpr std::optional<LaneWork> lanetable[stepkinds][watchkinds] = {
    /* none */ {LaneWork::plain, LaneWork::bof, LaneWork::epsilon},
    /* peitgen */ {LaneWork::plain, LaneWork::bof, LaneWork::epsilon},
    /* tia0 */ {LaneWork::tia0, std::nullopt, std::nullopt},
    /* tia1 */ {LaneWork::tia1, std::nullopt, std::nullopt},
    /* tia2 */ {LaneWork::tia2, std::nullopt, std::nullopt},
    /* inttia */ {std::nullopt, std::nullopt, std::nullopt},
    /* species */ {std::nullopt, std::nullopt, std::nullopt},
    /* cardioid */ {std::nullopt, std::nullopt, std::nullopt},
};

// BOF's orbits inside settle on their cycles early (LaneWork::bofsettles) where
// maxiter is long enough for the search to pay: measured on the default view, a
// fifth slower at maxiter 256, even at 512, a fifth faster at 1024, twice as fast at
// 3000.
constexpr int settlingfrom = 1024;

std::optional<LaneWork> lanework(const Frame& f, const StepWork& w) {
    const std::optional<LaneWork> l =
        lanetable[static_cast<int>(w.steps)][static_cast<int>(w.watch)];
    if (l == LaneWork::bof && !w.store && f.maxiter >= settlingfrom) return LaneWork::bofsettles;
    if (!w.store) return l;
    return l == LaneWork::plain ? std::optional(LaneWork::derivative) : std::nullopt;
}

// Im z_6 of the orbit of column i, for an orbit that made six steps or more: the
// value the band decomposition's loop picks up on the way.
double imzsix(const Frame& f, int i, double ystart) {
    Orbit o;
    placepixel(f, i, ystart, o);
    const int e = std::clamp(f.exponent, 2, 17);
    for (int n = 0; n < 6; ++n) {
        COMPLEX p;
        complex_power(o.z, e, &p);
        o.z = {p.x + o.c.x, p.y + o.c.y};
    }
    return o.z.y;
}

// The escaped orbits of a row, iterated again from their start in lanes that take
// the derivative along: the same steps, so only the derivative is new.
void derivativeofescaped(const Frame& f, double ystart, Orbit* orbits) {
    thread_local std::vector<Orbit> again;
    thread_local std::vector<int> column;
    again.resize(static_cast<std::size_t>(f.xres));
    column.clear();
    for (int i = 0; i < f.xres; ++i) {
        if (!escaped(f, orbits[i])) continue;
        // The lanes read only the start: no accumulators to reset.
        placepixel(f, i, ystart, again[column.size()]);
        column.push_back(i);
    }
    iteratelanes(f, LaneWork::derivative, again.data(), static_cast<int>(column.size()));
    for (std::size_t k = 0; k < column.size(); ++k) {
        Orbit& o = orbits[column[k]];
        o.dx = again[k].dx;
        o.dy = again[k].dy;
        o.dover = again[k].dover;
        o.lanederivative = true;
    }
}

// Colors a coloring makes from a number or two, kept per thread: the rows of an
// image share them. They are made from the palette, the inside color and the
// method alone (palette entries, and the solid inside's color), so another image
// with the same ones shares them too. 0 is no color yet: every color is opaque.
struct KeptColors {
    Palette palette{};
    int method = -1, rin = 0, gin = 0, bin = 0;
    std::vector<Rgb> colors;
};
Rgb* keptcolors(KeptColors& kept, const Frame& f, std::size_t count) {
    if (kept.colors.size() != count || kept.method != f.method || kept.rin != f.rin ||
        kept.gin != f.gin || kept.bin != f.bin ||
        std::memcmp(&kept.palette, &f.palette, sizeof f.palette) != 0) {
        kept.palette = f.palette;
        kept.method = f.method;
        kept.rin = f.rin;
        kept.gin = f.gin;
        kept.bin = f.bin;
        kept.colors.assign(count, 0);
    }
    return kept.colors.data();
}

// The color of an orbit that never escaped under a solid inside, whatever the
// frame's inside coloring: kept colors depend on no more than the key above.
Rgb solidinside(const Frame& f) {
    Frame solid = f;
    solid.inside = inside::solidcolor;
    Orbit o;
    o.n = f.maxiter;
    return pixelcolor(solid, o);
}

// The colors of palette entries 0 .. 255 as pixelcolor finishes them, and the
// solid inside's last, kept as above.
const Rgb* entrycolors(const Frame& f) {
    thread_local KeptColors kept;
    Rgb* colors = keptcolors(kept, f, 257);
    if (colors[256] == 0) {
        for (int k = 0; k < 256; ++k) colors[k] = finishcolor(f, pal(f, k));
        colors[256] = solidinside(f);
    }
    return colors;
}

// The colors of a coloring by count, each count colored once by pixelcolor itself,
// from an orbit that has only what the coloring sees.
class CountColors {
  public:
    // Entry n for an orbit that escaped at step n, the last one for the inside.
    explicit CountColors(const Frame& f) : f_(f) {
        thread_local KeptColors kept;
        const std::size_t steps = static_cast<std::size_t>(std::max(f.maxiter, 0)) + 1;
        escaped_ = keptcolors(kept, f, steps + 1);
        inside_ = escaped_ + steps;
    }
    Rgb operator()(bool escaped, int n) {
        Rgb& known = escaped ? escaped_[static_cast<std::size_t>(n)] : *inside_;
        if (known == 0) {
            Orbit o;
            o.n = n;
            o.size = escaped ? std::numeric_limits<double>::quiet_NaN() : 0.0;
            known = pixelcolor(f_, o);
        }
        return known;
    }

  private:
    const Frame& f_;
    Rgb* escaped_;
    Rgb* inside_;
};

// The colors of a row's orbits.
void colorrow(const Frame& f, const Orbit* orbits, Rgb* out) {
    if (!colorsbycount(f.outside, f.inside)) {
        for (int i = 0; i < f.xres; ++i) out[i] = pixelcolor(f, orbits[i]);
        return;
    }
    CountColors color(f);
    for (int i = 0; i < f.xres; ++i) out[i] = color(escaped(f, orbits[i]), orbits[i].n);
}

// Rows j .. j + rows of such a coloring from how their orbits ended alone, into
// out[k] with their iterations in steps[k]; false, with nothing written, where the
// lanes do not take them.
bool countrows(const Frame& f, int j, int rows, Rgb* const* out, long long* steps) {
    thread_local std::vector<LaneCount> counts;
    thread_local std::vector<double> ys;
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    counts.resize(xres * static_cast<std::size_t>(rows));
    ys.resize(static_cast<std::size_t>(rows));
    for (int k = 0; k < rows; ++k) ys[static_cast<std::size_t>(k)] = rowy(f, j + k);
    if (!lanecounts(f, ys.data(), rows, counts.data())) return false;
    CountColors color(f);
    for (int k = 0; k < rows; ++k) {
        const LaneCount* row = counts.data() + static_cast<std::size_t>(k) * xres;
        long long sum = 0;
        for (std::size_t i = 0; i < xres; ++i) {
            out[k][i] = color(row[i].escaped, row[i].n);
            sum += row[i].n;
        }
        steps[k] = sum;
    }
    return true;
}

// Whether rows of the frame are run in the lanes by how their orbits end alone.
bool countedinlanes(const Frame& f) {
    return !f.deep && f.simd && f.aa <= 1 && colorsbycount(f.outside, f.inside) &&
           lanework(f, stepwork(f)) == LaneWork::plain;
}

// Row j of the outside distance estimator with a solid inside, from how its orbits
// ended alone: the lanes settle most palette entries, and the coloring itself works
// out the others. False, with nothing written, where the lanes do not take the row.
bool distancerow(const Frame& f, int j, Rgb* out, long long& steps) {
    thread_local LaneEnds ends;
    thread_local std::vector<double> entries;
    if (!laneends(f, LaneWork::derivative, rowy(f, j), InsideOrbits::marked, ends)) return false;
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    entries.resize(xres);
    distanceentries(f, ends, entries.data());
    const Rgb* colors = entrycolors(f);
    const Rgb solid = colors[256];
    const double *made = ends.n.data(), *entry = entries.data();
    long long sum = 0;
    for (std::size_t i = 0; i < xres; ++i) {
        const int n = static_cast<int>(made[i]);
        sum += n;
        const double k = entry[i];
        if (k == -1) {
            out[i] = solid;
        } else if (k == k) {
            out[i] = colors[low8(static_cast<long long>(k))];
        } else {
            Orbit o;
            o.n = n;
            o.size = ends.size[i];
            o.dx = ends.dx[i];
            o.dy = ends.dy[i];
            o.dover = ends.overflowed[i] != 0;
            o.lanederivative = true;
            out[i] = pixelcolor(f, o);
        }
    }
    steps += sum;
    return true;
}

// Row j of Smoothing with a solid inside, from how its orbits ended alone: the
// lanes settle most pixels' colors, and the coloring itself works out the others.
// False, with nothing written, where the lanes do not take the row.
bool smoothingrow(const Frame& f, int j, Rgb* out, long long& steps) {
    thread_local LaneEnds ends;
    thread_local std::vector<double> colors;
    if (!laneends(f, LaneWork::plain, rowy(f, j), InsideOrbits::marked, ends)) return false;
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    colors.resize(xres);
    smoothingcolors(f, ends, colors.data());
    const Rgb solid = entrycolors(f)[256];
    const double *made = ends.n.data(), *size = ends.size.data(), *color = colors.data();
    long long sum = 0;
    for (std::size_t i = 0; i < xres; ++i) {
        const int n = static_cast<int>(made[i]);
        sum += n;
        if (color[i] == color[i]) {
            out[i] = static_cast<Rgb>(color[i]);
        } else if (size[i] <= f.maxsize) {
            out[i] = solid;
        } else {
            Orbit o;
            o.n = n;
            o.size = size[i];
            out[i] = pixelcolor(f, o);
        }
    }
    steps += sum;
    return true;
}

// Whether the frame colors an orbit by its steps, the sign of Im z at its end and
// BOF's closest approach alone: Level Sets or Binary Decomposition outside, a solid
// or BOF inside.
bool colorsbyentry(const Frame& f) {
    return (f.outside == outside::levelsets || f.outside == outside::binarydecomposition) &&
           (f.inside == inside::solidcolor || f.inside == inside::bof33 ||
            f.inside == inside::bof34);
}

// Row j of such a coloring from how its orbits ended alone, each palette entry
// colored once. False, with nothing written, where the lanes do not take the row.
bool entryrow(const Frame& f, int j, LaneWork work, Rgb* out, long long& steps) {
    thread_local LaneEnds ends;
    const bool solid = f.inside == inside::solidcolor;
    if (!laneends(f, work, rowy(f, j), solid ? InsideOrbits::marked : InsideOrbits::full, ends))
        return false;
    const Rgb* colors = entrycolors(f);
    const bool binary = f.outside == outside::binarydecomposition;
    const double* bof = f.inside == inside::bof33 ? ends.least.data() : ends.leaststep.data();
    long long sum = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(f.xres); ++i) {
        const int n = static_cast<int>(ends.n[i]);
        sum += n;
        if (!(ends.size[i] <= f.maxsize))
            out[i] = colors[low8(binary ? binaryentry(n, ends.zy[i]) : level(n))];
        else
            out[i] = solid ? colors[256] : colors[low8(bofentry(f, bof[i]))];
    }
    steps += sum;
    return true;
}

// Row j in lanes; false, with nothing written, where the lanes do not take the work.
bool lanerow(const Frame& f, int j, Rgb* out, long long& steps) {
    const StepWork w = stepwork(f);
    const std::optional<LaneWork> work = lanework(f, w);
    if (!work) return false;
    if (work == LaneWork::derivative && f.outside == outside::distanceestimator &&
        f.inside == inside::solidcolor && distancerow(f, j, out, steps))
        return true;
    if (work == LaneWork::plain && f.outside == outside::smoothing &&
        f.inside == inside::solidcolor && smoothingrow(f, j, out, steps))
        return true;
    if (colorsbyentry(f) && !colorsbycount(f.outside, f.inside) &&
        entryrow(f, j, *work, out, steps))
        return true;
    if (colorsbycount(f.outside, f.inside) && work == LaneWork::plain) {
        long long rowsteps = 0;
        if (countrows(f, j, 1, &out, &rowsteps)) {
            steps += rowsteps;
            return true;
        }
    }
    const double ystart = rowy(f, j);
    thread_local std::vector<Orbit> orbits;
    orbits.resize(static_cast<std::size_t>(f.xres));
    // Without the inside estimator only escaped orbits want the derivative: the row
    // runs the plain loop, and its escaped orbits run again with it. With a solid
    // inside, whose orbits well inside the big discs are only marked, the others take
    // the derivative at once.
    const bool later = work == LaneWork::derivative && f.inside != inside::distanceestimator &&
                       f.inside != inside::solidcolor && f.exponent == 2;
    const LaneWork first = later ? LaneWork::plain : *work;
    // A solid inside sees nothing of the orbits inside but that they never escaped.
    const InsideOrbits inside =
        f.inside == inside::solidcolor ? InsideOrbits::marked : InsideOrbits::full;
    if (!iteratelanes(f, first, orbits.data(), f.xres, &ystart, inside)) return false;
    if (later) derivativeofescaped(f, ystart, orbits.data());
    if (f.outside == outside::fieldlines) externalangles(f, orbits.data(), f.xres);
    if (w.steps == Steps::peitgen)
        for (int i = 0; i < f.xres; ++i)
            if (orbits[i].n >= 6) orbits[i].zyn = imzsix(f, i, ystart);
    colorrow(f, orbits.data(), out);
    for (int i = 0; i < f.xres; ++i) steps += orbits[i].n;
    return true;
}

// Row j at the points of the frame's sample.
long long samplerow(const Frame& f, int j, Rgb* out) {
    if (f.deep) return perturbrow(f, j, out);
    long long steps = 0;
    if (f.simd && lanerow(f, j, out, steps)) return steps;
    return scalarrow(f, j, out);
}

}  // namespace

// A row's last orbits may run up to maxiter steps on a few lanes, while the work of
// a whole row takes some xres / lanes times its mean steps: rows are taken together
// where maxiter outweighs their width.
int bandrows(const Frame& f) {
    return countedinlanes(f) ? std::clamp(f.maxiter / std::max(f.xres, 1), 1, maxband) : 1;
}

void renderrows(const Frame& f, int j, int rows, Rgb* const* out, long long* steps) {
    if (rows > 1 && countedinlanes(f) && countrows(f, j, rows, out, steps)) return;
    for (int k = 0; k < rows; ++k) steps[k] = renderrow(f, j + k, out[k]);
}

long long renderrow(const Frame& f, int j, Rgb* out) {
    if (f.aa <= 1) return samplerow(f, j, out);
    const std::size_t xres = static_cast<std::size_t>(f.xres);
    thread_local std::vector<Rgb> sample;
    thread_local std::vector<SampleSum> sums;
    sample.resize(xres);
    sums.assign(xres, SampleSum{});
    Frame g = f;
    long long steps = 0;
    for (g.sampleb = 0; g.sampleb < f.aa; ++g.sampleb) {
        for (g.samplea = 0; g.samplea < f.aa; ++g.samplea) {
            steps += samplerow(g, j, sample.data());
            for (std::size_t i = 0; i < xres; ++i)
                sums[i].add(red(sample[i]), green(sample[i]), blue(sample[i]));
        }
    }
    const unsigned n = static_cast<unsigned>(f.aa * f.aa);
    for (std::size_t i = 0; i < xres; ++i) out[i] = sums[i].average(n);
    return steps;
}

}  // namespace vantrel
