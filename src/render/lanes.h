#pragma once

#include "render/escape.h"

namespace vantrel {

// Iterates `count` orbits, set up by startpixel, to their end in vector lanes: the
// very operations of the scalar loop, so every orbit ends with the same n, z, the
// same previous iterate and size, bit for bit. For the colorings that need nothing
// on the way (no per-step accumulators, no stored orbit).
void iteratelanes(const Frame& f, Orbit* orbits, int count);

// The instruction set the lanes run on here ("AVX3", "AVX2", ...).
const char* lanetarget();

}  // namespace vantrel
