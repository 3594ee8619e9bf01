#pragma once

#include <string>

#include "state/app.h"

namespace vantrel {

// Start-up: keeps the command line, registers the kinds of window, creates the
// main window and runs the loop. Returns the loop's exit code, or 0 after a
// start-up failure, which has been shown in a box titled "Error".
// `mainproc` is the main window's procedure.
int WinMain(App& app, const std::string& args, App::WindowProc mainproc);

// 0, or 1 when the main or the About window cannot be made on this host. A splash
// that cannot be made is left out (oksplash1, oksplash2 stay 0).
int InitWindowClass(App& app, App::WindowProc mainproc);

// Creates and shows the main window: 0, 2 when it cannot be created, 3 when the
// display shows fewer than 24 bits per pixel.
int CreateMainWindow(App& app);

// 0 when the display has at least 24 bits per pixel, else 1.
int initgraphics(App& app);

// The two-part status bar, with the history text of the home view.
void initstatusbar(App& app);

}  // namespace vantrel
