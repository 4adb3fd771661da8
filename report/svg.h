// Building inline SVG plots as text: a canvas of shapes and labels, a
// linear scale and round tick values.
#pragma once

#include "host/html_escape.h"

#include <string>
#include <string_view>
#include <vector>

namespace report {

using host::html_escape;  // host/html_escape.h

class Svg {
public:
    Svg(int width, int height, std::string_view label);  // label: the plot's accessible name
    void rect(double x, double y, double w, double h, std::string_view cls, std::string_view title = {});
    void line(double x1, double y1, double x2, double y2, std::string_view cls);
    void circle(double x, double y, double r, std::string_view cls, std::string_view title = {});
    // anchor: "start", "middle" or "end"
    void text(double x, double y, std::string_view s, std::string_view cls, std::string_view anchor = "start");
    void vertical_text(double x, double y, std::string_view s, std::string_view cls);
    std::string str() const { return body_ + "</svg>"; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    std::string body_;
    int width_, height_;
};

// Maps [lo, hi] onto [from, to] (to may be smaller: a y axis grows upwards).
struct Scale {
    double lo, hi, from, to;
    double operator()(double v) const { return from + (v - lo) / (hi - lo) * (to - from); }
};

// About `count` round values (1, 2 or 5 times a power of ten), the first
// at or below lo, the last at or above hi.
std::vector<double> nice_ticks(double lo, double hi, int count);
std::string tick_label(double v);

}  // namespace report
