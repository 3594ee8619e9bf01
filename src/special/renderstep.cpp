#include "special/renderstep.h"

#include "render/driver.h"
#include "special/escher.h"
#include "special/firstimage.h"

namespace vantrel {

bool drawnbyrows(const State& s) {
    return s.outside != outside::equipotentiallines && !s.okescher;
}

int renderstep(App& app) {
    const State& s = app.s;
    if (drawnbyrows(s)) return fractaldriver(app);
    if (s.outside == outside::equipotentiallines) return firstimage(app);
    return EscherJulia(app);
}

}  // namespace vantrel
