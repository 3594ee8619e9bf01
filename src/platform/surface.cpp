#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>

namespace vantrel {

Surface::Surface(int width, int height, Rgb fillcolor)
    : w_(std::max(width, 0)),
      h_(std::max(height, 0)),
      px_(static_cast<std::size_t>(w_) * h_, fillcolor) {}

void Surface::fill(const Rect& r, Rgb c) {
    const int l = std::max(r.left, 0), t = std::max(r.top, 0);
    const int rr = std::min(r.right, w_), b = std::min(r.bottom, h_);
    for (int y = t; y < b; ++y) std::fill(row(y) + l, row(y) + std::max(l, rr), c);
}

void Surface::copy(const Surface& src, const Rect& from, int x, int y) {
    if (&src == this) {
        const Surface snapshot = src;
        copy(snapshot, from, x, y);
        return;
    }
    // Clip against the source, then against this surface, keeping the two aligned.
    const int dx = x - from.left, dy = y - from.top;
    const int sl = std::max({from.left, 0, -dx}), st = std::max({from.top, 0, -dy});
    const int sr = std::min({from.right, src.w_, w_ - dx});
    const int sb = std::min({from.bottom, src.h_, h_ - dy});
    if (sr <= sl || sb <= st) return;
    for (int yy = st; yy < sb; ++yy)
        std::copy(src.row(yy) + sl, src.row(yy) + sr, row(yy + dy) + sl + dx);
}

void Surface::dot(int x, int y, Rgb c, int penwidth) {
    if (penwidth <= 1) {
        setpixel(x, y, c);
        return;
    }
    const int lo = -(penwidth - 1) / 2;
    fill({x + lo, y + lo, x + lo + penwidth, y + lo + penwidth}, c);
}

void Surface::line(int x0, int y0, int x1, int y1, Rgb c, int penwidth) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        dot(x0, y0, c, penwidth);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Surface::polyline(const std::vector<Point>& points, Rgb c, int penwidth) {
    for (std::size_t k = 1; k < points.size(); ++k)
        line(points[k - 1].x, points[k - 1].y, points[k].x, points[k].y, c, penwidth);
}

void Surface::frame(const Rect& r, Rgb c) {
    if (r.empty()) return;
    fill({r.left, r.top, r.right, r.top + 1}, c);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, c);
    fill({r.left, r.top, r.left + 1, r.bottom}, c);
    fill({r.right - 1, r.top, r.right, r.bottom}, c);
}

}  // namespace vantrel
