#pragma once

#include <cstdint>
#include <vector>

#include "platform/rect.h"

namespace vantrel {

// One 24-bit color, kept as 0xFFRRGGBB so that a row can be shown as it is.
using Rgb = std::uint32_t;

constexpr Rgb rgb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<Rgb>(r & 0xFF) << 16) | (static_cast<Rgb>(g & 0xFF) << 8) |
           static_cast<Rgb>(b & 0xFF);
}
constexpr int red(Rgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
constexpr int green(Rgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blue(Rgb c) {
    return static_cast<int>(c & 0xFF);
}

constexpr Rgb black = rgb(0, 0, 0);
constexpr Rgb white = rgb(255, 255, 255);
constexpr Rgb grey = rgb(128, 128, 128);

// A grid of pixels with the raster operations the renderers and the window need.
// Every operation clips to the grid; nothing outside it is ever touched.
class Surface {
  public:
    Surface() = default;
    Surface(int width, int height, Rgb fillcolor = black);

    int width() const { return w_; }
    int height() const { return h_; }
    bool empty() const { return w_ == 0 || h_ == 0; }

    void setpixel(int x, int y, Rgb c) {
        if (inside(x, y)) px_[index(x, y)] = c;
    }
    Rgb getpixel(int x, int y) const { return inside(x, y) ? px_[index(x, y)] : black; }

    Rgb* row(int y) { return px_.data() + static_cast<std::size_t>(y) * w_; }
    const Rgb* row(int y) const { return px_.data() + static_cast<std::size_t>(y) * w_; }

    void fill(const Rect& r, Rgb c);
    // Copies the rectangle `from` of `src` so that its top-left lands at (x, y).
    void copy(const Surface& src, const Rect& from, int x, int y);
    // A line of the given pen width from (x0, y0) towards (x1, y1); the end point is
    // not drawn, so that the segments of a polyline meet without double pixels.
    void line(int x0, int y0, int x1, int y1, Rgb c, int penwidth = 1);
    struct Point {
        int x, y;
    };
    void polyline(const std::vector<Point>& points, Rgb c, int penwidth = 1);
    // A one-pixel outline just inside the rectangle.
    void frame(const Rect& r, Rgb c);

    bool operator==(const Surface&) const = default;

  private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * w_ + x; }
    void dot(int x, int y, Rgb c, int penwidth);

    int w_ = 0;
    int h_ = 0;
    std::vector<Rgb> px_;
};

}  // namespace vantrel
