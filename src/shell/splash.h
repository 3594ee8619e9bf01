#pragma once

#include "platform/message.h"
#include "state/app.h"

namespace vantrel {

// Sizes of the three picture windows.
constexpr int splash1width = 360, splash1height = 360;
constexpr int splash2width = 440, splash2height = 320;
constexpr int aboutwidth = 480, aboutheight = 240;

// The start-up and the closing splash: shown for two seconds, centred on the
// screen, with the pointer hidden and the main window disabled. Both return 0.
int splash1(App& app);
int splash2(App& app);

// Opens the About window, centred, and disables the main window until a key or a
// mouse button pressed in it closes it.
void CreateAboutWindow(App& app);
int AboutWindowProc(App& app, const Message& m);

}  // namespace vantrel
