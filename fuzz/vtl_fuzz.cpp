// Any bytes as a parameter file: no crash, no undefined behaviour; a file that
// loads leaves a state that saves back to the very same bytes, and a file that
// does not load leaves the state as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/vtl.h"
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
        if (app.s.palette != fresh.palette || app.s.maxiter != fresh.maxiter ||
            app.s.zct[0] != 0 || app.s.zct[1] != 0)
            std::abort();
        return 0;
    }
    if (r != 0 || size != vantrel::paramsize) std::abort();
    if (!vantrel::validparam(vantrel::paramfromstate(app.s))) std::abort();
    const vantrel::ParamBytes again = vantrel::encodeparam(vantrel::paramfromstate(app.s));
    if (std::memcmp(again.data(), data, size) != 0) std::abort();
    return 0;
}
