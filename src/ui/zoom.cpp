#include <algorithm>
#include <cmath>
#include <string>

#include "render/complex.h"
#include "special/julia.h"
#include "state/history.h"
#include "ui/deepviews.h"
#include "ui/orbits.h"
#include "ui/window.h"

namespace vantrel {

bool insideimage(const State& s, int x, int y) {
    return x < std::min(s.xres, s.ClientRes.right) && y < std::min(s.yres, s.ClientRes.bottom);
}

double planex(const State& s, int px) {
    return px * (s.xmax - s.xmin) / (s.xres - 1) + s.xmin;
}
double planey(const State& s, int py) {
    return (s.yres - py - 1) * (s.ymax - s.ymin) / (s.yres - 1) + s.ymin;
}

void pointerstatus(App& app) {
    State& s = app.s;
    if (deepactive(s)) {
        s.statustext = pointtext(s, app.mainwin.pointerxpos, app.mainwin.pointerypos, "x", "y");
        app.host.statustext(0, s.statustext);
        return;
    }
    // In inversion mode the point iterated is the inverse of the one under the pointer.
    if (s.okinvert) invert(&app.mainwin.cxm, &app.mainwin.cym, 1.0);
    const int d = pointdecimals(s);
    status(app, 0, "      x:  %.*f      y:  %.*f", d, app.mainwin.cxm, d, app.mainwin.cym);
}

void removejuliapreview(App& app) {
    const Rect corner{0, 0, previewsize, previewsize};
    app.window.copy(app.g_jhdc, corner, 0, 0);
    app.g_vhdc.copy(app.g_jhdc, corner, 0, 0);
    app.host.present(corner);
    app.s.okjulia = juliapreview::available;
    showhistory(app);
}

namespace {

// Puts the image back where the last frame was drawn.
void erasezoomframe(App& app) {
    const Rect r{app.mainwin.oldzoombox.left, app.mainwin.oldzoombox.top,
                 app.mainwin.oldzoombox.left + app.mainwin.width,
                 app.mainwin.oldzoombox.top + app.mainwin.height};
    app.window.copy(app.g_vhdc, r, r.left, r.top);
    app.host.present(r);
}

bool boxesallowed(const State& s) {
    return s.okzoom && s.okjulia != juliapreview::shown && !s.okorbits && !s.okescher;
}

// Z: the box's pixel edges become the new view's edges exactly; a box that is
// not of the image's shape is stretched to it.
void cancelzoom(App& app) {
    State& s = app.s;
    s.okzoom = 1;
    s.zooming = 0;
    s.drawbox = 0;
    erasezoomframe(app);
    showhistory(app);
}

// Past the reach of doubles the box gives a deep view, centred on the box and
// as wide as it, of the image's shape.
void zoom(App& app) {
    State& s = app.s;
    const double t = s.xmin, u = s.ymax;
    const Rect& b = app.mainwin.zoombox;
    const View v{t + static_cast<double>(b.left) / (s.xres - 1) * s.xside,
                 t + static_cast<double>(b.right) / (s.xres - 1) * s.xside,
                 u - static_cast<double>(b.bottom) / (s.yres - 1) * s.yside,
                 u - static_cast<double>(b.top) / (s.yres - 1) * s.yside};
    if (!moveto(app, v, [&] { return boxview(s, b); })) {
        cancelzoom(app);
        return;
    }
    s.zooming = 0;
    pushview(s, s.xmin, s.xmax, s.ymin, s.ymax);
    showhistory(app);
    s.j = 0;
    s.okfractal = 1;
}

void resethistory(App& app) {
    State& s = app.s;
    const int t = s.ftype;
    app.host.messagebox(std::string("Resetting ") + State::reset[t] + " set history", "Reset",
                        Icon::information, false);
    resetentries(s);
    LoadParams(app);
    s.j = 0;
}

// J: the previewed constant becomes the Julia set's, drawn over its home square.
void takejulia(App& app) {
    State& s = app.s;
    s.okjulia = juliapreview::unavailable;
    s.ftype = settype::julia;
    s.jcx = s.tjcx;
    s.jcy = s.tjcy;
    s.xmin = s.ymin = s.jxmin = s.jymin = -2.25;
    s.xmax = s.ymax = s.jxmax = s.jymax = 2.25;
    if (s.deep.ftype == settype::julia) s.deep.on = false;
    pushview(s, s.xmin, s.xmax, s.ymin, s.ymax);
    showhistory(app);
    s.j = 0;
    s.okfractal = 1;
}

}  // namespace

void mousemove(App& app, int x, int y) {
    State& s = app.s;
    app.mainwin.pointerxpos = x;
    app.mainwin.pointerypos = y;
    if (s.okfractal || !insideimage(s, x, y)) return;
    app.mainwin.cxm = planex(s, x);
    app.mainwin.cym = planey(s, y);
    if (s.drawbox) {
        app.mainwin.nextxpos = x;
        app.mainwin.nextypos = y;
        Rect& b = app.mainwin.zoombox;
        b = {std::min(app.mainwin.startxpos, x), std::min(app.mainwin.startypos, y),
             std::max(app.mainwin.startxpos, x), std::max(app.mainwin.startypos, y)};
        if (b.right - b.left < 1 || b.bottom - b.top < 1) return;
        if (app.mainwin.erasebox)
            erasezoomframe(app);
        else
            app.mainwin.erasebox = 1;
        app.mainwin.framezoombox = {b.left, b.top, b.right + 1, b.bottom + 1};
        app.window.frame(app.mainwin.framezoombox, white);
        app.host.present(app.mainwin.framezoombox);
        app.mainwin.oldzoombox = app.mainwin.framezoombox;
        app.mainwin.width = app.mainwin.oldzoombox.right - app.mainwin.oldzoombox.left + 2;
        app.mainwin.height = app.mainwin.oldzoombox.bottom - app.mainwin.oldzoombox.top + 2;
        status(app, 1, "     aspect ratio:  %.6f",
               std::fabs(static_cast<double>(b.right - b.left) / (b.bottom - b.top)));
    }
    pointerstatus(app);
}

void lbuttondown(App& app, int x, int y) {
    State& s = app.s;
    // No drag starts while an image is drawn: the moves that would size it are
    // ignored until the image is done.
    if (s.okfractal || !boxesallowed(s) || !insideimage(s, x, y)) return;
    s.drawbox = 1;
    app.mainwin.erasebox = 0;
    app.mainwin.startxpos = app.mainwin.nextxpos = x;
    app.mainwin.startypos = app.mainwin.nextypos = y;
    // The box starts empty, so that a click without a move is cancelled at button up
    // instead of reusing the box of an earlier drag.
    app.mainwin.zoombox = {x, y, x, y};
}

void lbuttonup(App& app) {
    State& s = app.s;
    if (!s.drawbox || !boxesallowed(s)) return;
    s.zooming = 1;
    const Rect& b = app.mainwin.zoombox;
    if (b.right - b.left >= 2 && b.bottom - b.top >= 2) {
        // The box waits on the window for Z or X.
        s.drawbox = 0;
        s.okzoom = 0;
    } else {
        app.post(Message::key('X'));
    }
}

void rbuttondown(App& app, int x, int y) {
    State& s = app.s;
    if (s.okfractal || s.ftype != settype::mandelbrot) return;
    if (s.okorbits) {
        draworbits(app, x, y);  // the trace keeps to the picture itself
        return;
    }
    if (s.okescher || s.okinvert) return;
    const Rect corner{0, 0, previewsize, previewsize};
    if (s.okjulia == juliapreview::available && insideimage(s, x, y)) {
        app.g_jhdc.copy(app.window, corner, 0, 0);
        s.tjcx = planex(s, x);
        s.tjcy = planey(s, y);
        if (deepactive(s)) {
            // The constant is the point in doubles (the Julia set is drawn from
            // it); the status shows the point clicked in full.
            pointdoubles(s, x, y, &s.tjcx, &s.tjcy);
            s.statustext = pointtext(s, x, y, "cx", "cy");
            app.host.statustext(1, s.statustext);
        } else {
            status(app, 1, "      cx:  %.6f      cy:  %.6f", s.tjcx, s.tjcy);
        }
        julia(app);
    } else if (s.okjulia == juliapreview::shown) {
        removejuliapreview(app);
    }
}

bool viewkey(App& app, int code) {
    State& s = app.s;
    const int t = s.ftype;
    const bool history = s.okjulia != juliapreview::shown && !s.okorbits && !s.okescher;
    switch (code) {
        case 'Z':
            if (s.zooming) zoom(app);
            return true;
        case 'X':
            if (s.zooming) cancelzoom(app);
            return true;
        case key::back:
            if (history && s.zct[t] > 0) {
                s.zct[t] -= 1;
                LoadParams(app);
                s.j = 0;
                s.okfractal = 1;
            }
            return true;
        case key::space:
            if (history && s.zct[t] < s.zctmax[t]) {
                s.zct[t] += 1;
                LoadParams(app);
                s.j = 0;
                s.okfractal = 1;
            }
            return true;
        case 'R':
            if (history && s.zct[t] != 0) resethistory(app);
            return true;
        case 'J':
            if (s.okjulia == juliapreview::shown) takejulia(app);
            return true;
        default:
            return false;
    }
}

}  // namespace vantrel
