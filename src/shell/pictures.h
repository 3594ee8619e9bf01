#pragma once

#include "state/app.h"

namespace vantrel {

// The pictures of the splash and About windows, drawn by the program's own
// renderer and lettered by the host.
Surface splash1picture(App& app);
Surface splash2picture(App& app);
Surface aboutpicture(App& app);

}  // namespace vantrel
