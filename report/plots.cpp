#include "report/plots.h"

#include "report/output.h"
#include "report/svg.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace report {

namespace {

struct Frame {  // the plotting area inside an SVG
    double left, top, right, bottom;
};

void y_axis(Svg &svg, const Frame &f, const Scale &y, const std::vector<double> &ticks, const std::string &label,
            bool grid = true)
{
    for (double t : ticks) {
        if (grid)
            svg.line(f.left, y(t), f.right, y(t), "grid");
        svg.text(f.left - 5, y(t) + 4, tick_label(t), "tick", "end");
    }
    svg.line(f.left, f.top, f.left, f.bottom, "axis");
    svg.vertical_text(12, (f.top + f.bottom) / 2, label, "axis-label");
}

void x_label(Svg &svg, const Frame &f, const std::string &label)
{
    svg.line(f.left, f.bottom, f.right, f.bottom, "axis");
    svg.text((f.left + f.right) / 2, svg.height() - 4, label, "axis-label", "middle");
}

// Items along x: one slot each, labelled every few items so labels never crowd.
void item_axis(Svg &svg, const Frame &f, int items, double slot)
{
    const int every = items <= 30 ? 1 : items <= 60 ? 2 : 5;
    for (int i = 1; i <= items; i++)
        if (i % every == 0 || (i == 1 && every > 2))
            svg.text(f.left + (i - 0.5) * slot, f.bottom + 14, std::to_string(i), "tick", "middle");
}

std::string percent(double share)
{
    return number_text(share * 100, 0) + "%";
}

}  // namespace

std::string score_histogram(const TestAnalysis &a)
{
    const int max_score = a.analysed_items;
    std::vector<int> count(size_t(max_score) + 1, 0);
    double sum = 0;
    int n = 0;
    for (const SessionRow &s : a.sessions)
        if (int(s.session->responses.size()) == a.test->items) {
            count[size_t(std::min(s.score_without_training, max_score))]++;
            sum += s.score_without_training;
            n++;
        }
    Svg svg(640, 270, "Sessions per score");
    const Frame f{52, 22, 628, 230};
    if (n == 0 || max_score == 0) {
        svg.text(320, 130, max_score == 0 ? "no items after the training items: nothing to score"
                                          : "no complete sessions yet", "empty", "middle");
        return svg.str();
    }
    const int top = std::max(1, *std::max_element(count.begin(), count.end()));
    const std::vector<double> yt = nice_ticks(0, top, 5);
    const Scale y{0, yt.back(), f.bottom, f.top};
    const double slot = (f.right - f.left) / (max_score + 1);
    y_axis(svg, f, y, yt, "sessions");
    for (int s = 0; s <= max_score; s++)
        if (count[size_t(s)])
            svg.rect(f.left + s * slot + 1, y(count[size_t(s)]), std::max(1.0, slot - 2), f.bottom - y(count[size_t(s)]),
                     "bar", "score " + std::to_string(s) + ": " + std::to_string(count[size_t(s)]) + " sessions");
    for (double t : nice_ticks(0, max_score, std::min(max_score, 12)))
        svg.text(f.left + (t + 0.5) * slot, f.bottom + 14, tick_label(t), "tick", "middle");
    const double mean = sum / n;
    svg.line(f.left + (mean + 0.5) * slot, f.top, f.left + (mean + 0.5) * slot, f.bottom, "mean");
    svg.text(f.left + (mean + 0.5) * slot, f.top - 6, "mean " + number_text(mean, 1), "note", "middle");
    x_label(svg, f, "score without the training items (" + std::to_string(n) + " complete sessions)");
    return svg.str();
}

std::string difficulty_plot(const TestAnalysis &a)
{
    const int items = a.test->items;
    Svg svg(900, 420, "Item difficulty by position");
    const Frame top{52, 12, 888, 190}, bottom{52, 230, 888, 390};
    const double slot = (top.right - top.left) / std::max(1, items);
    // share right
    const Scale p{0, 1, top.bottom, top.top};
    y_axis(svg, top, p, {0, 0.25, 0.5, 0.75, 1}, "share right");
    for (double limit : {0.05, 0.95})
        svg.line(top.left, p(limit), top.right, p(limit), "limit");
    for (const ItemRow &r : a.items) {
        if (std::isnan(r.p))
            continue;
        const char *cls = r.training ? "bar training" : r.flags.empty() ? "bar" : "bar flagged";
        svg.rect(top.left + (r.item - 1) * slot + 1, p(r.p), std::max(1.0, slot - 2), top.bottom - p(r.p), cls,
                 "item " + std::to_string(r.item) + ": p = " + number_text(r.p, 2) +
                     (r.training ? " (training)" : ""));
    }
    svg.line(top.left, top.bottom, top.right, top.bottom, "axis");
    item_axis(svg, top, items, slot);
    // Rasch difficulty with +-1.96 SE
    double lo = -1, hi = 1;
    for (const ItemRow &r : a.items)
        if (!std::isnan(r.b)) {
            lo = std::min(lo, r.b - 1.96 * r.b_se);
            hi = std::max(hi, r.b + 1.96 * r.b_se);
        }
    lo = std::max(lo, -8.0);
    hi = std::min(hi, 8.0);
    const std::vector<double> bt = nice_ticks(lo, hi, 5);
    const Scale b{bt.front(), bt.back(), bottom.bottom, bottom.top};
    y_axis(svg, bottom, b, bt, "Rasch difficulty");
    bool any = false;
    for (const ItemRow &r : a.items) {
        if (std::isnan(r.b))
            continue;
        any = true;
        const double x = bottom.left + (r.item - 0.5) * slot;
        svg.line(x, b(std::max(b.lo, r.b - 1.96 * r.b_se)), x, b(std::min(b.hi, r.b + 1.96 * r.b_se)), "whisker");
        svg.circle(x, b(r.b), 3, r.flags.empty() ? "point" : "point flagged",
                   "item " + std::to_string(r.item) + ": b = " + number_text(r.b, 2) + " (SE " +
                       number_text(r.b_se, 2) + ")");
    }
    if (!any)
        svg.text((bottom.left + bottom.right) / 2, (bottom.top + bottom.bottom) / 2,
                 "no Rasch estimates: " + (a.rasch.problem.empty() ? std::string("no sessions") : a.rasch.problem),
                 "empty", "middle");
    x_label(svg, bottom, "item (training items grey, flagged items red)");
    item_axis(svg, bottom, items, slot);
    return svg.str();
}

std::string wright_map(const TestAnalysis &a)
{
    std::vector<double> thetas;
    for (const SessionRow &s : a.sessions)
        if (!std::isnan(s.ability) && !s.partial)  // a partial session's estimate is less precise
            thetas.push_back(s.ability);
    std::vector<const ItemRow *> items;
    for (const ItemRow &r : a.items)
        if (!std::isnan(r.b))
            items.push_back(&r);
    Svg svg(720, 460, "Item-person map");
    if (thetas.empty() || items.empty()) {
        svg.text(360, 230, "no Rasch estimates yet", "empty", "middle");
        return svg.str();
    }
    double lo = 0, hi = 0;
    for (double t : thetas) {
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    for (const ItemRow *r : items) {
        lo = std::min(lo, r->b);
        hi = std::max(hi, r->b);
    }
    lo = std::max(std::floor(lo) - 0.5, -10.0);
    hi = std::min(std::ceil(hi) + 0.5, 10.0);
    const Frame f{40, 24, 700, 430};
    const double axis_x = 340;
    const Scale y{lo, hi, f.bottom, f.top};
    for (double t : nice_ticks(lo, hi, 8)) {
        if (t < lo || t > hi)
            continue;
        svg.line(f.left, y(t), f.right, y(t), "grid");
        svg.text(f.left - 4, y(t) + 4, tick_label(t), "tick", "end");
    }
    // persons: bins of a quarter logit, bars growing to the left
    const double bin = 0.25;
    const int bins = int(std::ceil((hi - lo) / bin));
    std::vector<int> count(size_t(bins), 0);
    for (double t : thetas)
        count[size_t(std::clamp(int((t - lo) / bin), 0, bins - 1))]++;
    const int most = *std::max_element(count.begin(), count.end());
    for (int i = 0; i < bins; i++)
        if (count[size_t(i)]) {
            const double w = (axis_x - f.left - 10) * count[size_t(i)] / most;
            svg.rect(axis_x - w, y(lo + (i + 1) * bin), w, y(lo + i * bin) - y(lo + (i + 1) * bin) - 1, "bar",
                     std::to_string(count[size_t(i)]) + " sessions, ability " + number_text(lo + i * bin, 2) +
                         " to " + number_text(lo + (i + 1) * bin, 2));
        }
    svg.line(axis_x, f.top, axis_x, f.bottom, "axis");
    svg.text(axis_x - 10, 14, "sessions by ability", "axis-label", "end");
    svg.text(axis_x + 10, 14, "items by difficulty", "axis-label", "start");
    // items: labels in columns so that close difficulties do not overlap
    std::sort(items.begin(), items.end(), [](const ItemRow *p, const ItemRow *q) { return p->b < q->b; });
    std::vector<double> column_last;
    const double column_width = 30;
    for (const ItemRow *r : items) {
        const double yy = y(r->b);
        size_t c = 0;
        while (c < column_last.size() && column_last[c] - yy < 12)
            c++;
        if (c == column_last.size())
            column_last.push_back(0);
        column_last[c] = yy;
        const double x = axis_x + 12 + double(c) * column_width;
        svg.line(axis_x, yy, std::min(x, axis_x + 10), yy, "tick-mark");
        svg.circle(x, yy, 2.5, r->flags.empty() ? "point" : "point flagged",
                   "item " + std::to_string(r->item) + ": b = " + number_text(r->b, 2));
        svg.text(x + 5, yy + 4, std::to_string(r->item), "item-label");
    }
    svg.vertical_text(12, (f.top + f.bottom) / 2, "logits", "axis-label");
    return svg.str();
}

std::string response_time_plot(const TestAnalysis &a, int64_t fast_ms)
{
    const int items = a.test->items;
    Svg svg(900, 300, "Response times per item");
    const Frame f{52, 12, 888, 262};
    double lo = 1e9, hi = 0;
    for (const ItemRow &r : a.items)
        if (!r.rt_ms.empty()) {
            lo = std::min(lo, quantile(r.rt_ms, 0.1));
            hi = std::max(hi, quantile(r.rt_ms, 0.9));
        }
    if (hi <= 0) {
        svg.text(450, 150, "no response times (result files only)", "empty", "middle");
        return svg.str();
    }
    // log scale in seconds, over round values
    static const double steps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 30, 60, 120, 300, 600, 1200};
    lo = std::min(lo / 1000, double(fast_ms) / 1000);
    hi = hi / 1000;
    double l = steps[0], h = steps[std::size(steps) - 1];
    for (double s : steps)
        if (s <= lo)
            l = s;
    for (double s : steps)
        if (s >= hi) {
            h = s;
            break;
        }
    if (h <= l)
        h = l * 10;
    const Scale y{std::log(l), std::log(h), f.bottom, f.top};
    auto ys = [&](double ms) { return y(std::log(std::clamp(ms / 1000, l, h))); };
    for (double s : steps)
        if (s >= l && s <= h) {
            svg.line(f.left, y(std::log(s)), f.right, y(std::log(s)), "grid");
            svg.text(f.left - 5, y(std::log(s)) + 4, tick_label(s), "tick", "end");
        }
    svg.line(f.left, f.top, f.left, f.bottom, "axis");
    svg.vertical_text(12, (f.top + f.bottom) / 2, "seconds (log scale)", "axis-label");
    svg.line(f.left, ys(double(fast_ms)), f.right, ys(double(fast_ms)), "limit");
    svg.text(f.right - 4, ys(double(fast_ms)) - 4, "fast: under " + number_text(fast_ms / 1000.0, 1) + " s", "note",
             "end");
    const double slot = (f.right - f.left) / std::max(1, items);
    for (const ItemRow &r : a.items) {
        if (r.rt_ms.empty())
            continue;
        const double x = f.left + (r.item - 0.5) * slot, w = std::max(2.0, slot * 0.6);
        const double q10 = quantile(r.rt_ms, 0.1), q25 = quantile(r.rt_ms, 0.25), q50 = quantile(r.rt_ms, 0.5),
                     q75 = quantile(r.rt_ms, 0.75), q90 = quantile(r.rt_ms, 0.9);
        svg.line(x, ys(q10), x, ys(q90), "whisker");
        svg.rect(x - w / 2, ys(q75), w, ys(q25) - ys(q75), r.training ? "box training" : "box",
                 "item " + std::to_string(r.item) + ": median " + number_text(q50 / 1000, 1) + " s, quartiles " +
                     number_text(q25 / 1000, 1) + "-" + number_text(q75 / 1000, 1) + " s (" +
                     std::to_string(r.rt_ms.size()) + " answers)");
        svg.line(x - w / 2, ys(q50), x + w / 2, ys(q50), "median");
    }
    x_label(svg, f, "item (box: quartiles, line: median, whiskers: 10th to 90th percentile)");
    item_axis(svg, f, items, slot);
    return svg.str();
}

std::string distractor_grid(const ItemRow &row)
{
    const int cell = 14, gap = 2;
    Svg svg(3 * (cell + gap) + gap, 3 * (cell + gap) + gap, "Answer cells chosen, item " + std::to_string(row.item));
    for (int c = 0; c < 9; c++) {
        const double x = gap + (c % 3) * (cell + gap), y = gap + (c / 3) * (cell + gap);
        const bool present = row.cells >> c & 1;
        if (!present) {
            svg.rect(x, y, cell, cell, "cell-absent");
            continue;
        }
        const double share = row.cell_answers ? double(row.chosen[size_t(c)]) / row.cell_answers : 0;
        const bool correct = c + 1 == row.correct_cell;
        const std::string title = "cell " + std::to_string(c + 1) + (correct ? " (correct)" : "") + ": " +
                                  percent(share) + " (" + std::to_string(row.chosen[size_t(c)]) + ")";
        // eleven shades, from none chosen to all
        const int shade = int(std::lround(share * 10));
        // (on training items every confirmed answer is right: nothing to mark)
        const bool unchosen = !row.training && row.chosen[size_t(c)] == 0;
        const char *kind = correct ? "cell-correct " : unchosen ? "cell-unchosen " : "cell ";
        svg.rect(x, y, cell, cell, kind + std::string("s") + std::to_string(shade), title);
    }
    return svg.str();
}

}  // namespace report
