// Any bytes as a text parameter file: no crash, no undefined behaviour; text that
// decodes writes back to text that decodes to the same parameters, and a file
// that loads holds a view (deep or not) that a second save and load bring back
// exactly, while one that does not load leaves the state as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/textparams.h"
#include "files/vtl.h"
#include "render/deepimage.h"
#include "scratch.h"
#include "state/history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto t = vantrel::decodetext(text)) {
        const auto again = vantrel::decodetext(vantrel::encodetext(*t));
        if (!again || !(again->p == t->p) || again->re != t->re || again->im != t->im ||
            again->width != t->width)
            std::abort();
    }

    vantrel::QuietHost host;
    vantrel::App app(host);
    vantrel::seedhistory(app.s);
    app.s.ovtlfile = scratchfile(".vantrel", data, size);
    if (vantrel::loadvtl(app) != 0) {
        vantrel::State fresh;
        vantrel::seedhistory(fresh);
        if (app.s.palette != fresh.palette || app.s.maxiter != fresh.maxiter || app.s.zct[0] != 0 ||
            app.s.zct[1] != 0 || app.s.deep.on)
            std::abort();
        return 0;
    }
    // What loaded saves and loads again to the same parameters and view.
    app.s.svtlfile = app.s.ovtlfile;  // the input has been read: its file serves again
    if (vantrel::writevtl(app, 0) != 0) std::abort();
    vantrel::App back(host);
    vantrel::seedhistory(back.s);
    back.s.ovtlfile = app.s.svtlfile;
    if (vantrel::loadvtl(back) != 0) std::abort();
    if (!(vantrel::paramfromstate(back.s) == vantrel::paramfromstate(app.s))) std::abort();
    if (vantrel::deepactive(app.s) != vantrel::deepactive(back.s)) std::abort();
    if (vantrel::deepactive(app.s) && !vantrel::sameview(app.s.deep, back.s.deep)) std::abort();
    return 0;
}
