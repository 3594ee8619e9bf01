#pragma once

#include "platform/dialog.h"
#include "state/state.h"

namespace vantrel {

// One of the program's dialogs: its table, how it fills its fields from the state,
// and what OK does. OK checks the fields in a fixed order and stores each one in
// the state as soon as it passes; at the first refusal it returns the message and
// leaves everything stored so far as it is (Cancel afterwards keeps it too).
struct Dialog {
    const DialogTable* table;
    void (*init)(const State& s, DialogFields& f);
    DialogCheck (*ok)(State& s, const DialogFields& f);
};

extern const Dialog ParamDialogProc;    // 300, the numeric parameters
extern const Dialog TypeDialogProc;     // 200, Mandelbrot or Julia set
extern const Dialog MethodDialogProc;   // 400, height field or image
extern const Dialog OutsideDialogProc;  // 500, outside coloring method
extern const Dialog InsideDialogProc;   // 600, inside coloring method
extern const Dialog RaysDialogProc;     // 1000, external ray options
extern const Dialog PeriodDialogProc;   // 800, period and mapping of field lines
extern const Dialog ColorsDialogProc;   // 700, the two solid colors
extern const Dialog BkgdDialogProc;     // 900, background of equipotential lines

// The dialog of a template number, or nullptr.
const Dialog* finddialog(int templateid);

// The dialog filled from the state, with an OK that works on that same state.
BoundDialog binddialog(State& s, const Dialog& d);

// Text of a refusal: the `paramerror` entries, then the two Julia-constant fields
// (`juliacxerror`, `juliacyerror`), which have no range to break, only non-numbers.
constexpr int juliacxerror = 15, juliacyerror = 16;
const char* errortext(int error);

// The command the main window posts to itself after a dialog closed with OK, so
// that the chosen method's own settings follow: 170 (colors) after "Solid Color"
// outside or inside, 165 (period) after "Field Line Gradients", 175 (background)
// after "Equipotential Lines". 0 when nothing follows.
int followup(int templateid, const State& s);

// Captions of the coloring methods, by value of `outside` and `inside`.
extern const char* const outsidenames[19];
extern const char* const insidenames[15];

// The advisory shown the first time distance-estimator inside coloring is chosen.
extern const char* const demadvisorytext;

}  // namespace vantrel
