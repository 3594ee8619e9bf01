#pragma once

namespace vantrel {

// A rectangle of the plane: what an image shows.
struct View {
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    bool operator==(const View&) const = default;
};

// The view after one wheel notch over pixel (i, r) of an xres x yres image of `v`:
// f = 0.5 zooms in, 2 out, and the plane point of that pixel stays where it is.
View wheelview(const View& v, int xres, int yres, int i, int r, double f);
// The view after the picture was dragged by (dx, dy) pixels, right and down
// positive: the picture follows the pointer.
View panview(const View& v, int xres, int yres, int dx, int dy);

}  // namespace vantrel
