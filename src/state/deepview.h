#pragma once

#include "state/bigfloat.h"

namespace vantrel {

// A view held in arbitrary precision: its centre and width. The pixel grid means
// what it means for a view in doubles: for an image of xres x yres pixels the height
// is width * (yres - 1) / (xres - 1) around the centre, and pixel (i, r) stands for
//   x = re - width / 2 + i * width / (xres - 1)
//   y = im - height / 2 + (yres - 1 - r) * width / (xres - 1).
struct DeepView {
    bool on = false;  // the current view of set type `ftype` is this one
    int ftype = 0;
    BigFloat re{64}, im{64}, width{64};
};

// True when doubles can no longer place the pixels of this view apart: the pixel
// spacing is below 2^-40 of the centre's magnitude (12 of a double's 52 bits left
// between neighbours), or so small that the double path's grid would leave the
// range of normal doubles.
bool needsdeep(const BigFloat& re, const BigFloat& im, const BigFloat& width, int xres);

// The bits a reference orbit of this view needs: those of 1 / pixel spacing
// relative to the larger of 1 and the centre, and a guard of 48.
long deepbits(const DeepView& v, int xres);

// The view's corners rounded to doubles: exact enough for a view doubles hold, and
// the approximate extent of a deeper one.
struct DoubleView {
    double xmin, xmax, ymin, ymax;
};
DoubleView doubleview(const BigFloat& re, const BigFloat& im, const BigFloat& width, int xres,
                      int yres);

// The precision a view's numbers are kept at: its width in 64 bits, its centre in
// whole 64-bit words enough for 1 / width relative to the larger of 1 and the
// centre, and a 64-bit guard. It depends on the value only, never on how the view
// came about, so that a view written as text (BigFloat::text) and read back at
// these bits (readview) is the very same view.
void roundview(DeepView* v);
// A view from decimal text, at the bits roundview gives it. False, and *v as it
// was, when a text is no decimal number or the width is not above 0.
bool readview(const std::string& re, const std::string& im, const std::string& width, DeepView* v);

// The offsets from the centre of column i and of row r, at the precision of the
// result, for sample a (b) of n per pixel side: x = xmin + (i + (2a + 1) / (2n) - 1/2)
// * width / (xres - 1), y = ymin + (yres - 1 - r - (2b + 1) / (2n) + 1/2) * width /
// (xres - 1); the grid's own points for one sample.
void columnoffset(const DeepView& v, int xres, int i, int a, int n, BigFloat* dx);
void rowoffset(const DeepView& v, int xres, int yres, int r, int b, int n, BigFloat* dy);

}  // namespace vantrel
