#include "render/perturb.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "render/angles.h"
#include "render/deepimage.h"
#include "render/perturblanes.h"
#include "render/steps.h"

namespace vantrel {

namespace {

// The steps of z^2 + c an external angle looks at.
constexpr int anglesteps = 64;

inline COMPLEX mul(COMPLEX a, COMPLEX b) {
    return {a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x};
}

inline double norm(COMPLEX a) {
    return a.x * a.x + a.y * a.y;
}

// (Z + z)^e - Z^e for a small offset z, as z times the sum over k = 1..e of
// binomial(e, k) Z^(e-k) z^(k-1) (by Horner in Z): no term of the size of Z^e is
// formed, so nothing large cancels and the offset keeps its relative precision.
template <int E>
inline COMPLEX difference(COMPLEX big, COMPLEX z, int e) {
    if constexpr (E == 2) return mul({2 * big.x + z.x, 2 * big.y + z.y}, z);
    double b = e;  // binomial(e, 1); each next one is exact in doubles for e <= 17
    COMPLEX p{b, 0.0}, zk{1.0, 0.0};
    for (int k = 2; k <= e; ++k) {
        b = b * (e - k + 1) / k;
        zk = mul(zk, z);
        p = mul(p, big);
        p.x += b * zk.x;
        p.y += b * zk.y;
    }
    return mul(p, z);
}

// z 2^k.
inline COMPLEX scaledby(COMPLEX z, long k) {
    const int e = static_cast<int>(std::clamp(k, -4000L, 4000L));
    return {std::ldexp(z.x, e), std::ldexp(z.y, e)};
}

// Keeps the mantissa z of an offset z 2^ze near 1; once the offset passes 2^-900
// it becomes a double (and dc with it, which is then below 2^-80 of it, however
// much of it underflows).
inline void rescale(COMPLEX& z, long& ze, COMPLEX& dc, long scale, bool& tiny) {
    const double big = std::fmax(std::fabs(z.x), std::fabs(z.y));
    if (big == 0) return;
    const int k = std::ilogb(big);
    if (k + ze > -900) {
        z = scaledby(z, ze);
        dc = scaledby(dc, -scale);
        ze = 0;
        tiny = false;
    } else if (k > 32 || k < -32) {
        z = scaledby(z, -k);
        ze += k;
    }
}

// (Z + w)^e - Z^e in units of 2^ze for the offset w = z 2^ze below 2^-900: the
// linear and the square term; the next is below 2^-1800 relative to the first.
inline COMPLEX tinydifference(COMPLEX big, COMPLEX z, long ze, int e) {
    COMPLEX p{1.0, 0.0};  // Z^(e-2)
    for (int k = 2; k < e; ++k) p = mul(p, big);
    const COMPLEX linear = mul(p, big);
    const double half = e * (e - 1) / 2.0;
    const COMPLEX square = scaledby(mul(p, z), ze);
    return mul({e * linear.x + half * square.x, e * linear.y + half * square.y}, z);
}

// The approximations of the orbit a pixel continues on after rebasing.
const BlaTable* secondtable(const DeepImage& d) {
    return d.sharedtable ? &d.firsttable : &d.secondtable;
}

// One pixel: the full orbit is Z_m + z, with Z the reference and z the pixel's
// offset from it, iterated as z <- (Z_m + z)^e - Z_m^e + dc. Whenever the full
// value comes closer to 0 than the offset is large, or the reference has ended,
// the offset becomes the full value and the reference starts over at m = 0, on an
// orbit whose first value is 0: the offset never grows past the orbit itself, so
// one reference serves every pixel without glitch detection.
// A Julia pixel starts near the reference point, so its first reference is that
// point's orbit; that one does not start at 0, so rebasing continues on a second,
// the orbit of 0 under the same c. This is sound because the step above holds for
// any two orbits of the same map z^e + c: switching references changes only how
// the pixel's value is split into Z_m + z, never the value, and the offset is as
// small after the switch as the full value is. (For the Mandelbrot set the orbit
// of 0 is the first reference itself.)
// Where the colorings look at no single step but the last ones (and Peitgen's at
// the sixth), runs of steps where the offset is small against the reference are
// taken at once by the reference's bilinear approximations, which leave out only
// what a double would round away; the derivative goes along as d <- A d + B, the
// same linear map of z^2 + c's d <- 2 z d + 1, so only for the square. Escapes and
// the last two values always come from single steps; the test for rebasing
// follows every step, approximated or not.
template <Steps S, Watch W, bool Derivative, int E>
constexpr bool approximates = (S == Steps::none || S == Steps::peitgen) && W == Watch::none &&
                              (!Derivative || E == 2);

// Where the colors come from the step counts alone, the wide approximations take
// the runs of steps instead (`Wide`), and the pixel carries `bound`, how far its
// offset may lie from the one single steps would make: each wide step from z adds
// what it leaves out and carries the bound on by |A| + |C| (2 |z| + bound) (the
// step's change between two offsets that far apart), each single step from the
// full value w by 2 |w| + bound (the difference of two squares). Where the bound
// could put the size on the other side of the escape limit at any step, or take
// an offset past a step's reach, the pixel is not `sure` and is taken again
// without them, as soon as that is known. The vector lanes work the bound out with
// the same operations, so both take the same pixels again.
struct WideBound {
    double bound = 0;
    double root = 0;  // |w| of the last full value
    bool sure = true;
    // After a wide step from an offset of size (sum of parts) `size`.
    void approximated(const WideStep& w, double size) {
        const double reach = size + bound;
        sure = sure && reach <= w.reach;
        const double left = ((w.k3 * reach + w.k2) * reach + w.k1) * reach + w.k0;
        bound = (w.asize + w.csize * ((size + size) + bound)) * bound + left;
    }
    // After a single step from the full value whose size was `root`.
    void single() { bound = ((root + root) + bound) * bound; }
    // The new full value's size as the loop compares it (squared or not).
    template <bool Squared>
    void compared(double size, double maxsize) {
        root = Squared ? std::sqrt(size) : size;
        const double margin = Squared ? ((root + root) + bound) * bound : bound;
        sure = sure && std::fabs(size - maxsize) > margin;
    }
};

// With `record`, the full value after step n goes to record[n - 1] for the first
// anglesteps steps, every one of them a single step.
template <Steps S, Watch W, bool Squared, bool Derivative, int E, bool Wide = false>
Orbit perturbed(const Frame& f, int i, int r, COMPLEX* record, WideBound* wide) {
    const DeepImage& d = *f.deep;
    DeepStart start = deepstart(f, i, r);
    Orbit& o = start.o;
    COMPLEX& z = start.z;
    COMPLEX& dc = start.dc;
    Orbit a = o;
    const int e = std::clamp(f.exponent, 2, 17);
    const double maxsize = f.maxsize;
    const int maxiter = f.maxiter;
    const COMPLEX* ref = d.reference->first.data();
    int last = static_cast<int>(d.reference->first.size()) - 1;
    const BlaTable* table = &d.firsttable;
    // Peitgen's decomposition reads the sixth value; the last step before maxiter is a
    // single one, so that the value before the last is known.
    const int firstapproximated = record ? maxiter : S == Steps::peitgen ? 6 : 1;
    COMPLEX full = o.z;
    double x = 0, y = 0, size = 0;
    int n = 0, m = 0;
    COMPLEX der{0.0, 0.0};
    bool over = false;
    // Past the range of doubles the offset is z 2^ze (and dc is dc 2^-scale) until
    // it is large enough to be a double itself.
    bool tiny = d.scale != 0;
    long ze = -d.scale;
    const auto value = [&]() { return tiny ? scaledby(z, ze) : z; };
    const auto settle = [&]() {
        if (tiny) rescale(z, ze, dc, d.scale, tiny);
    };
    const auto rebase = [&]() {
        if (m == last || norm(full) < norm(value())) {
            if (tiny) dc = scaledby(dc, -d.scale);
            tiny = false;
            z = full;
            m = 0;
            ref = d.reference->second.data();
            last = static_cast<int>(d.reference->second.size()) - 1;
            table = secondtable(d);
        }
    };
    while (size <= maxsize && n < maxiter) {
        if constexpr (approximates<S, W, Derivative, E>) {
            int length = 0;
            const int room = maxiter - n - 1;
            const WideStep* widestep = nullptr;
            const LinearStep* step = n < firstapproximated ? nullptr
                                     : Wide ? table->longestwide(m, z, room, &length, &widestep)
                                     : tiny ? table->longestscaled(m, z, ze, room, &length)
                                            : table->longest(m, z, room, &length);
            if (step) {
                if constexpr (Wide) wide->approximated(*widestep, std::fabs(z.x) + std::fabs(z.y));
                if constexpr (Derivative) {
                    const COMPLEX t = mul(step->a, der);
                    der = {t.x + step->b.x, t.y + step->b.y};
                    over =
                        over || std::fmax(std::fabs(der.x), std::fabs(der.y)) > d.derivativelimit;
                }
                const COMPLEX az = mul(step->a, z);
                const COMPLEX bdc =
                    tiny ? scaledby(mul(step->b, dc), -d.scale - ze) : mul(step->b, dc);
                if constexpr (Wide) {
                    const COMPLEX cz2 = mul(widestep->c, mul(z, z));
                    z = {(az.x + bdc.x) + cz2.x, (az.y + bdc.y) + cz2.y};
                } else {
                    z = {az.x + bdc.x, az.y + bdc.y};
                }
                settle();
                m += length;
                n += length;
                const COMPLEX v = value();
                full = {ref[m].x + v.x, ref[m].y + v.y};
                size = Squared ? norm(full) : std::sqrt(norm(full));
                if constexpr (Wide) {
                    wide->compared<Squared>(size, maxsize);
                    if (!wide->sure) break;
                }
                rebase();
                continue;
            }
        }
        if constexpr (Derivative) {
            // d <- 2 z_n d + 1 along the full orbit, from z_0 taken as 0.
            const COMPLEX zn = n == 0 ? COMPLEX{0.0, 0.0} : full;
            der = {2 * (zn.x * der.x - zn.y * der.y) + 1, 2 * (zn.x * der.y + zn.y * der.x)};
            over = over || std::fmax(std::fabs(der.x), std::fabs(der.y)) > d.derivativelimit;
        }
        x = full.x;
        y = full.y;
        if (tiny) [[unlikely]] {
            const COMPLEX t = tinydifference(ref[m], z, ze, e);
            const COMPLEX c = scaledby(dc, -d.scale - ze);
            z = {t.x + c.x, t.y + c.y};
            settle();
        } else {
            const COMPLEX t = difference<E>(ref[m], z, e);
            z = {t.x + dc.x, t.y + dc.y};
            if constexpr (Wide) wide->single();
        }
        ++m;
        const COMPLEX v = value();
        full = {ref[m].x + v.x, ref[m].y + v.y};
        // The first value of a Mandelbrot orbit is the pixel's point itself, known
        // to the view's precision: the colorings see it so, not as the sum of two
        // roundings (the triangle inequality's first term is z_1 - c).
        if (n == 0 && f.ftype == settype::mandelbrot) full = o.c;
        size = Squared ? full.x * full.x + full.y * full.y
                       : std::sqrt(full.x * full.x + full.y * full.y);
        if constexpr (Wide) {
            wide->compared<Squared>(size, maxsize);
            if (!wide->sure) break;
        }
        ++n;
        if (record && n <= anglesteps) record[n - 1] = full;
        if (!watchstep<S, W>(a, full, o.c, x, y, size, n)) break;
        rebase();
    }
    endorbit<S, W>(o, a, full, x, y, size, n);
    if constexpr (Derivative) {
        o.dx = der.x;
        o.dy = der.y;
        o.dover = over;
        o.lanederivative = true;
    }
    return o;
}

using Pixel = Orbit (*)(const Frame&, int, int, COMPLEX*, WideBound*);

// The square, by far the most drawn, with its difference written out; every other
// exponent through the general sum.
template <Steps S, Watch W, bool Squared, bool Derivative>
Pixel byexponent(int e) {
    return e == 2 ? &perturbed<S, W, Squared, Derivative, 2>
                  : &perturbed<S, W, Squared, Derivative, 0>;
}

template <Steps S, Watch W>
Pixel bywork(bool squared, bool derivative, int e) {
    if (squared)
        return derivative ? byexponent<S, W, true, true>(e) : byexponent<S, W, true, false>(e);
    return derivative ? byexponent<S, W, false, true>(e) : byexponent<S, W, false, false>(e);
}

template <Steps S>
Pixel bywatch(Watch w, bool squared, bool derivative, int e) {
    switch (w) {
        case Watch::bof:
            return bywork<S, Watch::bof>(squared, derivative, e);
        case Watch::epsilon:
            return bywork<S, Watch::epsilon>(squared, derivative, e);
        default:
            return bywork<S, Watch::none>(squared, derivative, e);
    }
}

// The pixel with the wide approximations, and without them where their bound
// leaves its escape in doubt.
Orbit widepixel(const Frame& f, int i, int r, COMPLEX*, WideBound*) {
    if (const std::optional<Orbit> o = wideorbit(f, i, r)) return *o;
    return narrowpixel(f, i, r);
}

// The pixel's orbit without the wide approximations.
Pixel choosenarrow(const Frame& f) {
    const StepWork work = stepwork(f);
    const Watch w = work.watch;
    const bool sq = work.squared;
    const bool der = distanceestimate(f.outside, f.inside);
    const int e = std::clamp(f.exponent, 2, 17);
    switch (work.steps) {
        case Steps::peitgen:
            return bywatch<Steps::peitgen>(w, sq, der, e);
        case Steps::tia0:
            return bywatch<Steps::tia0>(w, sq, der, e);
        case Steps::tia1:
            return bywatch<Steps::tia1>(w, sq, der, e);
        case Steps::tia2:
            return bywatch<Steps::tia2>(w, sq, der, e);
        case Steps::inttia:
            return bywatch<Steps::inttia>(w, sq, der, e);
        case Steps::species:
            return bywatch<Steps::species>(w, sq, der, e);
        case Steps::cardioid:
            return bywatch<Steps::cardioid>(w, sq, der, e);
        default:
            return bywatch<Steps::none>(w, sq, der, e);
    }
}

Pixel choose(const Frame& f) {
    if (widetaken(f)) return &widepixel;
    return choosenarrow(f);
}

// The external angles of Field Line Gradients follow the orbit of z^2 + c for up to
// anglesteps steps from the pixel's point; at depth that orbit has to come from the
// references too, since from the point rounded to doubles it is lost within a few
// dozen steps. A frame that perturbs it, where the coloring asks for angles.
std::optional<Frame> angleframe(const Frame& f) {
    if (f.outside != outside::fieldlines) return std::nullopt;
    Frame g = f;
    g.exponent = 2;
    g.maxiter = anglesteps;
    if (std::clamp(f.exponent, 2, 17) != 2) g.deep = f.deep->quadratic;
    return g;
}

// The external angle of pixel (i, row r) from its perturbed orbit of z^2 + c.
double deepangle(const Frame& g, int i, int r) {
    COMPLEX values[anglesteps];
    const Orbit o = perturbed<Steps::none, Watch::none, false, false, 2>(g, i, r, values, nullptr);
    const DeepImage& d = *g.deep;
    const double x = d.x[DeepImage::column(g, i)], y = d.y[DeepImage::row(g, r)];
    // The routine starts from c itself, the first value, for the Mandelbrot set, and
    // from the pixel's point for a Julia set.
    if (g.ftype == settype::mandelbrot)
        return externalangle(settype::mandelbrot, x, y, g.jcx, g.jcy, values + 1, o.n - 1);
    return externalangle(settype::julia, x, y, g.jcx, g.jcy, values, o.n);
}

// The angle of an escaped orbit of pixel (i, row r), where the coloring asks for it.
void addangle(const Frame& f, const std::optional<Frame>& angles, int i, int r, Orbit& o) {
    if (angles && escaped(f, o)) {
        o.angle = deepangle(*angles, i, r);
        o.anglefrom = AngleFrom::orbit;
    }
}

}  // namespace

bool widetaken(const Frame& f) {
    const DeepImage& d = *f.deep;
    const StepWork work = stepwork(f);
    return colorsbycount(f.outside, f.inside) && work.steps == Steps::none &&
           work.watch == Watch::none && std::clamp(f.exponent, 2, 17) == 2 && d.scale == 0 &&
           d.firsttable.haswide() && (d.sharedtable || d.secondtable.haswide());
}

std::optional<Orbit> wideorbit(const Frame& f, int i, int r) {
    WideBound wide;
    const Orbit o =
        stepwork(f).squared
            ? perturbed<Steps::none, Watch::none, true, false, 2, true>(f, i, r, nullptr, &wide)
            : perturbed<Steps::none, Watch::none, false, false, 2, true>(f, i, r, nullptr, &wide);
    if (!wide.sure) return std::nullopt;
    return o;
}

Orbit narrowpixel(const Frame& f, int i, int r) {
    return choosenarrow(f)(f, i, r, nullptr, nullptr);
}

DeepStart deepstart(const Frame& f, int i, int r) {
    const DeepImage& d = *f.deep;
    const std::size_t col = DeepImage::column(f, i), row = DeepImage::row(f, r);
    DeepStart s;
    if (f.ftype == settype::mandelbrot) {
        s.o.c = {d.x[col], d.y[row]};
        s.o.z = {0.0, 0.0};
        s.z = {0.0, 0.0};
        s.dc = {d.dx[col], d.dy[row]};
    } else {
        s.o.jzx = d.x[col];
        s.o.jzy = d.y[row];
        s.o.z = {d.x[col], d.y[row]};
        s.o.c = {f.jcx, f.jcy};
        s.z = {d.dx[col], d.dy[row]};
        s.dc = {0.0, 0.0};
    }
    resetaccumulators(f, s.o);
    return s;
}

Orbit perturbpixel(const Frame& f, int i, int r) {
    Orbit o = choose(f)(f, i, r, nullptr, nullptr);
    addangle(f, angleframe(f), i, r, o);
    return o;
}

long long perturbrow(const Frame& f, int j, Rgb* out) {
    const std::optional<Frame> angles = angleframe(f);
    long long steps = 0;
    // In vector lanes where they take the coloring: the same orbits.
    thread_local std::vector<Orbit> orbits;
    orbits.resize(static_cast<std::size_t>(std::max(f.xres, 0)));
    if (f.simd && perturblanes(f, j, orbits.data())) {
        for (int i = 0; i < f.xres; ++i) {
            addangle(f, angles, i, j, orbits[i]);
            out[i] = pixelcolor(f, orbits[i]);
            steps += orbits[i].n;
        }
        return steps;
    }
    const Pixel pixel = choose(f);
    for (int i = 0; i < f.xres; ++i) {
        Orbit o = pixel(f, i, j, nullptr, nullptr);
        addangle(f, angles, i, j, o);
        out[i] = pixelcolor(f, o);
        steps += o.n;
    }
    return steps;
}

}  // namespace vantrel
