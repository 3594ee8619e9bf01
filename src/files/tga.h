#pragma once

#include <cstdint>
#include <vector>

#include "state/app.h"

namespace vantrel {

// Saves the surface to `tgafile` as an uncompressed 24-bit Targa image, top row
// first, with the version-2 footer. 0 saved, else a `saveerror` code.
int writetga(App& app, const Surface& hdc);

// The fixed 18 bytes before and 26 bytes after the pixels of an xres x yres image.
std::vector<std::uint8_t> tgaheader(int xres, int yres);
std::vector<std::uint8_t> tgafooter();

}  // namespace vantrel
