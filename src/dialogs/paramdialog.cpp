#include <tuple>
#include <utility>

#include "dialogs/dialogs.h"
#include "dialogs/fields.h"

namespace vantrel {

namespace {

struct Row {
    int id;
    const char* label;
};

// Top to bottom, which is also the tab order.
constexpr Row rows[] = {
    {305, "xmin:"},          {310, "xmax:"},          {315, "ymin:"},
    {320, "ymax:"},          {325, "xres:"},          {330, "yres:"},
    {335, "maxiter:"},       {340, "maxsize:"},       {345, "cx (Julia):"},
    {350, "cy (Julia):"},    {355, "exp (z^exp + c):"}, {360, "slope (CP):"},
    {365, "bailout (TIA):"}, {370, "period (FLG):"},  {375, "scale (DEM inside):"},
};

DialogTable maketable() {
    DialogTable t{300, " Fractal Parameters", 170, 294, "MS Sans Serif", "Parameter Error", {}};
    int y = 7;
    for (const Row& r : rows) {
        t.controls.push_back(
            {ControlKind::edit, r.id, r.label, 0, {83, y, 163, y + 12}, {7, y + 2, 81, y + 12}});
        y += 18;
    }
    t.controls.push_back({ControlKind::button, dialogok, "OK", 0, {28, 276, 78, 290}, {}});
    t.controls.push_back({ControlKind::button, dialogcancel, "Cancel", 0, {92, 276, 142, 290}, {}});
    return t;
}

const DialogTable table = maketable();

DialogCheck refuse(int error, int focus) { return {error, errortext(error), focus, {}}; }

bool tiacoloring(const State& s) {
    return (s.outside >= 9 && s.outside <= 12) || s.inside == 11;
}

void init(const State& s, DialogFields& f) {
    f.text[305] = showreal(s.xmin);
    f.text[310] = showreal(s.xmax);
    f.text[315] = showreal(s.ymin);
    f.text[320] = showreal(s.ymax);
    f.text[325] = showint(s.xres);
    f.text[330] = showint(s.yres);
    f.text[335] = showint(s.maxiter);
    f.text[340] = showreal(s.maxsize);
    f.text[345] = showreal(s.jcx);
    f.text[350] = showreal(s.jcy);
    f.text[355] = showint(s.exponent);
    f.text[360] = showreal(s.slope);
    f.text[365] = showreal(s.bailout);
    f.text[370] = showint(s.period);
    f.text[375] = showint(s.demscale);
}

// One pair of view bounds: put in order, kept within -64..64, at least 1e-8 apart.
// Stored in the working view and in the current view of the set type.
bool bounds(State& s, const DialogFields& f, int minid, int maxid, double& lo, double& hi,
            double& setlo, double& sethi, int error, DialogCheck& refusal) {
    const auto a = fieldreal(f, minid, lo);
    if (!a) {
        refusal = refuse(error, minid);
        return false;
    }
    const auto b = fieldreal(f, maxid, hi);
    if (!b) {
        refusal = refuse(error, maxid);
        return false;
    }
    double low = *a, high = *b;
    if (low > high) std::swap(low, high);
    if (low < -64.0) low = -64.0;
    if (high > 64.0) high = 64.0;
    if (high - low < 0.00000001) {
        refusal = refuse(error, minid);
        return false;
    }
    if (low != lo || high != hi) s.newminmax = 1;
    lo = low;
    hi = high;
    setlo = low;
    sethi = high;
    return true;
}

// An integer field with an inclusive range, stored when it passes.
bool intfield(const DialogFields& f, int id, int lo, int hi, int error, int& into,
              DialogCheck& refusal) {
    const auto v = fieldint(f, id);
    if (!v || *v < lo || *v > hi) {
        refusal = refuse(error, id);
        return false;
    }
    into = *v;
    return true;
}

bool realfield(const DialogFields& f, int id, double lo, double hi, int error, double& into,
               DialogCheck& refusal) {
    const auto v = fieldreal(f, id, into);
    if (!v || *v < lo || *v > hi) {
        refusal = refuse(error, id);
        return false;
    }
    into = *v;
    return true;
}

// A Julia constant part: any number is taken, clamped into -20..20. Only a text
// that is no number at all is refused, with a message of its own, so that a slip
// of the keyboard never silently moves the constant to 0.
bool juliafield(State& s, const DialogFields& f, int id, int error, double& into,
                DialogCheck& refusal) {
    const auto v = fieldreal(f, id, into);
    if (!v) {
        refusal = refuse(error, id);
        return false;
    }
    double c = *v;
    if (c < -20.0) c = -20.0;
    if (c > 20.0) c = 20.0;
    if (c != into && s.okescher == 0) s.newc = 1;
    into = c;
    return true;
}

DialogCheck ok(State& s, const DialogFields& f) {
    DialogCheck refusal;
    const bool plain = s.okescher == 0 && s.okorbits == 0;

    if (plain) {
        double& setxlo = s.ftype == 0 ? s.mxmin : s.jxmin;
        double& setxhi = s.ftype == 0 ? s.mxmax : s.jxmax;
        double& setylo = s.ftype == 0 ? s.mymin : s.jymin;
        double& setyhi = s.ftype == 0 ? s.mymax : s.jymax;
        if (!bounds(s, f, 305, 310, s.xmin, s.xmax, setxlo, setxhi, 0, refusal)) return refusal;
        if (!bounds(s, f, 315, 320, s.ymin, s.ymax, setylo, setyhi, 1, refusal)) return refusal;
    }

    for (auto [id, res, error] : {std::tuple{325, &s.xres, 2}, std::tuple{330, &s.yres, 3}}) {
        const auto v = fieldint(f, id);
        if (!v || *v < 32 || *v > 9600) return refuse(error, id);
        if (*v != *res) s.newdimensions = 1;
        *res = *v;
    }

    if (s.okescher == 0 && !intfield(f, 335, 1, 16384, 4, s.maxiter, refusal)) return refusal;

    if (plain && s.outside != 4) {
        const bool tia = tiacoloring(s);
        if (!realfield(f, 340, tia ? 8.0 : 2.0, 1.0e30, tia ? 7 : 5, s.maxsize, refusal))
            return refusal;
    }

    if (s.okorbits == 0) {
        if (!juliafield(s, f, 345, juliacxerror, s.jcx, refusal)) return refusal;
        if (!juliafield(s, f, 350, juliacyerror, s.jcy, refusal)) return refusal;
    }

    if (plain) {
        if (!intfield(f, 355, 2, 17, 13, s.exponent, refusal)) return refusal;
        if (!realfield(f, 360, 50.0, 5000.0, 6, s.slope, refusal)) return refusal;
        if (!realfield(f, 365, 8.0, 1.0e30, 7, s.bailout, refusal)) return refusal;
        if (!intfield(f, 370, 1, 64, 9, s.period, refusal)) return refusal;
        if (!intfield(f, 375, 1, 256, 14, s.demscale, refusal)) return refusal;
    }
    return {};
}

}  // namespace

const Dialog ParamDialogProc{&table, &init, &ok};

}  // namespace vantrel
