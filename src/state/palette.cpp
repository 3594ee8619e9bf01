#include "state/palette.h"

namespace vantrel {

namespace {

Palette makedefpalette() {
    Palette p{};
    for (int k = 0; k < 16; ++k) {
        const int up = 15 + 16 * k, down = 255 - 16 * k;
        const int runs[8][3] = {{0, 0, up},
                                {0, up, 255},
                                {0, 255, down},
                                {up, 255, 15},
                                {255 - 4 * k, 255 - 8 * k, 15},
                                {195 + 4 * k, 135 - 8 * k, 15},
                                {255, 15, up},
                                {255, up, 255}};
        for (int s = 0; s < 8; ++s) {
            auto& e = p[16 * s + k];
            for (int ch = 0; ch < 3; ++ch) e[ch] = static_cast<unsigned char>(runs[s][ch]);
            p[255 - (16 * s + k)] = e;
        }
    }
    return p;
}

}  // namespace

const Palette& defpalette() {
    static const Palette p = makedefpalette();
    return p;
}

}  // namespace vantrel
