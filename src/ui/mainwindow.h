#pragma once

#include "platform/message.h"
#include "state/app.h"

namespace vantrel {

// The procedure of the main window: its life (creation, size, paint, destruction),
// every command and key, and the mouse. Returns 0 for every message.
int MainWindowProc(App& app, const Message& m);

// After a parameter file has set the modes, makes sure the mode it names can run:
// the orbit surface exists in orbit tracing mode, and leaving orbit tracing or
// Escher-Julia mode returns to the set type the file was saved with.
void adoptloadedmodes(App& app);

}  // namespace vantrel
