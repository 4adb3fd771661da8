// A one-bit drawing surface (true = ink) with the few shapes the items use.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace itemgen {

class Canvas {
public:
    Canvas(int width, int height) : w_(width), h_(height), ink_(size_t(width) * size_t(height)) {}
    int width() const { return w_; }
    int height() const { return h_; }
    bool ink(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_ && ink_[size_t(y) * size_t(w_) + size_t(x)]; }
    void set(int x, int y, bool on = true)
    {
        if (x >= 0 && y >= 0 && x < w_ && y < h_)
            ink_[size_t(y) * size_t(w_) + size_t(x)] = on;
    }
    bool operator==(const Canvas &o) const { return w_ == o.w_ && h_ == o.h_ && ink_ == o.ink_; }

    // One-pixel rectangle outline, corners inclusive.
    void frame(int x0, int y0, int x1, int y1);
    // Straight line drawn with a square pen of `pen` pixels.
    void line(double x0, double y0, double x1, double y1, int pen);
    // Copies `src` with its top-left corner at (x, y).
    void blit(const Canvas &src, int x, int y);

private:
    int w_, h_;
    std::vector<bool> ink_;
};

// A region given by a test for pixel centres.
using Inside = std::function<bool(double x, double y)>;

enum class Fill { outline, solid, striped };

// Paints a region inside the box [x0, x1) x [y0, y1): its border about
// `stroke` pixels wide, and its interior as `fill` says.
void paint_region(Canvas &c, const Inside &inside, int x0, int y0, int x1, int y1, Fill fill, int stroke);

// Even-odd test of a point against a closed polygon.
bool in_polygon(const std::vector<std::pair<double, double>> &poly, double x, double y);

}  // namespace itemgen
