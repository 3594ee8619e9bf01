#pragma once

#include "platform/dialog.h"
#include "state/state.h"

namespace vantrel {

// Template numbers: how the program names its dialogs.
namespace dialogid {
constexpr int fractaltype = 200, parameters = 300, method = 400, outside = 500, inside = 600,
              colors = 700, period = 800, background = 900, rays = 1000;
}  // namespace dialogid

// The fields of the parameters dialog, top to bottom.
namespace paramfield {
constexpr int xmin = 305, xmax = 310, ymin = 315, ymax = 320, xres = 325, yres = 330, maxiter = 335,
              maxsize = 340, jcx = 345, jcy = 350, exponent = 355, slope = 360, bailout = 365,
              period = 370, demscale = 375;
// In place of xmin..ymax on a deep view: its centre and width.
constexpr int deepre = 380, deepim = 385, deepwidth = 390;
}  // namespace paramfield

// The first button of each radio group; the button of value v is first + v.
namespace firstradio {
constexpr int fractaltype = 220, method = 420, outside = 520, inside = 620, mapping = 850,
              background = 920, raymode = 1095;
}  // namespace firstradio

// The edit fields of the option dialogs. Red, green and blue follow each other 10 apart.
namespace optionfield {
constexpr int raynum = 1050, rayden = 1060, rayred = 1070, period = 840, insidered = 730,
              outsidered = 760;
}  // namespace optionfield

// One of the program's dialogs: its table, how it fills its fields from the state,
// and what OK does. OK checks the fields in a fixed order and stores each one in
// the state as soon as it passes; at the first refusal it returns the message and
// leaves everything stored so far as it is (Cancel afterwards keeps it too).
struct Dialog {
    const DialogTable* table;
    void (*init)(const State& s, DialogFields& f);
    DialogCheck (*ok)(State& s, const DialogFields& f);
};

extern const Dialog ParamDialogProc;  // the numeric parameters
// The numeric parameters of a deep view: its centre and width as decimal text,
// and iteration limits up to 2,000,000,000.
extern const Dialog DeepParamDialogProc;
extern const Dialog TypeDialogProc;     // Mandelbrot or Julia set
extern const Dialog MethodDialogProc;   // height field or image
extern const Dialog OutsideDialogProc;  // outside coloring method
extern const Dialog InsideDialogProc;   // inside coloring method
extern const Dialog RaysDialogProc;     // external ray options
extern const Dialog PeriodDialogProc;   // period and mapping of field lines
extern const Dialog ColorsDialogProc;   // the two solid colors
extern const Dialog BkgdDialogProc;     // background of equipotential lines

// The dialog of a template number, or nullptr.
const Dialog* finddialog(int templateid);

// The dialog filled from the state, with an OK that works on that same state.
BoundDialog binddialog(State& s, const Dialog& d);

// Text of a refusal: the `paramerror` entries, then the two Julia-constant fields
// (`juliacxerror`, `juliacyerror`), which have no range to break, only non-numbers,
// then the deep view's fields and its iteration limit.
constexpr int juliacxerror = 15, juliacyerror = 16, deepreerror = 17, deepimerror = 18,
              deepwidtherror = 19, deepmaxitererror = 20;
const char* errortext(int error);

// The command the main window posts to itself after a dialog closed with OK, so
// that the chosen method's own settings follow: the colors after "Solid Color"
// outside or inside, the period after "Field Line Gradients", the background
// after "Equipotential Lines". 0 when nothing follows.
int followup(int templateid, const State& s);

// Captions of the coloring methods, by value of `outside` and `inside`.
extern const char* const outsidenames[outside::count];
extern const char* const insidenames[inside::count];

// The advisory shown the first time distance-estimator inside coloring is chosen.
extern const char* const demadvisorytext;

}  // namespace vantrel
