#pragma once

// The parts of the main window procedure, one file each.

#include "platform/message.h"
#include "state/app.h"

namespace vantrel {

// Formats into `statustext` and shows it in one part of the status bar.
void status(App& app, int part, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Menu and accelerator commands (commands.cpp).
void command(App& app, int id);
// Keys, after the accelerators have taken theirs (commands.cpp).
void keydown(App& app, const Message& m);

// The commands that open a dialog or a file dialog. They arrive here once their
// guards have passed; until those dialogs exist they do nothing.
void dialogcommand(App& app, int id);

// The mouse and the keys of the zoom box and the history (zoom.cpp). `viewkey`
// answers whether the key is one of Z, X, Backspace, Space, R, J.
void mousemove(App& app, int x, int y);
void lbuttondown(App& app, int x, int y);
void lbuttonup(App& app);
void rbuttondown(App& app, int x, int y);
bool viewkey(App& app, int code);

}  // namespace vantrel
