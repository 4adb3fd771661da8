#include "report/model_plots.h"

#include "report/output.h"
#include "report/svg.h"

#include <algorithm>
#include <cmath>

namespace report {

std::string information_plot(const TestAnalysis &a)
{
    Svg svg(640, 300, "Test information and standard error");
    std::vector<double> b;
    for (double d : a.rasch.b)
        if (!std::isnan(d))
            b.push_back(d);
    if (!a.rasch.fitted || b.empty()) {
        svg.text(320, 150, "no Rasch estimates yet", "empty", "middle");
        return svg.str();
    }
    const double lo = -6, hi = 6, left = 52, right = 588, top = 22, bottom = 260;
    std::vector<double> info;
    double most = 0;
    for (int s = 0; s <= 240; s++) {
        info.push_back(test_information(b, lo + (hi - lo) * s / 240));
        most = std::max(most, info.back());
    }
    const std::vector<double> it = nice_ticks(0, most, 5);
    const Scale x{lo, hi, left, right}, y{0, it.back(), bottom, top};
    const double se_top = 2.0;  // the standard error axis (right) ends at 2 logits
    const Scale yse{0, se_top, bottom, top};
    for (double t : it) {
        svg.line(left, y(t), right, y(t), "grid");
        svg.text(left - 5, y(t) + 4, tick_label(t), "tick", "end");
    }
    for (double t : {0.0, 0.5, 1.0, 1.5, 2.0})
        svg.text(right + 5, yse(t) + 4, tick_label(t), "tick", "start");
    for (double t = lo; t <= hi; t += 2)
        svg.text(x(t), bottom + 14, tick_label(t), "tick", "middle");
    svg.line(left, bottom, right, bottom, "axis");
    svg.line(left, top, left, bottom, "axis");
    svg.line(right, top, right, bottom, "axis");
    for (int s = 0; s < 240; s++) {
        const double t0 = lo + (hi - lo) * s / 240, t1 = lo + (hi - lo) * (s + 1) / 240;
        svg.line(x(t0), y(info[size_t(s)]), x(t1), y(info[size_t(s + 1)]), "curve");
        const double e0 = 1 / std::sqrt(info[size_t(s)]), e1 = 1 / std::sqrt(info[size_t(s + 1)]);
        if (e0 <= se_top && e1 <= se_top)
            svg.line(x(t0), yse(e0), x(t1), yse(e1), "curve-se");
    }
    svg.vertical_text(12, (top + bottom) / 2, "information", "axis-label");
    svg.text(right - 4, top + 12, "standard error (red, right axis)", "note", "end");
    svg.text((left + right) / 2, svg.height() - 4,
             "ability (logits); peak information " + number_text(most, 1) + ", standard error " +
                 number_text(1 / std::sqrt(most), 2),
             "axis-label", "middle");
    return svg.str();
}

std::string andersen_plot(const TestAnalysis &a, const LikelihoodRatioTest &t, const std::array<std::string, 2> &names)
{
    Svg svg(460, 460, "Difficulties of " + names[0] + " and " + names[1]);
    if (!t.done) {
        svg.text(230, 230, "no comparison", "empty", "middle");
        return svg.str();
    }
    double lo = 0, hi = 0;
    for (int i : t.items)
        for (int g = 0; g < 2; g++) {
            lo = std::min(lo, t.group[g].b[size_t(i)]);
            hi = std::max(hi, t.group[g].b[size_t(i)]);
        }
    lo = std::max(std::floor(lo) - 0.5, -10.0);
    hi = std::min(std::ceil(hi) + 0.5, 10.0);
    const double left = 52, right = 440, top = 16, bottom = 404;
    const Scale x{lo, hi, left, right}, y{lo, hi, bottom, top};
    for (double v : nice_ticks(lo, hi, 8)) {
        if (v < lo || v > hi)
            continue;
        svg.line(left, y(v), right, y(v), "grid");
        svg.text(left - 5, y(v) + 4, tick_label(v), "tick", "end");
        svg.text(x(v), bottom + 14, tick_label(v), "tick", "middle");
    }
    svg.line(left, bottom, right, bottom, "axis");
    svg.line(left, top, left, bottom, "axis");
    svg.line(x(lo), y(lo), x(hi), y(hi), "mean");
    const int first = training_items;
    for (int i : t.items) {
        const ItemRow &row = a.items[size_t(first + i)];
        const double b0 = t.group[0].b[size_t(i)], b1 = t.group[1].b[size_t(i)], z = t.z[size_t(i)];
        svg.circle(x(b0), y(b1), 3, std::fabs(z) > 2.58 ? "point flagged" : "point",
                   "item " + std::to_string(row.item) + ": " + names[0] + " " + number_text(b0, 2) + ", " +
                       names[1] + " " + number_text(b1, 2) + ", z " + number_text(z, 2));
        if (std::fabs(z) > 2.58)
            svg.text(x(b0) + 5, y(b1) - 4, std::to_string(row.item), "item-label");
    }
    svg.vertical_text(12, (top + bottom) / 2, "difficulty, " + names[1], "axis-label");
    svg.text((left + right) / 2, svg.height() - 4, "difficulty, " + names[0] + " (logits)", "axis-label", "middle");
    return svg.str();
}

}  // namespace report
