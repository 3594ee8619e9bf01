#include "render/driver.h"

#include <algorithm>
#include <cmath>

#include "render/canvas.h"
#include "render/distance.h"
#include "render/engine.h"
#include "render/escape.h"
#include "render/frame.h"
#include "state/history.h"

namespace vantrel {

namespace {

void setup(App& app) {
    State& s = app.s;
    // An image restarted before it was finished gets back what its set-up took.
    if (app.driver.insidepending) {
        s.inside = app.driver.insidesave;
        app.driver.insidepending = false;
    }
    takecurrentview(s);
    const bool tiaout = outsidetia(s.outside);
    if (s.ftype != settype::mandelbrot && tiaout) {
        s.exponent = 2;
        if (!s.okinvert && (s.xmin < -2.75 || s.xmax > 2.75 || s.ymin < -2.75 || s.ymax > 2.75)) {
            s.xmin = s.ymin = -2.5;
            s.xmax = s.ymax = 2.5;
        }
    }
    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;
    s.factor = s.maxiter < 256 ? 256.0 : static_cast<double>(s.maxiter);
    if (tiamethod(s.outside, s.inside)) {
        s.maxsize = std::max(s.maxsize, 8.0);
        s.bailout = std::max(s.bailout, 8.0);
        if (squaredsize(s.tiaflag)) {
            s.maxsize = std::min(s.maxsize, 1e16);
            s.bailout = std::min(s.bailout, 1e16);
        }
    }
    app.driver.il = 1.0 / std::log(2.0);
    app.driver.lptia = std::log(0.5 * std::log(s.bailout));
    app.driver.lpsm = std::log(std::log(s.maxsize));
    if (s.okinvert && tiaout) s.tiaflag = tiaalgorithm::kx;
    if (distanceestimate(s.outside, s.inside)) {
        s.delta = s.xside / s.xres * State::threshold;
        maxdistance(app, &s.distmaxout, &s.distmaxin);
    }
    if (s.outside == outside::peitgenbands) {
        app.driver.insidesave = s.inside;
        s.inside = inside::peitgenblack;
        app.driver.insidepending = true;
    }

    app.driver.pointerstays = app.driver.keeppreview;
    if (app.driver.keeppreview) {
        app.driver.keeppreview = false;
        keepimage(app);
    } else {
        beginimage(app, grey);
    }
}

void complete(App& app) {
    State& s = app.s;
    s.j = 0;
    s.okfractal = 0;
    s.okzoom = 1;
    if (app.driver.insidepending) {
        s.inside = app.driver.insidesave;
        app.driver.insidepending = false;
    }
    storecurrentview(s);
    s.okjulia =
        s.ftype == settype::mandelbrot ? juliapreview::available : juliapreview::unavailable;
    if (s.okorbits) app.g_ohdc = app.g_vhdc;
    endimage(app, app.driver.cursorsave, app.driver.pointerstays ? Pointer::stays : Pointer::aside);
}

}  // namespace

int fractaldriver(App& app) {
    State& s = app.s;
    const Cursor previous = app.host.setcursor(Cursor::wait);
    if (previous != Cursor::wait) app.driver.cursorsave = previous;
    if (s.j == 0) setup(app);

    if (!app.driver.engine)
        app.driver.engine = std::make_shared<RowEngine>(
            app.driver.threads >= 0 ? app.driver.threads : RowEngine::defaultthreads(app.driver.rowbudget.count() == 0));
    // The first row waits: a call that returned without it would run set-up again.
    const auto budget = s.j == 0 ? std::chrono::milliseconds(0) : app.driver.rowbudget;
    if (!app.driver.engine->take(makeframe(app), s.j, app.g_vhdc.row(s.j), budget)) return 0;

    showrow(app, s.j);
    s.j += 1;
    if (s.j >= s.yres) complete(app);
    return 0;
}

}  // namespace vantrel
