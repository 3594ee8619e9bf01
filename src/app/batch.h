#pragma once

#include <functional>
#include <string>

#include "state/app.h"
#include "state/deepview.h"

namespace vantrel {

struct BatchOptions {
    std::string vtl;     // parameter file, or empty for the start state
    std::string output;  // .tga or .png
    std::string map;     // MAP palette replacing the parameter file's, or empty
    int xres = 600, yres = 600;
    bool sized = false;
    int threads = -1;    // worker threads, -1 for one per core
    bool simd = true;    // vector lanes (the pixels are the same without)
    bool stats = false;  // the render's time and iterations on stderr
    int aa = 1;          // anti-aliasing: samples per pixel side
    // A view replacing the file's current one: centre and width as decimal text of
    // any length, and an iteration limit (0: the file's).
    std::string re, im, width;
    int maxiter = 0;
};

// The message for an image size that the renderer of the state's image cannot
// draw, else null.
const char* sizeerror(const State& s);

// Renders the current view of the state at a size it can draw, handing the rows
// to `row` top first (as they are finished where the image is drawn row by row),
// with the rows done on a terminal when `rowprogress` asks for them; `stats` adds
// the render's time and iterations on stderr. False, the render stopped there,
// once `row` has returned false.
bool renderrows(App& app, const std::function<bool(const Rgb*)>& row, bool stats, bool rowprogress);

// Renders the current view of the state into `output` (PNG by its name, with the
// parameters inside, else Targa), rows written as they are finished.
// Returns a message when the image cannot be drawn or saved, else null.
const char* renderto(App& app, const std::string& output, bool stats, bool rowprogress);

// Renders the current view of the parameter file without a window and saves it.
// Returns the process exit status; failures are reported on stderr.
int renderbatch(const BatchOptions& options);

}  // namespace vantrel
