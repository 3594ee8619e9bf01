#include <tuple>
#include <utility>

#include "dialogs/dialogs.h"
#include "dialogs/fields.h"
#include "files/textparams.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

struct Row {
    int id;
    const char* label;
};

// Top to bottom, which is also the tab order: the view, then the rest.
constexpr Row viewrows[] = {
    {paramfield::xmin, "xmin:"},
    {paramfield::xmax, "xmax:"},
    {paramfield::ymin, "ymin:"},
    {paramfield::ymax, "ymax:"},
};
// A deep view's centre and width take long decimal text, so its fields are wide.
constexpr Row deeprows[] = {
    {paramfield::deepre, "centre x:"},
    {paramfield::deepim, "centre y:"},
    {paramfield::deepwidth, "width:"},
};
constexpr Row rows[] = {
    {paramfield::xres, "xres:"},
    {paramfield::yres, "yres:"},
    {paramfield::maxiter, "maxiter:"},
    {paramfield::maxsize, "maxsize:"},
    {paramfield::jcx, "cx (Julia):"},
    {paramfield::jcy, "cy (Julia):"},
    {paramfield::exponent, "exp (z^exp + c):"},
    {paramfield::slope, "slope (CP):"},
    {paramfield::bailout, "bailout (TIA):"},
    {paramfield::period, "period (FLG):"},
    {paramfield::demscale, "scale (DEM inside):"},
};

template <std::size_t N>
DialogTable maketable(const Row (&view)[N], int width) {
    const int height = 294 - 18 * (4 - static_cast<int>(N));
    DialogTable t{dialogid::parameters, " Fractal Parameters", width, height,
                  "MS Sans Serif",      "Parameter Error",     {}};
    int y = 7;
    for (const Row& r : view) {
        t.controls.push_back({ControlKind::edit,
                              r.id,
                              r.label,
                              0,
                              {83, y, width - 7, y + 12},
                              {7, y + 2, 81, y + 12}});
        y += 18;
    }
    for (const Row& r : rows) {
        t.controls.push_back(
            {ControlKind::edit, r.id, r.label, 0, {83, y, 163, y + 12}, {7, y + 2, 81, y + 12}});
        y += 18;
    }
    const int mid = width / 2, b = height - 18;
    t.controls.push_back(
        {ControlKind::button, dialogok, "OK", 0, {mid - 57, b, mid - 7, b + 14}, {}});
    t.controls.push_back(
        {ControlKind::button, dialogcancel, "Cancel", 0, {mid + 7, b, mid + 57, b + 14}, {}});
    return t;
}

const DialogTable table = maketable(viewrows, 170);
const DialogTable deeptable = maketable(deeprows, 400);

DialogCheck refuse(int error, int focus) {
    return {error, errortext(error), focus, {}};
}

void initrest(const State& s, DialogFields& f) {
    f.text[paramfield::xres] = showint(s.xres);
    f.text[paramfield::yres] = showint(s.yres);
    f.text[paramfield::maxiter] = showint(s.maxiter);
    f.text[paramfield::maxsize] = showreal(s.maxsize);
    f.text[paramfield::jcx] = showreal(s.jcx);
    f.text[paramfield::jcy] = showreal(s.jcy);
    f.text[paramfield::exponent] = showint(s.exponent);
    f.text[paramfield::slope] = showreal(s.slope);
    f.text[paramfield::bailout] = showreal(s.bailout);
    f.text[paramfield::period] = showint(s.period);
    f.text[paramfield::demscale] = showint(s.demscale);
}

void init(const State& s, DialogFields& f) {
    f.text[paramfield::xmin] = showreal(s.xmin);
    f.text[paramfield::xmax] = showreal(s.xmax);
    f.text[paramfield::ymin] = showreal(s.ymin);
    f.text[paramfield::ymax] = showreal(s.ymax);
    initrest(s, f);
}

void deepinit(const State& s, DialogFields& f) {
    f.text[paramfield::deepre] = s.deep.re.text();
    f.text[paramfield::deepim] = s.deep.im.text();
    f.text[paramfield::deepwidth] = s.deep.width.text();
    initrest(s, f);
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

// Everything below the view, with the iteration limit up to `maxiter`.
DialogCheck rest(State& s, const DialogFields& f, int maxiter, int maxitererror);

DialogCheck ok(State& s, const DialogFields& f) {
    DialogCheck refusal;
    const bool plain = s.okescher == 0 && s.okorbits == 0;

    if (plain) {
        double& setxlo = s.ftype == settype::mandelbrot ? s.mxmin : s.jxmin;
        double& setxhi = s.ftype == settype::mandelbrot ? s.mxmax : s.jxmax;
        double& setylo = s.ftype == settype::mandelbrot ? s.mymin : s.jymin;
        double& setyhi = s.ftype == settype::mandelbrot ? s.mymax : s.jymax;
        if (!bounds(s, f, paramfield::xmin, paramfield::xmax, s.xmin, s.xmax, setxlo, setxhi, 0,
                    refusal))
            return refusal;
        if (!bounds(s, f, paramfield::ymin, paramfield::ymax, s.ymin, s.ymax, setylo, setyhi, 1,
                    refusal))
            return refusal;
    }
    return rest(s, f, 16384, 4);
}

// A deep view's centre and width: a field still showing the view's own text keeps
// its value; new text must be a decimal number (the width above 0) whose view can
// be drawn, and may also be one that doubles hold.
DialogCheck deepok(State& s, const DialogFields& f) {
    const std::string re = f.gettext(paramfield::deepre), im = f.gettext(paramfield::deepim),
                      width = f.gettext(paramfield::deepwidth);
    if (re != s.deep.re.text() || im != s.deep.im.text() || width != s.deep.width.text()) {
        DeepView v;
        BigFloat probe;
        if (!parsebig(re, &probe)) return refuse(deepreerror, paramfield::deepre);
        if (!parsebig(im, &probe)) return refuse(deepimerror, paramfield::deepim);
        if (!readview(re, im, width, &v)) return refuse(deepwidtherror, paramfield::deepwidth);
        if (const char* why = placeview(s, std::move(v)))
            return {deepwidtherror, why, paramfield::deepwidth, {}};
        s.newminmax = 1;
    }
    return rest(s, f, textmaxiter, deepmaxitererror);
}

DialogCheck rest(State& s, const DialogFields& f, int maxiter, int maxitererror) {
    DialogCheck refusal;
    const bool plain = s.okescher == 0 && s.okorbits == 0;
    for (auto [id, res, error] :
         {std::tuple{paramfield::xres, &s.xres, 2}, std::tuple{paramfield::yres, &s.yres, 3}}) {
        const auto v = fieldint(f, id);
        if (!v || *v < 32 || *v > 9600) return refuse(error, id);
        if (*v != *res) s.newdimensions = 1;
        *res = *v;
    }

    if (s.okescher == 0 &&
        !intfield(f, paramfield::maxiter, 1, maxiter, maxitererror, s.maxiter, refusal))
        return refusal;

    if (plain && s.outside != outside::equipotentiallines) {
        const bool tia = tiamethod(s.outside, s.inside);
        if (!realfield(f, paramfield::maxsize, tia ? 8.0 : 2.0, 1.0e30, tia ? 7 : 5, s.maxsize,
                       refusal))
            return refusal;
    }

    if (s.okorbits == 0) {
        if (!juliafield(s, f, paramfield::jcx, juliacxerror, s.jcx, refusal)) return refusal;
        if (!juliafield(s, f, paramfield::jcy, juliacyerror, s.jcy, refusal)) return refusal;
    }

    if (plain) {
        if (!intfield(f, paramfield::exponent, 2, 17, 13, s.exponent, refusal)) return refusal;
        if (!realfield(f, paramfield::slope, 50.0, 5000.0, 6, s.slope, refusal)) return refusal;
        if (!realfield(f, paramfield::bailout, 8.0, 1.0e30, 7, s.bailout, refusal)) return refusal;
        if (!intfield(f, paramfield::period, 1, 64, 9, s.period, refusal)) return refusal;
        if (!intfield(f, paramfield::demscale, 1, 256, 14, s.demscale, refusal)) return refusal;
    }
    return {};
}

}  // namespace

const Dialog ParamDialogProc{&table, &init, &ok};
const Dialog DeepParamDialogProc{&deeptable, &deepinit, &deepok};

}  // namespace vantrel
