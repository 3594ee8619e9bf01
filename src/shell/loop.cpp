#include "shell/loop.h"

#include "render/engine.h"
#include "shell/splash.h"
#include "special/firstimage.h"
#include "special/renderstep.h"
#include "state/history.h"

namespace vantrel {

void DispatchMessage(App& app, const Message& m) {
    if (m.window == 0) {
        if (app.mainwindowproc) app.mainwindowproc(app, m);
    } else if (m.window == app.g_hAboutwnd) {
        AboutWindowProc(app, m);
    }
    // Splash windows handle nothing of their own.
}

Turn ProgramTurn(App& app) {
    State& s = app.s;
    Message m;
    bool have = false;
    if (!app.posted.empty()) {
        m = app.posted.front();
        app.posted.pop_front();
        have = true;
    } else {
        have = app.host.getmessage(m);
    }
    if (have) {
        if (m.type == MessageType::quit) {
            app.exitcode = m.id;
            return Turn::quit;
        }
        translateaccelerator(m);
        DispatchMessage(app, m);
    }

    // Exactly one step of drawing follows every message, so that input is never
    // kept waiting longer than one row.
    if (s.okfirstimage)
        firstimage(app);
    else if (s.okfractal)
        renderstep(app);

    const bool drawing = s.okfirstimage || s.okfractal;
    // A paused or finished image wants no rows ahead, and shows no progress of its
    // reference orbit (which comes back when drawing goes on).
    if (!s.okfractal && app.driver.engine) app.driver.engine->cancel();
    if (!s.okfractal && !app.driver.progress.empty()) {
        app.driver.progress.clear();
        showhistory(app);
    }
    return drawing || !app.posted.empty() ? Turn::busy : Turn::idle;
}

int ProgramDriver(App& app) {
    app.host.runloop([&app] { return ProgramTurn(app); });
    return app.exitcode;
}

}  // namespace vantrel
