#include <algorithm>
#include <utility>

#include "dialogs/dialogs.h"
#include "special/rays.h"
#include "state/history.h"
#include "state/placeview.h"
#include "ui/filecommands.h"
#include "ui/window.h"

namespace vantrel {

namespace {

// Runs the dialog of a template on the state; true after OK.
bool ask(App& app, int templateid) {
    // A deep view's parameters take its centre and width in place of xmin..ymax.
    const bool deep = templateid == dialogid::parameters && deepactive(app.s);
    const Dialog* d = deep ? &DeepParamDialogProc : finddialog(templateid);
    if (d == nullptr) return false;
    BoundDialog bound = binddialog(app.s, *d);
    return app.host.rundialog(bound) == dialogok;
}

// The view surface takes the new image size. What fits of the old image is kept,
// so that the window and the surface go on showing the same picture until the
// next plot; a paused image cannot go on in a surface of another size, so the
// next plot starts from the top.
void newviewsurface(App& app) {
    State& s = app.s;
    Surface fresh(s.xres, s.yres);
    fresh.copy(app.g_vhdc, {0, 0, app.g_vhdc.width(), app.g_vhdc.height()}, 0, 0);
    app.g_vhdc = std::move(fresh);
    s.j = 0;
    if (s.okorbits) {
        // Orbits are traced over a finished image of this size, so it is drawn now.
        app.g_ohdc = Surface(s.xres, s.yres);
        s.okfractal = 1;
    }
    s.newdimensions = 0;
}

void parameters(App& app) {
    State& s = app.s;
    const bool ok = ask(app, dialogid::parameters);
    if (ok) {
        s.j = 0;
        if (s.newminmax == 1 || (s.ftype == settype::julia && s.newc == 1)) {
            // A full history keeps both flags, so the view is pushed once there is room.
            if (s.zct[s.ftype] < historysize - 1) {
                pushview(s, s.xmin, s.xmax, s.ymin, s.ymax);
                s.newminmax = 0;
                s.newc = 0;
            }
        }
    }
    // A refused later field followed by Cancel still leaves a new size stored;
    // the surface follows it all the same, so that no row is ever drawn into (or
    // saved from) a surface of another size.
    const bool resized = app.g_vhdc.width() != s.xres || app.g_vhdc.height() != s.yres;
    if ((ok && s.newdimensions == 1) || resized) newviewsurface(app);
    if (ok) showhistory(app);
}

void rays(App& app) {
    State& s = app.s;
    if (!ask(app, dialogid::rays)) return;
    const double a = s.ftype == settype::julia ? s.jcx : 0.0,
                 b = s.ftype == settype::julia ? s.jcy : 0.0;
    const Cursor previous = app.host.setcursor(Cursor::wait);
    if (s.raymode == raymode::single) {
        NewtonRay(app, s.ftype, s.num, s.den, a, b);
    } else {
        for (int n = 0; n < s.den; ++n) NewtonRay(app, s.ftype, n, s.den, a, b);
    }
    app.host.setcursor(previous);
    const Rect shown{0, 0, std::min(s.xres, s.ClientRes.right),
                     std::min(s.yres, s.ClientRes.bottom)};
    app.window.copy(app.g_vhdc, shown, 0, 0);
    app.host.present(shown);
}

// The outside and inside dialogs lead on to the settings of the chosen method.
void coloring(App& app, int templateid) {
    State& s = app.s;
    const int outsidebefore = s.outside;
    if (!ask(app, templateid)) return;
    // A method that cannot mean anything on a deep view is refused there.
    if (deepactive(s) && s.outside != outsidebefore) {
        if (const char* why = deepmoderefusal(s)) {
            s.outside = outsidebefore;
            app.host.messagebox(why, "Deep view", Icon::information, false);
            return;
        }
    }
    app.s.j = 0;
    if (const int next = followup(templateid, app.s)) app.post(Message::command(next));
}

}  // namespace

void dialogcommand(App& app, int id) {
    State& s = app.s;
    switch (id) {
        case cmd::loadparams:
            loadparamfile(app);
            break;
        case cmd::saveimage:
            saveimagefile(app);
            break;
        case cmd::saveparams:
            saveparamfile(app);
            break;
        case cmd::mapfile:
            loadmapfile(app);
            break;
        case cmd::parameters:
            parameters(app);
            break;
        case cmd::fractaltype:
            if (ask(app, dialogid::fractaltype)) {
                LoadParams(app);
                s.j = 0;
            }
            break;
        case cmd::method:
            if (ask(app, dialogid::method)) s.j = 0;
            break;
        case cmd::outsidecoloring:
            coloring(app, dialogid::outside);
            break;
        case cmd::insidecoloring:
            coloring(app, dialogid::inside);
            break;
        case cmd::rays:
            rays(app);
            break;
        case cmd::period:
            ask(app, dialogid::period);
            break;
        case cmd::colors:
            ask(app, dialogid::colors);
            break;
        case cmd::background:
            ask(app, dialogid::background);
            break;
        default:
            break;
    }
}

}  // namespace vantrel
