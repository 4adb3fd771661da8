#include "tools/itemgen/cell.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace itemgen {
namespace {

const double pi = 3.14159265358979323846;
const int radius_of_size[4] = {8, 11, 15, 19};

using Poly = std::vector<std::pair<double, double>>;

// Unit outline of a shape, pointing up, centred on (0, 0), radius about 1.
Poly unit_polygon(int shape)
{
    Poly p;
    auto regular = [&](int n, double r, double phase) {
        for (int i = 0; i < n; i++) {
            double a = phase + 2 * pi * i / n;
            p.emplace_back(r * std::sin(a), -r * std::cos(a));
        }
    };
    switch (shape) {
    case square: regular(4, 1.2, pi / 4); break;
    case triangle:
        p = {{0, -1.05}, {1.0, 0.8}, {-1.0, 0.8}};
        break;
    case diamond: regular(4, 1.1, 0); break;
    case hexagon: regular(6, 1.05, pi / 6); break;
    case star:
        for (int i = 0; i < 10; i++) {
            double a = pi * i / 5, r = i % 2 ? 0.45 : 1.1;
            p.emplace_back(r * std::sin(a), -r * std::cos(a) + 0.08);
        }
        break;
    case cross:
        p = {{-0.33, -1}, {0.33, -1}, {0.33, -0.33}, {1, -0.33}, {1, 0.33}, {0.33, 0.33},
             {0.33, 1}, {-0.33, 1}, {-0.33, 0.33}, {-1, 0.33}, {-1, -0.33}, {-0.33, -0.33}};
        break;
    case arrow:
        p = {{0, -1.05}, {0.75, -0.2}, {0.3, -0.2}, {0.3, 1}, {-0.3, 1}, {-0.3, -0.2}, {-0.75, -0.2}};
        break;
    default: break;
    }
    return p;
}

void draw_figure(Canvas &c, const Cell &cell, double cx, double cy)
{
    double r = radius_of_size[cell.size];
    int stroke = cell.size == 0 ? 1 : 2;
    Fill fill = Fill(cell.fill);
    int x0 = int(std::floor(cx - r - 3)), x1 = int(std::ceil(cx + r + 3));
    int y0 = int(std::floor(cy - r - 3)), y1 = int(std::ceil(cy + r + 3));
    if (cell.shape == circle) {
        paint_region(c, [&](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; },
                     x0, y0, x1, y1, fill, stroke);
        return;
    }
    Poly p = unit_polygon(cell.shape);
    double a = cell.rot * pi / 4, ca = std::cos(a), sa = std::sin(a);
    for (auto &pt : p) {
        double x = pt.first * r, y = pt.second * r;
        pt = {cx + x * ca - y * sa, cy + x * sa + y * ca};
    }
    paint_region(c, [&](double x, double y) { return in_polygon(p, x, y); }, x0, y0, x1, y1, fill, stroke);
}

// The eight strokes: the sides of a 40x40 square, its diagonals and its
// two middle lines.
void draw_strokes(Canvas &c, unsigned bits)
{
    const double l = 36, r = 76, t = 5, b = 44, mx = 56, my = 24.5;
    const double seg[8][4] = {{l, t, r, t}, {l, b, r, b}, {l, t, l, b}, {r, t, r, b},
                              {l, t, r, b}, {r, t, l, b}, {mx, t, mx, b}, {l, my, r, my}};
    for (int s = 0; s < 8; s++)
        if (bits & (1u << s))
            c.line(seg[s][0], seg[s][1], seg[s][2], seg[s][3], 3);
}

void draw_dots(Canvas &c, unsigned bits)
{
    for (int i = 0; i < 8; i++) {
        double cx = 20 + 24 * (i % 4), cy = i < 4 ? 14 : 35;
        bool full = bits & (1u << i);
        paint_region(c, [&](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= 7.5 * 7.5; },
                     int(cx) - 10, int(cy) - 10, int(cx) + 11, int(cy) + 11, full ? Fill::solid : Fill::outline, 1);
    }
}

int spacing(const Cell &cell) { return 2 * radius_of_size[cell.size] + 5; }

}  // namespace

bool drawable(const Cell &cell)
{
    if (cell.kind != Kind::figures)
        return cell.bits < 256;
    if (cell.size < 0 || cell.size > 3 || cell.count < 1)
        return false;
    int extent = (cell.count - 1) * spacing(cell) + 2 * radius_of_size[cell.size] + 4;
    return extent <= cell_w - 4 && cell.shape >= 0 && cell.shape < shape_count && cell.fill >= 0 && cell.fill <= 2 && cell.rot >= 0 &&
           cell.rot < 8;
}

Canvas draw_cell(const Cell &cell)
{
    Canvas c(cell_w, cell_h);
    c.frame(1, 1, cell_w - 2, cell_h - 2);  // inset: the right column ends next to the frame line
    switch (cell.kind) {
    case Kind::strokes: draw_strokes(c, cell.bits); break;
    case Kind::dots: draw_dots(c, cell.bits); break;
    case Kind::figures: {
        double step = spacing(cell), first = cell_w / 2.0 - step * (cell.count - 1) / 2.0;
        for (int i = 0; i < cell.count; i++)
            draw_figure(c, cell, std::round(first + step * i), cell_h / 2.0);
        break;
    }
    }
    return c;
}

std::string describe(const Cell &cell)
{
    static const char *shapes[] = {"circle", "square", "triangle", "diamond", "hexagon", "star", "cross", "arrow"};
    static const char *fills[] = {"outline", "solid", "striped"};
    char hex[8];
    switch (cell.kind) {
    case Kind::strokes:
        std::snprintf(hex, sizeof hex, "%02x", cell.bits);
        return std::string("strokes ") + hex;
    case Kind::dots:
        std::snprintf(hex, sizeof hex, "%02x", cell.bits);
        return std::string("dots ") + hex;
    default:
        return std::to_string(cell.count) + " " + fills[cell.fill] + " " + shapes[cell.shape] + " s" +
               std::to_string(cell.size) + " r" + std::to_string(cell.rot);
    }
}

}  // namespace itemgen
