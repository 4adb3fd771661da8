#include "tools/report/person_page.h"

#include "report/classical.h"
#include "report/norm_group.h"
#include "report/output.h"
#include "report/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace report {

namespace {

const char style[] = R"css(
:root { --ink: #1d232b; --muted: #5b6672; --line: #d5dbe1; --bar: #3b6ea5; --accent: #c0392b; --soft: #f3f5f7; }
* { box-sizing: border-box; }
body { font: 13px/1.4 system-ui, "Segoe UI", Roboto, "Noto Sans", Arial, sans-serif; color: var(--ink);
       margin: 0 auto; max-width: 900px; padding: 16px 24px 32px; }
h1 { font-size: 22px; margin: 4px 0; } h2 { font-size: 16px; margin: 18px 0 6px; border-top: 1.5px solid var(--ink);
       padding-top: 6px; }
.muted { color: var(--muted); }
.figures { display: flex; flex-wrap: wrap; gap: 6px 24px; padding: 8px 12px; background: var(--soft); border-radius: 6px; }
.figures b { display: block; font-size: 18px; } .figures span { color: var(--muted); font-size: 11px; }
table { border-collapse: collapse; font-size: 12px; margin: 4px 0 8px; }
th, td { padding: 2px 7px; border-bottom: 1px solid var(--line); text-align: left; }
th { background: var(--soft); } td.n { text-align: right; font-variant-numeric: tabular-nums; }
td.wrong { color: var(--accent); } ul.flags li { margin: 3px 0; }
.grid { columns: 2; column-gap: 24px; } .grid table { width: 100%; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: 2px 14px; margin: 4px 0; }
dl.facts dt { color: var(--muted); } dl.facts dd { margin: 0; }
svg { max-width: 100%; height: auto; font-family: inherit; }
svg .axis { stroke: var(--ink); } svg .grid { stroke: #e6eaee; } svg .tick { font-size: 10px; fill: var(--muted); }
svg .axis-label { font-size: 11px; fill: var(--ink); } svg .person { stroke: var(--bar); stroke-width: 2; fill: none; }
svg .point { fill: var(--bar); } svg .point.wrong { fill: var(--accent); }
svg .group { stroke: var(--muted); stroke-width: 1.5; stroke-dasharray: 4 3; fill: none; }
svg .limit { stroke: var(--accent); stroke-dasharray: 2 3; }
/* print: one A4 page up to about 90 items (four columns of answers, the facts in two) */
@page { size: A4; margin: 12mm; }
@media print { body { max-width: none; padding: 0; font-size: 9.5px; line-height: 1.3; }
  h1 { font-size: 17px; } h2 { font-size: 12.5px; margin: 8px 0 3px; padding-top: 3px; break-after: avoid; }
  .figures { padding: 4px 8px; } .figures b { font-size: 14px; } p { margin: 3px 0; }
  table { font-size: 9px; margin: 2px 0 4px; } th, td { padding: 0 5px; }
  svg { max-height: 38mm; } svg, .figures, dl.facts { break-inside: avoid; }
  .figures { gap: 2px 14px; } .figures b { font-size: 13px; }
  .grid { columns: 4; column-gap: 10px; } .grid th, .grid td { padding: 0 3px; white-space: nowrap; }
  dl.facts { grid-template-columns: max-content 1fr max-content 1fr; gap: 0 12px; } }
)css";

std::string esc(const std::string &s)
{
    return html_escape(s);
}

std::string figure(const std::string &value, const std::string &label)
{
    return "<div><b>" + esc(value) + "</b><span>" + esc(label) + "</span></div>";
}

std::string seconds(int64_t ms)
{
    return ms < 0 ? std::string("-") : number_text(ms / 1000.0, 1);
}

// The norm band a session is judged by: the table's "all", else the band of
// the participant's age on the session's day (years: NaN when not known).
const NormBand *session_band(const NormTable &t, const store::Attributes &attributes, const Session &s,
                             double &years)
{
    const std::map<std::string, std::string> values = judged_values(attributes, s);
    const auto age = values.find("age");
    years = age == values.end() || !store::is_number_value(age->second) ? NAN
                                                                         : std::strtod(age->second.c_str(), nullptr);
    for (const NormBand &b : t.bands)
        if (b.label == "all")
            return &b;
    return std::isnan(years) ? nullptr : band_for_age(t, years);
}

// The band's median times when the norm table gives them for every item.
bool has_item_times(const NormBand *band, int items)
{
    return band && int(band->median_rt_ms.size()) == items;
}

// Response times per item: the person's beside the median of the norm
// band (when it gives times) or else of the test's sessions in the store.
std::string time_profile(const TestAnalysis &a, const Session &s, const NormBand *band, int64_t fast_ms)
{
    const int n = a.test->items;
    std::vector<double> group(size_t(n), NAN), mine(size_t(n), NAN);
    std::vector<bool> right(size_t(n), false);
    double top = fast_ms / 1000.0;
    for (const ItemRow &it : a.items) {
        const double ms = has_item_times(band, n) ? band->median_rt_ms[size_t(it.item - 1)] : it.median_rt;
        if (it.item >= 1 && it.item <= n && !std::isnan(ms)) {
            group[size_t(it.item - 1)] = ms / 1000;
            top = std::max(top, group[size_t(it.item - 1)]);
        }
    }
    for (const Response &r : s.responses)
        if (r.item >= 1 && r.item <= n && r.rt_ms >= 0) {
            mine[size_t(r.item - 1)] = r.rt_ms / 1000.0;
            right[size_t(r.item - 1)] = r.right;
            top = std::max(top, mine[size_t(r.item - 1)]);
        }
    const int w = 820, h = 220, left = 48, bottom = 36;
    Svg svg(w, h, "Response time per item: this session and the median of the test's sessions");
    const Scale x{0.5, n + 0.5, double(left), double(w - 10)};
    const std::vector<double> ticks = nice_ticks(0, top, 5);
    const Scale y{0, ticks.back(), double(h - bottom), 10};
    for (double t : ticks) {
        svg.line(left, y(t), w - 10, y(t), "grid");
        svg.text(left - 4, y(t) + 3, tick_label(t), "tick", "end");
    }
    svg.line(left, y(fast_ms / 1000.0), w - 10, y(fast_ms / 1000.0), "limit");
    const int step = n > 40 ? 5 : n > 20 ? 2 : 1;
    for (int i = 1; i <= n; i += i == 1 && step > 1 ? step - 1 : step)
        svg.text(x(i), h - bottom + 14, std::to_string(i), "tick", "middle");
    svg.line(left, h - bottom, w - 10, h - bottom, "axis");
    svg.text((left + w) / 2.0, h - 4, "item", "axis-label", "middle");
    svg.vertical_text(12, h / 2.0, "seconds", "axis-label");
    for (int pass = 0; pass < 2; pass++) {
        const std::vector<double> &v = pass ? mine : group;
        for (int i = 1; i < n; i++)
            if (!std::isnan(v[size_t(i - 1)]) && !std::isnan(v[size_t(i)]))
                svg.line(x(i), y(v[size_t(i - 1)]), x(i + 1), y(v[size_t(i)]), pass ? "person" : "group");
    }
    for (int i = 1; i <= n; i++)
        if (!std::isnan(mine[size_t(i - 1)]))
            svg.circle(x(i), y(mine[size_t(i - 1)]), 3, right[size_t(i - 1)] ? "point" : "point wrong",
                       "item " + std::to_string(i) + ": " + number_text(mine[size_t(i - 1)], 1) + " s");
    return svg.str();
}

struct Standing {
    double z;
    std::string pr, t, ss;
};

Standing standing(double z)
{
    return {z, number_text(std::clamp(100 * normal_cdf(z), 0.1, 99.9), 1), std::to_string(std::lround(50 + 10 * z)),
            std::to_string(std::lround(100 + 15 * z))};
}

std::string norm_section(const SessionRow &row, const store::Attributes &attributes,
                         const PersonPageInfo &info)
{
    std::string out = "<h2>Norms</h2>";
    const NormTable *t = info.norms;
    if (!t)
        return out + "<p class=muted>No norm table was given (--norms): the page shows no percentile or standard "
                     "scores.</p>";
    const Session &s = *row.session;
    if (t->test != s.archive_crc32)
        return out + "<p>The norm table " + esc(info.norms_file) + " is for test " + esc(t->test) +
               ", this session is of test " + esc(s.archive_crc32) + ": no norm scores are shown.</p>";
    if (!is_complete(s))
        return out + "<p>The session answered " + std::to_string(s.responses.size()) + " of " +
               std::to_string(s.items) + " items. Norms hold for the whole test only, so no norm scores are "
                                         "shown; the ability above rests on the items answered.</p>";
    double years;
    const NormBand *band = session_band(*t, attributes, s, years);
    if (!band) {
        std::string labels;
        for (const NormBand &b : t->bands)
            labels += (labels.empty() ? "" : ", ") + b.label;
        return out + "<p>" + esc(s.participant) +
               (std::isnan(years) ? std::string("'s age is not known (import it with participants import)")
                                  : " was " + number_text(years, years == std::floor(years) ? 0 : 1) + " years old on the day of the session") +
               ", which lies outside every age band of the norm table (" + esc(labels) +
               "): no norm scores are shown.</p>";
    }
    const int raw = scored_right(s);
    const NormRow &r = band->rows[size_t(std::clamp(raw, 0, t->max_score))];
    out += "<p>Against " + esc(info.norms_file) + ", band " + esc(band->label) + ": " +
           std::to_string(band->people) + " people" +
           (band->first_date.empty() ? std::string() : ", tested " + band->first_date + " to " + band->last_date) +
           (t->group.empty() ? std::string() : ", group " + esc(t->group)) + ". Raw score " + std::to_string(raw) +
           " of " + std::to_string(t->max_score) + " (the training items not counted).</p>";
    if (band->forced)
        out += "<p><b>This norm band rests on only " + std::to_string(band->people) +
               " people (fewer than " + std::to_string(norm_minimum_people) +
               "; made with --force): its figures are rough.</b></p>";
    out += "<div class=figures>" + figure(number_text(r.percentile, 1), "percentile rank") +
           figure(std::to_string(r.t_score), "T score (50/10)") +
           figure(std::to_string(r.standard_score), "standard score (100/15)") +
           figure(std::to_string(r.stanine), "stanine") + "</div>";
    const double rel = band->kr20;
    if (std::isnan(rel) || rel <= 0 || rel >= 1) {
        out += "<p>The norm group's reliability (KR-20) is not known or not above 0, so no bands around the "
               "estimated true score can be given.</p>";
        return out;
    }
    // Kelley: the true score regressed toward the group's mean by the reliability
    const double z_true = rel * r.z, see = std::sqrt(rel * (1 - rel));
    const Standing at = standing(z_true), lo90 = standing(z_true - 1.645 * see), hi90 = standing(z_true + 1.645 * see),
                   lo95 = standing(z_true - 1.96 * see), hi95 = standing(z_true + 1.96 * see);
    out += "<table><tr><th></th><th>estimated true score</th><th>90% band</th><th>95% band</th></tr>"
           "<tr><td>percentile rank</td><td class=n>" + at.pr + "</td><td class=n>" + lo90.pr + " - " + hi90.pr +
           "</td><td class=n>" + lo95.pr + " - " + hi95.pr + "</td></tr><tr><td>T score</td><td class=n>" + at.t +
           "</td><td class=n>" + lo90.t + " - " + hi90.t + "</td><td class=n>" + lo95.t + " - " + hi95.t +
           "</td></tr><tr><td>standard score</td><td class=n>" + at.ss + "</td><td class=n>" + lo90.ss + " - " +
           hi90.ss + "</td><td class=n>" + lo95.ss + " - " + hi95.ss + "</td></tr></table>";
    out += "<p class=muted>The bands are around the estimated true score, not the observed one: the observed "
           "standing is drawn toward the norm group's mean by the test's reliability (Kelley's estimate, z true = "
           "r &times; z with r = KR-20 = " + number_text(rel, 2) + " of the norm group; its standard error "
           "&radic;(r(1 &minus; r)) = " + number_text(see, 2) + " in z units). The figures above the table are the "
           "observed score's.</p>";
    return out;
}

}  // namespace

std::string person_page(const TestAnalysis &a, const SessionRow &row, const store::Attributes &attributes,
                        const PersonPageInfo &info)
{
    const Session &s = *row.session;
    std::string out = "<!DOCTYPE html><html lang=en><head><meta charset=utf-8><title>Participant " +
                      esc(s.participant) + "</title><meta name=viewport content=\"width=device-width\"><style>" +
                      style + "</style></head><body>";
    out += "<h1>Participant " + esc(s.participant) + "</h1><p class=muted>Test " + esc(s.archive_crc32) +
           (s.started.empty() ? std::string() : ", session of " + esc(s.started.substr(0, 10))) + ". From " +
           esc(info.store) + ", made " + esc(info.made) + ".</p>";

    // score and ability
    const int scored = scored_right(s), max_scored = std::max(0, s.items - training_items);
    out += "<h2>Score and ability</h2><div class=figures>" +
           figure(std::to_string(row.score) + " of " + std::to_string(s.items), "right answers, all items") +
           figure(std::to_string(scored) + " of " + std::to_string(max_scored), "raw score (items " +
                  std::to_string(training_items + 1) + " to " + std::to_string(s.items) + ")");
    const bool has_ability = !std::isnan(row.ability) && !std::isnan(row.ability_se);
    if (has_ability)
        out += figure(number_text(row.ability, 2) + " \u00B1 " + number_text(row.ability_se, 2),
                       "ability (WLE, logits) \u00B1 SE") +
               figure(number_text(row.ability - 1.645 * row.ability_se, 2) + " to " +
                          number_text(row.ability + 1.645 * row.ability_se, 2),
                      "90% band") +
               figure(number_text(row.ability - 1.96 * row.ability_se, 2) + " to " +
                          number_text(row.ability + 1.96 * row.ability_se, 2),
                      "95% band");
    out += "</div>";
    if (!has_ability)
        out += "<p>No ability estimate: " +
               (a.rasch.fitted ? std::string("the session answered none of the items whose difficulty is known.")
                               : "the Rasch model could not be fitted to this test's sessions (" +
                                     esc(a.rasch.problem) + ").") +
               "</p>";
    else
        out += "<p class=muted>Rasch ability by Warm's weighted likelihood (finite also for none or all right), "
               "on the " + std::to_string(row.ability_items) + " scored items " +
               (row.partial ? "this unfinished session answered; it is not comparable with whole sessions "
                              "without that caveat."
                            : "of the test.") +
               "</p>";

    out += norm_section(row, attributes, info);

    // flags in sentences
    std::vector<std::string> flags;
    if (row.fast_answers > 0)
        flags.push_back(std::to_string(row.fast_answers) + (row.fast_answers == 1 ? " answer was" : " answers were") +
                        " confirmed in less than " + number_text(info.fast_ms / 1000.0, 1) +
                        " s: too fast to have looked at the picture, which suggests guessing.");
    if (row.fit.n > 0 && (row.fit.outfit_t > 2 || row.fit.infit_t > 2))
        flags.push_back("The answers fit the Rasch model poorly (outfit " + number_text(row.fit.outfit, 2) +
                        ", infit " + number_text(row.fit.infit, 2) +
                        "): easy items were missed or hard ones solved more often than the score leads one to "
                        "expect, as with guessing, lapses of attention or misunderstood instructions.");
    if (!is_complete(s))
        flags.push_back("The session is unfinished: " + std::to_string(s.responses.size()) + " of " +
                        std::to_string(s.items) + " items were answered (it ended: " + esc(s.ended_by) + ").");
    if (s.resumes > 0)
        flags.push_back("The session was interrupted and resumed " + std::to_string(s.resumes) +
                        (s.resumes == 1 ? " time" : " times") + "; the times around the break may be off.");
    if (row.refused_training > 0)
        flags.push_back(std::to_string(row.refused_training) +
                        (row.refused_training == 1 ? " wrong answer was" : " wrong answers were") +
                        " refused on the training items before the right one: the instructions may not have "
                        "been clear at first.");
    out += "<h2>To look at</h2>";
    if (flags.empty())
        out += "<p>Nothing unusual: the session is complete, no answer was very fast and the answers fit the "
               "model.</p>";
    else {
        out += "<ul class=flags>";
        for (const std::string &f : flags)
            out += "<li>" + f + "</li>";
        out += "</ul>";
    }

    // response times
    out += "<h2>Response times</h2>";
    if (row.fast_answers < 0)
        out += "<p>This session came from a result file, which records no times.</p>";
    else {
        double years;
        const NormBand *band = info.norms && info.norms->test == s.archive_crc32
                                   ? session_band(*info.norms, attributes, s, years)
                                   : nullptr;
        const bool normed = has_item_times(band, s.items);
        out += time_profile(a, s, normed ? band : nullptr, info.fast_ms) +
               "<p class=muted>Solid line and points: this session (red: wrong). Dashed: the median of " +
               (normed ? "the norm group (" + esc(info.norms_file) + ", band " + esc(band->label) + ", " +
                             std::to_string(band->people) + " people)"
                       : std::string("the test's sessions in the store")) +
               ". Dotted red line: the fast-answer limit.</p>";
    }

    // item by item
    out += "<h2>Item by item</h2><div class=grid><table><tr><th>item</th><th>answer</th><th>right</th>"
           "<th>time (s)</th></tr>";
    size_t next = 0;
    for (int i = 1; i <= s.items; i++) {
        while (next < s.responses.size() && s.responses[next].item < i)
            next++;
        const Response *r = next < s.responses.size() && s.responses[next].item == i ? &s.responses[next] : nullptr;
        out += "<tr><td class=n>" + std::to_string(i) + (i <= training_items ? "*" : "") + "</td>";
        if (!r)
            out += "<td colspan=3 class=muted>not answered</td></tr>";
        else
            out += "<td class=n>" + (r->digit ? std::to_string(r->digit) : std::string("-")) + "</td><td" +
                   (r->right ? ">right" : " class=wrong>wrong") + "</td><td class=n>" + seconds(r->rt_ms) +
                   "</td></tr>";
    }
    out += "</table></div><p class=muted>* a training item: not counted in the raw score.</p>";

    // facts
    const auto fact = [](const char *k, const std::string &v) {
        return v.empty() ? std::string() : std::string("<dt>") + k + "</dt><dd>" + esc(v) + "</dd>";
    };
    out += "<h2>Session</h2><dl class=facts>" + fact("started", s.started) + fact("last entry", s.last_time) +
           fact("ended by", s.ended_by) + fact("program", s.program + " " + s.version) + fact("build", s.build) +
           fact("clock", s.clock + (s.clock_resolution_us > 0
                                        ? " (" + std::to_string(s.clock_resolution_us) + " \u00B5s resolution)"
                                        : std::string())) +
           fact("archive", s.archive_crc32 + (s.archive_bytes > 0 ? ", " + std::to_string(s.archive_bytes) +
                                                                      " bytes"
                                                                : std::string())) +
           fact("session ID", s.session_id) + fact("file", s.file) + fact("note", s.note) + "</dl>";
    return out + "</body></html>\n";
}

}  // namespace report
