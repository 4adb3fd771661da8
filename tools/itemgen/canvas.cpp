#include "tools/itemgen/canvas.h"

#include <cmath>

namespace itemgen {

void Canvas::frame(int x0, int y0, int x1, int y1)
{
    for (int x = x0; x <= x1; x++) {
        set(x, y0);
        set(x, y1);
    }
    for (int y = y0; y <= y1; y++) {
        set(x0, y);
        set(x1, y);
    }
}

void Canvas::line(double x0, double y0, double x1, double y1, int pen)
{
    double len = std::hypot(x1 - x0, y1 - y0);
    int steps = int(std::ceil(len * 2)) + 1;
    int lo = -(pen - 1) / 2, hi = pen / 2;
    for (int i = 0; i <= steps; i++) {
        double t = double(i) / steps;
        int x = int(std::lround(x0 + (x1 - x0) * t)), y = int(std::lround(y0 + (y1 - y0) * t));
        for (int dy = lo; dy <= hi; dy++)
            for (int dx = lo; dx <= hi; dx++)
                set(x + dx, y + dy);
    }
}

void Canvas::blit(const Canvas &src, int x, int y)
{
    for (int j = 0; j < src.height(); j++)
        for (int i = 0; i < src.width(); i++)
            set(x + i, y + j, src.ink(i, j));
}

void paint_region(Canvas &c, const Inside &inside, int x0, int y0, int x1, int y1, Fill fill, int stroke)
{
    // Sample once with a margin so the border test can look outside the box.
    int m = stroke + 1, w = x1 - x0 + 2 * m, h = y1 - y0 + 2 * m;
    std::vector<bool> in(size_t(w) * size_t(h));
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            in[size_t(j) * size_t(w) + size_t(i)] = inside(x0 - m + i + 0.5, y0 - m + j + 0.5);
    auto at = [&](int i, int j) { return i >= 0 && j >= 0 && i < w && j < h && in[size_t(j) * size_t(w) + size_t(i)]; };
    for (int j = 0; j < h; j++) {
        for (int i = 0; i < w; i++) {
            if (!at(i, j))
                continue;
            // border: some pixel within `stroke` (round pen) lies outside
            bool border = false;
            for (int dy = -stroke; dy <= stroke && !border; dy++)
                for (int dx = -stroke; dx <= stroke && !border; dx++)
                    if (dx * dx + dy * dy <= stroke * stroke && !at(i + dx, j + dy))
                        border = true;
            int x = x0 - m + i, y = y0 - m + j;
            bool on = border || fill == Fill::solid || (fill == Fill::striped && (x + y) % 4 == 0);
            if (on)
                c.set(x, y);
        }
    }
}

bool in_polygon(const std::vector<std::pair<double, double>> &poly, double x, double y)
{
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        double xi = poly[i].first, yi = poly[i].second, xj = poly[j].first, yj = poly[j].second;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            in = !in;
    }
    return in;
}

}  // namespace itemgen
