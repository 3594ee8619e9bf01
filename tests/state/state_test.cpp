#include "state/state.h"

#include <gtest/gtest.h>

#include "state/palette.h"

namespace vantrel {
namespace {

using Entry = std::array<unsigned char, 3>;

TEST(DefaultPalette, RunsAndSymmetry) {
    const Palette& p = defpalette();
    EXPECT_EQ(p[0], (Entry{0, 0, 15}));
    EXPECT_EQ(p[15], (Entry{0, 0, 255}));
    EXPECT_EQ(p[16], (Entry{0, 15, 255}));
    EXPECT_EQ(p[47], (Entry{0, 255, 15}));
    EXPECT_EQ(p[64], (Entry{255, 255, 15}));
    EXPECT_EQ(p[79], (Entry{195, 135, 15}));
    EXPECT_EQ(p[80], (Entry{195, 135, 15}));
    EXPECT_EQ(p[96], (Entry{255, 15, 15}));
    EXPECT_EQ(p[127], (Entry{255, 255, 255}));
    EXPECT_EQ(p[128], (Entry{255, 255, 255}));
    EXPECT_EQ(p[255], (Entry{0, 0, 15}));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(p[i], p[255 - i]) << i;
}

TEST(StateStart, ValuesOfANewProgram) {
    const State s;
    EXPECT_EQ(s.palette, defpalette());
    EXPECT_EQ(s.maxiter, 256);
    EXPECT_EQ(s.maxsize, 16.0);
    EXPECT_EQ(s.bailout, 16.0);
    EXPECT_EQ(s.exponent, 2);
    EXPECT_EQ(s.outside, outside::levelsets);
    EXPECT_EQ(s.inside, inside::solidcolor);
    EXPECT_EQ(s.method, coloringmethod::image);
    EXPECT_EQ(s.oklines, 1);
    EXPECT_EQ(s.palpreview, 1);
    EXPECT_EQ(s.demadvisory, 1);
    EXPECT_EQ(s.rout + s.gout + s.bout, 3 * 255);
    EXPECT_EQ(s.jcx, 0.32);
    EXPECT_EQ(s.jcy, 0.043);
    EXPECT_EQ(s.mxmin, -2.25);
    EXPECT_EQ(s.jymax, 2.25);
    EXPECT_EQ(s.exmin, -1.2);
    EXPECT_EQ(State::maxit[0], 160);
    EXPECT_EQ(State::maxit[10], 256);
    EXPECT_EQ(s.paltemp[200], (Entry{0, 0, 0}));
    EXPECT_EQ(std::string(saveerror[2]), "Error writing to save file.");
    EXPECT_EQ(std::string(paramerror[12]),
              "Species of Origin and Cardioid are\n\n   incompatible with inside TIA.");
}

}  // namespace
}  // namespace vantrel
