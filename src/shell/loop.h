#pragma once

#include "platform/host.h"
#include "state/app.h"

namespace vantrel {

// One turn of the loop: one message (the oldest posted one, else the next input),
// offered to the accelerators and handed to its window, then one render step.
Turn ProgramTurn(App& app);

// Runs turns until the quit message; returns its exit code.
int ProgramDriver(App& app);

// Hands a message to the procedure of the window it is for.
void DispatchMessage(App& app, const Message& m);

}  // namespace vantrel
