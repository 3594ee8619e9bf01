// Any bytes as a parameter file: no crash, no undefined behaviour; a file that
// loads leaves a state that saves back to the very same bytes and renders (a small
// image, with every method the file names, however extreme its values), and a
// file that does not load leaves the state as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/vtl.h"
#include "render/driver.h"
#include "scratch.h"
#include "state/history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::QuietHost host;
    vantrel::App app(host);
    vantrel::seedhistory(app.s);
    app.s.ovtlfile = scratchfile(".vtl", data, size);
    const int r = vantrel::loadvtl(app);
    if (r == 1) {
        vantrel::State fresh;
        vantrel::seedhistory(fresh);
        if (app.s.palette != fresh.palette || app.s.maxiter != fresh.maxiter || app.s.zct[0] != 0 ||
            app.s.zct[1] != 0)
            std::abort();
        return 0;
    }
    if (r != 0) std::abort();
    if (size != vantrel::paramsize) return 0;  // a text file: the text target's business
    if (!vantrel::validparam(vantrel::paramfromstate(app.s))) std::abort();
    const vantrel::ParamBytes again = vantrel::encodeparam(vantrel::paramfromstate(app.s));
    if (std::memcmp(again.data(), data, size) != 0) std::abort();

    // As the batch renderer draws it, on this thread.
    app.driver.threads = 0;
    app.s.xres = app.s.yres = 16;
    app.g_vhdc = vantrel::Surface(16, 16);
    app.s.j = 0;
    app.s.okfractal = 1;
    while (app.s.okfractal) vantrel::fractaldriver(app);
    return 0;
}
