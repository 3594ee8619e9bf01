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

// The pixel grid of the image on screen (zoom.cpp): whether the window shows a
// pixel, and the plane point of a column and of a row, as the renderers map them.
bool insideimage(const State& s, int x, int y);
double planex(const State& s, int px);
double planey(const State& s, int py);
// The pointer's plane point `cxm`, `cym` in status part 0 (zoom.cpp).
void pointerstatus(App& app);
// Takes the Julia preview away: what it covered goes back on the window and into
// the image (zoom.cpp).
void removejuliapreview(App& app);

// The mouse and the keys of the zoom box and the history (zoom.cpp). `viewkey`
// answers whether the key is one of Z, X, Backspace, Space, R, J.
void mousemove(App& app, int x, int y);
void lbuttondown(App& app, int x, int y);
void lbuttonup(App& app);
void rbuttondown(App& app, int x, int y);
bool viewkey(App& app, int code);

// Moving the view with the wheel, the middle button and the keys, each move shown
// at once as a preview (navigate.cpp). `navigatekey` answers whether the key is
// one of the arrows, + and -; these work while an image is drawn, as the wheel.
void wheel(App& app, int x, int y, int delta, long long time);
void mbuttondown(App& app, int x, int y);
void panmove(App& app, int x, int y);
void mbuttonup(App& app, int x, int y);
bool navigatekey(App& app, int code);

}  // namespace vantrel
