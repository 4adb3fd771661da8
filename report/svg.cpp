#include "report/svg.h"

#include <cmath>
#include <cstdio>

namespace report {

namespace {

std::string num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string title_element(std::string_view title)
{
    return title.empty() ? std::string() : "<title>" + html_escape(title) + "</title>";
}

}  // namespace

Svg::Svg(int width, int height, std::string_view label) : width_(width), height_(height)
{
    body_ = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) + " " +
            std::to_string(height) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
            std::to_string(height) + "\" role=\"img\" aria-label=\"" + html_escape(label) + "\">";
}

void Svg::rect(double x, double y, double w, double h, std::string_view cls, std::string_view title)
{
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    body_ += "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" + num(h) +
             "\" class=\"" + std::string(cls) + "\">" + title_element(title) + "</rect>";
}

void Svg::line(double x1, double y1, double x2, double y2, std::string_view cls)
{
    body_ += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
             "\" class=\"" + std::string(cls) + "\"/>";
}

void Svg::circle(double x, double y, double r, std::string_view cls, std::string_view title)
{
    body_ += "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"" + num(r) + "\" class=\"" +
             std::string(cls) + "\">" + title_element(title) + "</circle>";
}

void Svg::text(double x, double y, std::string_view s, std::string_view cls, std::string_view anchor)
{
    body_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" class=\"" + std::string(cls) + "\" text-anchor=\"" +
             std::string(anchor) + "\">" + html_escape(s) + "</text>";
}

void Svg::vertical_text(double x, double y, std::string_view s, std::string_view cls)
{
    body_ += "<text transform=\"translate(" + num(x) + " " + num(y) + ") rotate(-90)\" class=\"" + std::string(cls) +
             "\" text-anchor=\"middle\">" + html_escape(s) + "</text>";
}

std::vector<double> nice_ticks(double lo, double hi, int count)
{
    std::vector<double> ticks;
    if (!(hi > lo) || count < 1)
        return {lo};
    const double raw = (hi - lo) / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    // from the last round value at or below lo to the first at or above hi
    const long first = long(std::floor(lo / step + 1e-9)), last = long(std::ceil(hi / step - 1e-9));
    for (long i = first; i <= last; i++)
        ticks.push_back(double(i) * step);
    return ticks;
}

std::string tick_label(double v)
{
    char buf[32];
    if (std::fabs(v - std::round(v)) < 1e-9)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else if (std::fabs(v * 10 - std::round(v * 10)) < 1e-9)
        std::snprintf(buf, sizeof buf, "%.1f", v);
    else
        std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace report
