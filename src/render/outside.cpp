#include "render/coloring.h"

namespace vantrel {

Channels outsidecolor(const Frame& f, const Orbit& o) {
    switch (f.outside) {
        case 0:
            return {f.rout, f.gout, f.bout};
        default:
            return pal(f, level(o.n));
    }
}

}  // namespace vantrel
