#include <initializer_list>
#include <tuple>

#include "dialogs/dialogs.h"
#include "dialogs/fields.h"

namespace vantrel {

const char* const outsidenames[outside::count] = {
    "Solid Color",
    "Level Sets",
    "Smoothing",
    "Continuous Potential",
    "Equipotential Lines",
    "Binary Decomposition",
    "Binary Decomposition: B / W",
    "Peitgen Band Decomposition",
    "Field Line Gradients",
    "Triangle Inequality Average",
    "Smoothing + TIA",
    "CP + TIA",
    "Integer TIA",
    "'Kirlian' Decomposition",
    "Pickover Biomorphs",
    "Species of Origin",
    "Cardioid",
    "N + Real ( Z )",
    "Distance Estimator",
};

const char* const insidenames[inside::count] = {
    "Solid Color",
    "ZMag",
    "BOF 33",
    "BOF 34",
    "zx * abs(zy)",
    "abs(zx) * abs(zy)",
    "atan(size, abs(zy))",
    "atan(x * y, zy^2)",
    "atan(sin(x), abs(zy))",
    "atan(atan(sin(size), 20), abs(zy))",
    "zx * atan((zx - cx) * abs(zy))",
    "Triangle Inequality Average",
    "Epsilon Cross",
    "Angular Decomposition",
    "Distance Estimator",
};

const char* const demadvisorytext =
    "For distance estimator inside coloring, a maximum iteration value\n"
    "   considerably less than 100 is recommended to start with.\n\n"
    "The value will be set to 64, this time only.";

namespace {

constexpr const char* font = "MS Sans Serif";

DialogCheck refuse(int error, int focus) {
    return {error, errortext(error), focus, {}};
}

void buttons(DialogTable& t, int y) {
    const int mid = t.width / 2;
    t.controls.push_back(
        {ControlKind::button, dialogok, "OK", 0, {mid - 57, y, mid - 7, y + 14}, {}});
    t.controls.push_back(
        {ControlKind::button, dialogcancel, "Cancel", 0, {mid + 7, y, mid + 57, y + 14}, {}});
}

// A group box with its buttons one under the other, `step` units apart.
int column(DialogTable& t, int groupid, const char* caption, int first,
           std::initializer_list<const char*> captions, int top, int step) {
    const int n = static_cast<int>(captions.size());
    const int bottom = top + 12 + n * step;
    t.controls.push_back(
        {ControlKind::group, groupid, caption, 0, {7, top, t.width - 7, bottom}, {}});
    int y = top + 10, id = first;
    for (const char* c : captions) {
        t.controls.push_back(
            {ControlKind::radio, id++, c, groupid, {14, y, t.width - 14, y + 10}, {}});
        y += step;
    }
    return bottom;
}

// The small dialogs with two buttons side by side in one group box.
DialogTable pair(int id, const char* title, int groupid, int first, const char* a, const char* b) {
    DialogTable t{id, title, 183, 68, font, "", {}};
    t.controls.push_back({ControlKind::group, groupid, "", 0, {7, 5, 176, 36}, {}});
    t.controls.push_back({ControlKind::radio, first, a, groupid, {20, 17, 90, 27}, {}});
    t.controls.push_back({ControlKind::radio, first + 1, b, groupid, {100, 17, 170, 27}, {}});
    buttons(t, 46);
    return t;
}

DialogTable methodlist(int id, const char* title, int groupid, int first, const char* const* names,
                       int n, int height) {
    DialogTable t{id, title, 163, height, font, "Incompatibility", {}};
    const int bottom = 7 + 12 + n * 20;
    t.controls.push_back({ControlKind::group, groupid, "", 0, {7, 7, 156, bottom}, {}});
    for (int k = 0; k < n; ++k) {
        const int y = 17 + 20 * k;
        t.controls.push_back(
            {ControlKind::radio, first + k, names[k], groupid, {14, y, 150, y + 10}, {}});
    }
    buttons(t, height - 25);
    return t;
}

// An edit field with its label, in a group box.
void edit(DialogTable& t, int id, const char* label, int groupid, int x, int y, int labelw,
          int fieldw) {
    t.controls.push_back({ControlKind::edit,
                          id,
                          label,
                          groupid,
                          {x + labelw, y, x + labelw + fieldw, y + 12},
                          {x, y + 2, x + labelw - 2, y + 12}});
}

void statictext(DialogTable& t, int groupid, const char* text, int top, int bottom) {
    t.controls.push_back({ControlKind::group, groupid, "", 0, {7, top, t.width - 7, bottom}, {}});
    t.controls.push_back(
        {ControlKind::text, nocontrol, text, groupid, {14, top + 9, t.width - 14, bottom - 4}, {}});
}

DialogTable raystable() {
    DialogTable t{dialogid::rays, "    External Ray Options", 155, 250,
                  font,           "Parameter Error",          {}};
    statictext(t, 1010,
               "Select angle in turns (radians / 2 Pi):\n\n"
               "  a rational number from  0/1 to 255/256",
               7, 50);
    t.controls.push_back({ControlKind::group, 1020, "N / D", 0, {7, 55, 148, 99}, {}});
    edit(t, optionfield::raynum, "N (0 - 255):", 1020, 14, 67, 60, 40);
    edit(t, optionfield::rayden, "D (1 - 256):", 1020, 14, 82, 60, 40);
    const int below = column(t, 1030, "Mode", firstradio::raymode,
                             {"single ray N / D", "all rays with D"}, 104, 14);
    t.controls.push_back({ControlKind::group,
                          1040,
                          "Color Indices (0 - 255)",
                          0,
                          {7, below + 5, 148, below + 66},
                          {}});
    edit(t, optionfield::rayred, "red:", 1040, 14, below + 17, 60, 40);
    edit(t, optionfield::rayred + 10, "green:", 1040, 14, below + 32, 60, 40);
    edit(t, optionfield::rayred + 20, "blue:", 1040, 14, below + 47, 60, 40);
    buttons(t, 225);
    return t;
}

DialogTable periodtable() {
    DialogTable t{
        dialogid::period, "    Choose Period ( 1 - 64 )", 155, 164, font, "Parameter Error", {}};
    statictext(t, 810, "Recommended: 1, 3, 12, 15, 21, 42\n\nTry the greyscale palette", 7, 50);
    t.controls.push_back({ControlKind::group, 820, "Period", 0, {7, 55, 148, 82}, {}});
    edit(t, optionfield::period, "Period:", 820, 14, 66, 60, 40);
    column(t, 830, "Mapping", firstradio::mapping, {"Radial", "Radial Reflected"}, 87, 14);
    buttons(t, 140);
    return t;
}

DialogTable colorstable() {
    DialogTable t{
        dialogid::colors, "    Choose Colors ( 0 - 255 )", 155, 164, font, "Parameter Error", {}};
    int top = 7;
    for (auto [group, caption, first] : {std::tuple{710, "Inside", optionfield::insidered},
                                         std::tuple{720, "Outside", optionfield::outsidered}}) {
        t.controls.push_back({ControlKind::group, group, caption, 0, {7, top, 148, top + 58}, {}});
        edit(t, first, "red:", group, 14, top + 12, 60, 40);
        edit(t, first + 10, "green:", group, 14, top + 27, 60, 40);
        edit(t, first + 20, "blue:", group, 14, top + 42, 60, 40);
        top += 64;
    }
    buttons(t, 140);
    return t;
}

const DialogTable typetable = pair(dialogid::fractaltype, "Select the Fractal Type", 210,
                                   firstradio::fractaltype, "Mandelbrot", "Julia");
const DialogTable methodtable = pair(dialogid::method, "Select the Coloring Method", 410,
                                     firstradio::method, "Height Field", "Image");
const DialogTable bkgdtable = pair(dialogid::background, "Select the Background", 910,
                                   firstradio::background, "White", "Dark Gradient");
const DialogTable outsidetable =
    methodlist(dialogid::outside, "Select the Outside Coloring Method", 510, firstradio::outside,
               outsidenames, outside::count, 430);
const DialogTable insidetable =
    methodlist(dialogid::inside, "Select the Inside Coloring Method", 610, firstradio::inside,
               insidenames, inside::count, 350);
const DialogTable raytable = raystable();
const DialogTable periodtab = periodtable();
const DialogTable colortable = colorstable();

// The radio button of the current value is checked; a value without a button
// (the orbit-tracing colorings) leaves them all clear.
void radios(DialogFields& f, int first, int count, int value) {
    f.checkradio(first, first + count - 1, first + value);
}

// The index of the first checked button, or the global as it was when none is.
void takeradio(const DialogFields& f, int first, int count, int& into) {
    const int k = f.firstchecked(first, first + count - 1);
    if (k >= 0) into = k;
}

// A color component 0..255.
bool component(const DialogFields& f, int id, int& into) {
    const auto v = fieldint(f, id);
    if (!v || *v < 0 || *v > 255) return false;
    into = *v;
    return true;
}

void typeinit(const State& s, DialogFields& f) {
    radios(f, firstradio::fractaltype, 2, s.ftype);
}
DialogCheck typeok(State& s, const DialogFields& f) {
    takeradio(f, firstradio::fractaltype, 2, s.ftype);
    return {};
}

void methodinit(const State& s, DialogFields& f) {
    radios(f, firstradio::method, 2, s.method);
}
DialogCheck methodok(State& s, const DialogFields& f) {
    takeradio(f, firstradio::method, 2, s.method);
    return {};
}

void bkgdinit(const State& s, DialogFields& f) {
    radios(f, firstradio::background, 2, s.plbkgd);
}
DialogCheck bkgdok(State& s, const DialogFields& f) {
    takeradio(f, firstradio::background, 2, s.plbkgd);
    return {};
}

void outsideinit(const State& s, DialogFields& f) {
    radios(f, firstradio::outside, outside::count, s.outside);
}
DialogCheck outsideok(State& s, const DialogFields& f) {
    takeradio(f, firstradio::outside, outside::count, s.outside);
    if (incompatiblemethods(s.outside, s.inside)) return refuse(12, 0);
    return {};
}

void insideinit(const State& s, DialogFields& f) {
    radios(f, firstradio::inside, inside::count, s.inside);
}
DialogCheck insideok(State& s, const DialogFields& f) {
    takeradio(f, firstradio::inside, inside::count, s.inside);
    if (incompatiblemethods(s.outside, s.inside)) return refuse(12, 0);
    DialogCheck done;
    if (s.inside == inside::distanceestimator && s.demadvisory == 1) {
        s.demadvisory = 0;
        s.maxiter = 64;
        done.notices.push_back({demadvisorytext, "DEM Advisory"});
    }
    return done;
}

void raysinit(const State& s, DialogFields& f) {
    f.text[optionfield::raynum] = showint(s.num);
    f.text[optionfield::rayden] = showint(s.den);
    radios(f, firstradio::raymode, 2, s.raymode);
    f.text[optionfield::rayred] = showint(s.rray);
    f.text[optionfield::rayred + 10] = showint(s.gray);
    f.text[optionfield::rayred + 20] = showint(s.bray);
}
DialogCheck raysok(State& s, const DialogFields& f) {
    const auto n = fieldint(f, optionfield::raynum);
    const auto d = fieldint(f, optionfield::rayden);
    if (!d || *d < 1 || *d > 256) return refuse(11, optionfield::rayden);
    if (!n || *n < 0 || *n >= *d) return refuse(10, optionfield::raynum);
    s.num = *n;
    s.den = *d;
    takeradio(f, firstradio::raymode, 2, s.raymode);
    int rgb[3];
    for (int k = 0; k < 3; ++k)
        if (!component(f, optionfield::rayred + 10 * k, rgb[k]))
            return refuse(8, optionfield::rayred + 10 * k);
    // The ray color changes as a whole or not at all.
    s.rray = rgb[0];
    s.gray = rgb[1];
    s.bray = rgb[2];
    return {};
}

void periodinit(const State& s, DialogFields& f) {
    f.text[optionfield::period] = showint(s.period);
    radios(f, firstradio::mapping, 2, s.mapping);
}
DialogCheck periodok(State& s, const DialogFields& f) {
    const auto v = fieldint(f, optionfield::period);
    if (!v || *v < 1 || *v > 64) return refuse(9, optionfield::period);
    s.period = *v;
    takeradio(f, firstradio::mapping, 2, s.mapping);
    return {};
}

void colorsinit(const State& s, DialogFields& f) {
    const int* values[6] = {&s.rin, &s.gin, &s.bin, &s.rout, &s.gout, &s.bout};
    for (int k = 0; k < 6; ++k) f.text[optionfield::insidered + 10 * k] = showint(*values[k]);
}
DialogCheck colorsok(State& s, const DialogFields& f) {
    int* values[6] = {&s.rin, &s.gin, &s.bin, &s.rout, &s.gout, &s.bout};
    for (int k = 0; k < 6; ++k)
        if (!component(f, optionfield::insidered + 10 * k, *values[k]))
            return refuse(8, optionfield::insidered + 10 * k);
    return {};
}

}  // namespace

const Dialog TypeDialogProc{&typetable, &typeinit, &typeok};
const Dialog MethodDialogProc{&methodtable, &methodinit, &methodok};
const Dialog OutsideDialogProc{&outsidetable, &outsideinit, &outsideok};
const Dialog InsideDialogProc{&insidetable, &insideinit, &insideok};
const Dialog RaysDialogProc{&raytable, &raysinit, &raysok};
const Dialog PeriodDialogProc{&periodtab, &periodinit, &periodok};
const Dialog ColorsDialogProc{&colortable, &colorsinit, &colorsok};
const Dialog BkgdDialogProc{&bkgdtable, &bkgdinit, &bkgdok};

}  // namespace vantrel
