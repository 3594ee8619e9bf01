#include "render/driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/canvas.h"
#include "render/deepimage.h"
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
    app.driver.takeaa();
    if (deepactive(s)) {
        // What doubles make of the deep view: its extent for what reads it.
        const DoubleView d = doubleview(s.deep.re, s.deep.im, s.deep.width, s.xres, s.yres);
        s.xmin = d.xmin;
        s.xmax = d.xmax;
        s.ymin = d.ymin;
        s.ymax = d.ymax;
    }
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
        // A deep view's range comes with its reference orbits, and its pixels
        // take the derivative along the way instead of keeping their orbits.
        // Only the inside estimator reads the range inside.
        s.distmaxin = 0;
        const bool withinside = s.inside == inside::distanceestimator;
        if (!deepactive(s)) maxdistance(app, &s.distmaxout, withinside ? &s.distmaxin : nullptr);
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

    app.driver.deepimage.reset();
    app.driver.deeptask.reset();
    if (deepactive(s))
        app.driver.deeptask = std::make_shared<DeepTask>(
            s.deep, makeframe(app), RowEngine::threadsfor(app.driver.threads, true),
            app.driver.deepprevious, app.driver.deepfrom);
}

// How far the reference orbits of a task that has run for longer than the delay
// have come, in the status bar where the history's text is.
void showprogress(App& app, const DeepTask& task) {
    App::Driver& d = app.driver;
    if (std::chrono::steady_clock::now() - task.started() < d.progressdelay) return;
    const long long done = task.progress().done, total = task.progress().total;
    if (total == 0) return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "      computing the reference orbit: %lld%% (%lld of %lld iterations)",
                  done * 100 / total, done, total);
    if (d.progress == text) return;
    d.progress = text;
    app.host.statustext(1, d.progress);
}

// The deep image's reference orbits, once they are there (waiting at most a row's
// budget for them). A task started for another image is dropped, so that the next
// call sets the new one up.
bool deepready(App& app) {
    State& s = app.s;
    App::Driver& d = app.driver;
    if (!sameview(d.deeptask->view(), s.deep) || !(d.deeptask->frame() == makeframe(app))) {
        d.deeptask.reset();
        return false;
    }
    if (!d.deeptask->wait(d.rowbudget)) {
        showprogress(app, *d.deeptask);
        return false;
    }
    d.deepimage = d.deeptask->image();
    d.deeptask.reset();
    if (!d.deepimage) return false;  // stopped on the way: set up again
    d.deepprevious = d.deepimage;
    if (!d.progress.empty()) {
        d.progress.clear();
        showhistory(app);
    }
    if (distanceestimate(s.outside, s.inside)) {
        s.distmaxout = d.deepimage->distmaxout;
        s.distmaxin = d.deepimage->distmaxin;
    }
    return true;
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
    // A deep image's set-up is done once its reference orbits are under way.
    if (s.j == 0 && !app.driver.deeptask) setup(app);
    if (app.driver.deeptask && !deepready(app)) return 0;

    if (!app.driver.engine)
        app.driver.engine = std::make_shared<RowEngine>(
            RowEngine::threadsfor(app.driver.threads, app.driver.rowbudget.count() == 0));
    // The first row waits: a call that returned without it would run set-up again.
    const auto budget = s.j == 0 ? std::chrono::milliseconds(0) : app.driver.rowbudget;
    Rgb* const row = app.g_vhdc.row(app.driver.rowsink ? 0 : s.j);
    if (!app.driver.engine->take(makeframe(app), s.j, row, budget)) return 0;

    if (app.driver.rowsink)
        app.driver.rowsink(s.j, row);
    else
        showrow(app, s.j);
    s.j += 1;
    if (s.j >= s.yres) complete(app);
    return 0;
}

}  // namespace vantrel
