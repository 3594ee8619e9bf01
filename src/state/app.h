#pragma once

#include "platform/host.h"
#include "platform/surface.h"
#include "state/state.h"

namespace vantrel {

// The one program: its state, its surfaces, its host and the statics of its procedures.
struct App {
    explicit App(Host& h) : host(h) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    State s;
    Host& host;

    Surface g_vhdc;  // the image, xres x yres
    Surface g_ohdc;  // clean copy of the image for orbit tracing
    Surface g_jhdc;  // what the Julia preview covers
    Surface g_phdc;  // what the palette preview covers
    Surface window;  // the client area less the status bar, shown 1:1

    // Statics of the render driver.
    double il = 0, lpsm = 0, lptia = 0;
    int insidesave = 0;
    // The cursor shown before the image began; every row call sets the wait cursor,
    // so the one a call replaces is usually the wait cursor itself.
    Cursor cursorsave = Cursor::arrow;
    // Set-up has replaced `inside` (band decomposition) and completion has not yet
    // put it back; a restart puts it back before a new set-up.
    bool insidepending = false;
};

}  // namespace vantrel
