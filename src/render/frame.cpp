#include "render/frame.h"

#include <cstdlib>
#include <cstring>

namespace vantrel {

Frame makeframe(const App& app) {
    const State& s = app.s;
    Frame f;
    f.ftype = s.ftype;
    f.xmin = s.xmin;
    f.ymin = s.ymin;
    f.xside = s.xside;
    f.yside = s.yside;
    f.xres = s.xres;
    f.yres = s.yres;
    f.jcx = s.jcx;
    f.jcy = s.jcy;
    f.maxiter = s.maxiter;
    f.maxsize = s.maxsize;
    f.exponent = s.exponent;
    f.outside = s.outside;
    f.inside = s.inside;
    f.method = s.method;
    f.tiaflag = s.tiaflag;
    f.okinvert = s.okinvert;
    f.rin = s.rin;
    f.gin = s.gin;
    f.bin = s.bin;
    f.rout = s.rout;
    f.gout = s.gout;
    f.bout = s.bout;
    f.bailout = s.bailout;
    f.slope = s.slope;
    f.period = s.period;
    f.mapping = s.mapping;
    f.demscale = s.demscale;
    f.factor = s.factor;
    f.il = app.driver.il;
    f.lpsm = app.driver.lpsm;
    f.lptia = app.driver.lptia;
    f.delta = s.delta;
    f.distmaxout = s.distmaxout;
    f.distmaxin = s.distmaxin;
    f.palette = s.palette;
    f.simd = app.driver.simd >= 0 ? app.driver.simd : defaultsimd();
    f.deep = app.driver.deepimage;
    f.aa = app.driver.imageaa;
    return f;
}

bool defaultsimd() {
    static const bool on = [] {
        const char* v = std::getenv("VANTREL_SIMD");
        return !(v && std::strcmp(v, "0") == 0);
    }();
    return on;
}

}  // namespace vantrel
