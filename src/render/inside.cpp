#include "render/coloring.h"

namespace vantrel {

Channels insidecolor(const Frame& f, const Orbit&) {
    switch (f.inside) {
        default:
            return {f.rin, f.gin, f.bin};
    }
}

}  // namespace vantrel
