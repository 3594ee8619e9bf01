#include "dialogs/dialogs.h"

#include "platform/message.h"

namespace vantrel {

const Dialog* finddialog(int templateid) {
    for (const Dialog* d : {&ParamDialogProc, &TypeDialogProc, &MethodDialogProc,
                            &OutsideDialogProc, &InsideDialogProc, &RaysDialogProc,
                            &PeriodDialogProc, &ColorsDialogProc, &BkgdDialogProc})
        if (d->table->id == templateid) return d;
    return nullptr;
}

BoundDialog binddialog(State& s, const Dialog& d) {
    BoundDialog b{d.table, {}, [&s, ok = d.ok](const DialogFields& f) { return ok(s, f); }};
    d.init(s, b.fields);
    return b;
}

const char* errortext(int error) {
    if (error >= 0 && error < 15) return paramerror[error];
    if (error == juliacxerror) return "cx (Julia) must be a number";
    if (error == juliacyerror) return "cy (Julia) must be a number";
    if (error == deepreerror) return "centre x must be a decimal number";
    if (error == deepimerror) return "centre y must be a decimal number";
    if (error == deepwidtherror) return "width must be a decimal number above 0";
    if (error == deepmaxitererror) return "iteration range: 1 - 2000000000";
    return "";
}

int followup(int templateid, const State& s) {
    if (templateid == dialogid::outside) {
        if (s.outside == outside::solidcolor) return cmd::colors;
        if (s.outside == outside::fieldlines) return cmd::period;
        if (s.outside == outside::equipotentiallines) return cmd::background;
    } else if (templateid == dialogid::inside) {
        if (s.inside == inside::solidcolor) return cmd::colors;
    }
    return 0;
}

}  // namespace vantrel
