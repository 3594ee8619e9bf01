#pragma once

#include "render/escape.h"

namespace vantrel {

// Integer channels before they are cut to their low 8 bits.
struct Channels {
    int r = 0, g = 0, b = 0;
};

inline Channels pal(const Frame& f, int k) {
    const auto& e = f.palette[static_cast<unsigned>(k) & 0xFF];
    return {e[0], e[1], e[2]};
}

// (v rem 255) + 1: the palette band of a count, 1..255 for v >= 0.
inline int level(int v) { return v % 255 + 1; }

Channels outsidecolor(const Frame& f, const Orbit& o);
Channels insidecolor(const Frame& f, const Orbit& o);

}  // namespace vantrel
