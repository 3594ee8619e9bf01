#pragma once

#include <array>

namespace vantrel {

// 256 entries of red, green, blue.
using Palette = std::array<std::array<unsigned char, 3>, 256>;

// The built-in palette: dark blue through blue, cyan, green, yellow, orange, red
// and magenta to white at 127/128, and back the same way.
const Palette& defpalette();

}  // namespace vantrel
