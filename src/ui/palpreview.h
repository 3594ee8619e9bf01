#pragma once

#include "state/app.h"

namespace vantrel {

// Size of the palette preview panel in the window's top-left corner.
constexpr int previewwidth = 262, previewheight = 362;

// Draws the staged palette `paltemp` on the window: a small Mandelbrot set
// colored with it above a strip of all 256 entries, in a light frame. Only the
// part that fits the client area is drawn; `palette` and the view surface are
// left alone. Returns 0.
int showpalette(App& app);

// The palette index the picture gives the point c: its escape count under z^2 + c
// (beyond modulus 16, at most 256 steps), or for a point still bounded the angle
// of its last z, either folded into 1..255 so that entry 0 is left to the strip.
int previewindex(double cx, double cy);

// Keeps the window corner the panel is about to cover in `g_phdc`, and puts it
// back on the window and into the view surface once the user has answered.
void savepreviewcorner(App& app);
void restorepreviewcorner(App& app);

}  // namespace vantrel
