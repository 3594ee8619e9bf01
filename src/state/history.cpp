#include "state/history.h"

#include <cstdio>

namespace vantrel {

namespace {

FRACTAL currentview(const State& s, double xmin, double xmax, double ymin, double ymax) {
    return {xmin, xmax, ymin, ymax, s.maxiter, s.maxsize, s.jcx, s.jcy, s.inside, s.outside};
}

}  // namespace

void seedhistory(State& s) {
    s.z[0][0] = {s.mxmin, s.mxmax, s.mymin, s.mymax, s.maxiter, s.maxsize, s.jcx, s.jcy, 0, 1};
    s.z[1][0] = {s.jxmin, s.jxmax, s.jymin, s.jymax, s.maxiter, s.maxsize, s.jcx, s.jcy, 0, 1};
}

void pushview(State& s, double xmin, double xmax, double ymin, double ymax) {
    const int t = s.ftype;
    if (s.zct[t] >= historysize - 1) return;
    s.zct[t] += 1;
    s.zctmax[t] = s.zct[t];
    s.z[t][s.zct[t]] = currentview(s, xmin, xmax, ymin, ymax);
    s.zdeep[t][s.zct[t]] = deepactive(s) ? s.deep : DeepView{};
}

void resetentries(State& s) {
    const int t = s.ftype;
    s.zctmax[t] = s.zct[t] = 1;
    s.z[t][1] = currentview(s, s.xmin, s.xmax, s.ymin, s.ymax);
    s.zdeep[t][1] = deepactive(s) ? s.deep : DeepView{};
}

void takecurrentview(State& s) {
    const bool m = s.ftype == settype::mandelbrot;
    s.xmin = m ? s.mxmin : s.jxmin;
    s.xmax = m ? s.mxmax : s.jxmax;
    s.ymin = m ? s.mymin : s.jymin;
    s.ymax = m ? s.mymax : s.jymax;
}

void storecurrentview(State& s) {
    double* v[4] = {&s.mxmin, &s.mxmax, &s.mymin, &s.mymax};
    if (s.ftype != settype::mandelbrot)
        v[0] = &s.jxmin, v[1] = &s.jxmax, v[2] = &s.jymin, v[3] = &s.jymax;
    *v[0] = s.xmin;
    *v[1] = s.xmax;
    *v[2] = s.ymin;
    *v[3] = s.ymax;
}

void LoadParams(App& app) {
    State& s = app.s;
    const FRACTAL& e = s.z[s.ftype][s.zct[s.ftype]];
    s.xmin = e.xmin;
    s.xmax = e.xmax;
    s.ymin = e.ymin;
    s.ymax = e.ymax;
    storecurrentview(s);
    s.maxiter = e.maxiter;
    s.maxsize = e.maxsize;
    s.outside = e.outside;
    s.inside = e.inside;
    s.jcx = e.cx;
    s.jcy = e.cy;
    const DeepView& d = s.zdeep[s.ftype][s.zct[s.ftype]];
    if (d.on)
        s.deep = d;
    else if (s.deep.ftype == s.ftype)
        s.deep.on = false;
    showhistory(app);
}

void showhistory(App& app) {
    State& s = app.s;
    char text[260];
    std::snprintf(text, sizeof text, "      current %c-set: %d / %d", State::ztype[s.ftype],
                  s.zct[s.ftype] + 1, s.zctmax[s.ftype] + 1);
    s.statustext = text;
    if (deepactive(s)) {
        const FRACTAL& home = s.z[s.ftype][0];
        BigFloat depth(home.xmax - home.xmin, 64);
        mpfr_div(depth.get(), depth.get(), s.deep.width.get(), MPFR_RNDN);
        char* zoom = nullptr;
        mpfr_asprintf(&zoom, "      zoom %.1Re", depth.get());
        s.statustext += zoom;
        mpfr_free_str(zoom);
    }
    app.host.statustext(1, s.statustext);
}

}  // namespace vantrel
