#pragma once

#include <string>

#include "platform/surface.h"

namespace vantrel {

// Saves the surface as a PNG file; 0 saved, else a save-error code (1 or 3).
int writepng(const Surface& hdc, const std::string& path);

}  // namespace vantrel
