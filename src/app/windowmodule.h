#pragma once

#include <string>

// The explorer window lives in a module of its own, vantrel-window.so, so that
// the batch renderer and the movie maker, which never open a window, do not load
// Qt: the program links no Qt and loads the module only to open the window.

// The module's entry: runs the explorer window on the command line's arguments,
// with the parameter file `vtl` (empty for none); the window's exit code.
extern "C" int vantrel_window(int* argc, char** argv, const char* vtl);
using WindowEntry = decltype(&vantrel_window);

namespace vantrel {

// Loads the window module from beside the program (the build tree) or from the
// library folder it is installed in, and runs the window; 1 with a message on
// stderr when the module cannot be loaded.
int openwindow(int* argc, char** argv, const std::string& vtl);

}  // namespace vantrel
