#include "special/renderstep.h"

#include "render/driver.h"
#include "special/escher.h"
#include "special/firstimage.h"

namespace vantrel {

int renderstep(App& app) {
    const State& s = app.s;
    if (s.outside == outside::equipotentiallines) return firstimage(app);
    if (s.okescher) return EscherJulia(app);
    return fractaldriver(app);
}

}  // namespace vantrel
