#include "render/driver.h"

#include <algorithm>
#include <cmath>

#include "render/deepimage.h"
#include "render/engine.h"
#include "render/escape.h"
#include "render/frame.h"
#include "special/distance.h"
#include "special/escher.h"
#include "special/firstimage.h"
#include "state/history.h"

namespace vantrel {

namespace {

bool distanceestimator(const State& s) { return s.outside == 18 || s.inside == 14; }

int helperthreads(const App& app) {
    return app.threads >= 0 ? app.threads : RowEngine::defaultthreads(true);
}

void setup(App& app) {
    State& s = app.s;
    // An image restarted before it was finished gets back what its set-up took.
    if (app.insidepending) {
        s.inside = app.insidesave;
        app.insidepending = false;
    }
    s.xorbit = {};
    s.yorbit = {};

    takecurrentview(s);
    if (deepactive(s)) {
        // What doubles make of the deep view: its extent for what reads it.
        const DoubleView d = doubleview(s.deep.re, s.deep.im, s.deep.width, s.xres, s.yres);
        s.xmin = d.xmin;
        s.xmax = d.xmax;
        s.ymin = d.ymin;
        s.ymax = d.ymax;
    }
    const bool tiaout = s.outside >= 9 && s.outside <= 12;
    if (s.ftype != 0 && tiaout) {
        s.exponent = 2;
        if (!s.okinvert && (s.xmin < -2.75 || s.xmax > 2.75 || s.ymin < -2.75 || s.ymax > 2.75)) {
            s.xmin = s.ymin = -2.5;
            s.xmax = s.ymax = 2.5;
        }
    }
    s.xside = s.xmax - s.xmin;
    s.yside = s.ymax - s.ymin;
    s.factor = s.maxiter < 256 ? 256.0 : static_cast<double>(s.maxiter);
    if (tiamethod(s)) {
        s.maxsize = std::max(s.maxsize, 8.0);
        s.bailout = std::max(s.bailout, 8.0);
        if (s.tiaflag == 1 || s.tiaflag == 2) {
            s.maxsize = std::min(s.maxsize, 1e16);
            s.bailout = std::min(s.bailout, 1e16);
        }
    }
    app.il = 1.0 / std::log(2.0);
    app.lptia = std::log(0.5 * std::log(s.bailout));
    app.lpsm = std::log(std::log(s.maxsize));
    if (s.okinvert && tiaout) s.tiaflag = 0;
    if (distanceestimator(s)) {
        s.delta = s.xside / s.xres * State::threshold;
        // A deep view's range comes with its reference orbits, and its pixels
        // take the derivative along the way instead of keeping their orbits.
        if (!deepactive(s)) {
            s.xorbit.assign(static_cast<std::size_t>(s.maxiter) + 1, 0.0);
            s.yorbit.assign(static_cast<std::size_t>(s.maxiter) + 1, 0.0);
            maxdistance(app, &s.distmaxout, &s.distmaxin);
        }
    }
    if (s.outside == 7) {
        app.insidesave = s.inside;
        s.inside = 30;
        app.insidepending = true;
    }

    // The view surface always has the size of the image it holds.
    if (app.g_vhdc.width() != s.xres || app.g_vhdc.height() != s.yres)
        app.g_vhdc = Surface(s.xres, s.yres);
    app.window.fill(s.ClientRes, black);
    s.VhdcRes = {0, 0, std::min(s.xres, s.ClientRes.right), std::min(s.yres, s.ClientRes.bottom)};
    app.window.fill(s.VhdcRes, grey);
    s.VhdcRes.right = s.xres;
    s.VhdcRes.bottom = s.yres;
    app.g_vhdc.fill(s.VhdcRes, grey);
    app.host.present(s.ClientRes);

    app.deepimage.reset();
    app.deeptask.reset();
    if (deepactive(s))
        app.deeptask = std::make_shared<DeepTask>(s.deep, makeframe(app), helperthreads(app));
}

// The deep image's reference orbits, once they are there (waiting at most a row's
// budget for them). A task started for another image is dropped, so that the next
// call sets the new one up.
bool deepready(App& app) {
    State& s = app.s;
    if (!sameview(app.deeptask->view(), s.deep) || !(app.deeptask->frame() == makeframe(app))) {
        app.deeptask.reset();
        return false;
    }
    if (!app.deeptask->wait(app.rowbudget)) return false;
    app.deepimage = app.deeptask->image();
    app.deeptask.reset();
    if (!app.deepimage) return false;  // stopped on the way: set up again
    if (distanceestimator(s)) {
        s.distmaxout = app.deepimage->distmaxout;
        s.distmaxin = app.deepimage->distmaxin;
    }
    return true;
}

void complete(App& app) {
    State& s = app.s;
    s.j = 0;
    s.okfractal = 0;
    s.okzoom = 1;
    s.xorbit = {};
    s.yorbit = {};
    if (app.insidepending) {
        s.inside = app.insidesave;
        app.insidepending = false;
    }
    storecurrentview(s);
    s.okjulia = s.ftype == 0 ? 1 : 0;
    if (s.okorbits) app.g_ohdc = app.g_vhdc;
    app.host.setcursor(app.cursorsave);
    app.host.setpointer(100, 100);
}

}  // namespace

int fractaldriver(App& app) {
    State& s = app.s;
    // Equipotential lines and Escher-Julia mode draw their whole image themselves;
    // the equipotential lines win when both are chosen.
    if (s.outside == 4) {
        firstimage(app);
        return 0;
    }
    if (s.okescher) {
        EscherJulia(app);
        return 0;
    }
    const Cursor previous = app.host.setcursor(Cursor::wait);
    if (previous != Cursor::wait) app.cursorsave = previous;
    // A deep image's set-up is done once its reference orbits are under way.
    if (s.j == 0 && !app.deeptask) setup(app);
    if (app.deeptask && !deepready(app)) return 0;

    if (!app.engine)
        app.engine = std::make_shared<RowEngine>(
            app.threads >= 0 ? app.threads : RowEngine::defaultthreads(app.rowbudget.count() == 0));
    // The first row waits: a call that returned without it would run set-up again.
    const auto budget = s.j == 0 ? std::chrono::milliseconds(0) : app.rowbudget;
    if (!app.engine->take(makeframe(app), s.j, app.g_vhdc.row(s.j), budget)) return 0;

    if (s.j < s.ClientRes.bottom) {
        const Rect r{0, s.j, std::min(s.xres, s.ClientRes.right), s.j + 1};
        app.window.copy(app.g_vhdc, r, 0, s.j);
        app.host.present(r);
    }
    s.j += 1;
    if (s.j >= s.yres) complete(app);
    return 0;
}

}  // namespace vantrel
