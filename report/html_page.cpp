#include "report/html_page.h"

#include "report/output.h"
#include "report/model_plots.h"
#include "report/plots.h"
#include "report/svg.h"
#include "report/tables.h"

#include <cmath>

namespace report {

namespace {

// Sessions beyond this many are left to sessions.csv (a page stays light).
constexpr size_t session_rows_max = 20000;
// The per-answer table only while it stays small.
constexpr size_t answer_rows_max = 3000;

const char style[] = R"css(
:root { --ink: #1d232b; --muted: #5b6672; --line: #d5dbe1; --bar: #3b6ea5; --accent: #c0392b; --soft: #f3f5f7; }
* { box-sizing: border-box; }
body { font: 14px/1.45 system-ui, "Segoe UI", Roboto, "Noto Sans", Arial, sans-serif; color: var(--ink);
       margin: 0 auto; max-width: 1240px; padding: 16px 24px 48px; }
h1 { font-size: 24px; margin: 8px 0 4px; }
h2 { font-size: 20px; margin: 32px 0 8px; padding-top: 12px; border-top: 2px solid var(--ink); }
h3 { font-size: 16px; margin: 24px 0 6px; }
p.lead, .muted { color: var(--muted); }
nav ul { list-style: none; padding: 0; margin: 8px 0; display: flex; flex-wrap: wrap; gap: 6px 18px; }
a { color: var(--bar); }
.figures { display: flex; flex-wrap: wrap; gap: 8px 28px; margin: 8px 0 4px; padding: 10px 14px;
           background: var(--soft); border-radius: 6px; }
.figures div { min-width: 120px; }
.figures b { display: block; font-size: 20px; }
.figures span { color: var(--muted); font-size: 12px; }
figure { margin: 8px 0 16px; break-inside: avoid; }
figcaption { color: var(--muted); font-size: 12px; max-width: 900px; }
svg { max-width: 100%; height: auto; font-family: inherit; }
svg .bar { fill: var(--bar); } svg .bar.training, svg .box.training { fill: #b8c2cc; }
svg .bar.flagged { fill: var(--accent); } svg .point { fill: var(--bar); } svg .point.flagged { fill: var(--accent); }
svg .box { fill: #a9c4e2; stroke: var(--bar); } svg .median { stroke: var(--ink); stroke-width: 2; }
svg .whisker { stroke: var(--muted); } svg .axis { stroke: var(--ink); } svg .grid { stroke: #e6eaee; }
svg .tick-mark { stroke: var(--muted); }
svg .limit { stroke: var(--accent); stroke-dasharray: 4 3; } svg .mean { stroke: var(--ink); stroke-dasharray: 3 3; }
svg .tick { font-size: 11px; fill: var(--muted); } svg .axis-label { font-size: 12px; fill: var(--ink); }
svg .item-label { font-size: 11px; fill: var(--ink); } svg .note { font-size: 11px; fill: var(--ink); }
svg .empty { font-size: 14px; fill: var(--muted); }
svg .curve { stroke: var(--bar); stroke-width: 2; } svg .curve-se { stroke: var(--accent); stroke-width: 1.5; stroke-dasharray: 5 3; }
svg .cell-absent { fill: none; stroke: #e6eaee; stroke-dasharray: 2 2; }
svg .cell, svg .cell-correct { fill: var(--bar); stroke: #8da4bd; }
svg .cell-correct { stroke: #1e8449; stroke-width: 2.5; }
svg .cell-unchosen { fill: var(--bar); stroke: var(--accent); stroke-width: 2; }
)css"
                     R"css(
svg .s0 { fill-opacity: 0.04; } svg .s1 { fill-opacity: 0.12; } svg .s2 { fill-opacity: 0.2; }
svg .s3 { fill-opacity: 0.28; } svg .s4 { fill-opacity: 0.36; } svg .s5 { fill-opacity: 0.44; }
svg .s6 { fill-opacity: 0.52; } svg .s7 { fill-opacity: 0.6; } svg .s8 { fill-opacity: 0.7; }
svg .s9 { fill-opacity: 0.82; } svg .s10 { fill-opacity: 0.95; }
table { border-collapse: collapse; font-size: 12.5px; margin: 6px 0 12px; }
th, td { padding: 3px 8px; border-bottom: 1px solid var(--line); text-align: left; vertical-align: middle; }
th { background: var(--soft); position: sticky; top: 0; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
tr.flagged td { background: #fdf0ee; }
.flag { color: var(--accent); }
.scroll { max-height: 560px; overflow: auto; border: 1px solid var(--line); }
details summary { cursor: pointer; color: var(--bar); margin: 6px 0; }
dl.methods dt { font-weight: 600; margin-top: 8px; } dl.methods dd { margin-left: 16px; }
@media print {
  body { max-width: none; padding: 0; font-size: 11px; }
  nav, details summary { display: none; }
  .scroll { max-height: none; overflow: visible; border: 0; }
  h2 { break-before: page; } figure, table { break-inside: avoid; }
  th { position: static; }
}
)css";

std::string esc(const std::string &s)
{
    return html_escape(s);
}

std::string td(const std::string &s, bool number = false)
{
    return std::string(number ? "<td class=\"n\">" : "<td>") + esc(s) + "</td>";
}

std::string figure(const std::string &id, const std::string &title, const std::string &svg, const std::string &caption)
{
    return "<section id=\"" + id + "\"><h3>" + esc(title) + "</h3><figure>" + svg + "<figcaption>" + esc(caption) +
           "</figcaption></figure></section>\n";
}

std::string key_figure(const std::string &value, const std::string &label)
{
    return "<div><b>" + esc(value) + "</b><span>" + esc(label) + "</span></div>";
}

std::string joined(const std::vector<std::string> &parts)
{
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : "; ") + p;
    return out;
}

std::string figures(const TestAnalysis &a)
{
    int journals = 0;
    for (const SessionRow &s : a.sessions)
        journals += s.session->source == "journal";
    std::string flagged;
    int n_flagged = 0;
    for (const ItemRow &r : a.items)
        n_flagged += !r.flags.empty();
    std::string out = "<div class=\"figures\">";
    out += key_figure(std::to_string(a.sessions.size()), "sessions (" + std::to_string(journals) + " journals)");
    out += key_figure(std::to_string(a.complete_sessions), "complete sessions");
    out += key_figure(std::to_string(a.analysed_items), "items analysed (after 3 training items)");
    out += key_figure(a.classical.persons ? number_text(a.classical.mean_score, 1) : "-", "mean score");
    out += key_figure(std::isnan(a.classical.kr20) ? "-" : number_text(a.classical.kr20, 2), "KR-20 reliability");
    out += key_figure(a.rasch.fitted ? std::to_string(a.rasch.persons_used) : "-", "persons in the Rasch fit");
    out += key_figure(std::to_string(n_flagged), "flagged items");
    return out + "</div>";
}

std::string upper_first(std::string s)
{
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = char(s[0] - 'a' + 'A');
    return s;
}

std::string flagged_table(const TestAnalysis &a)
{
    std::string rows;
    for (const ItemRow &r : a.items)
        if (!r.flags.empty())
            rows += "<tr>" + td(std::to_string(r.item), true) + td(r.text) + td(number_text(r.p, 2), true) +
                    td(number_text(r.r_it, 2), true) + td(number_text(r.b, 2), true) + "<td class=\"flag\">" +
                    esc(joined(r.flags)) + "</td></tr>\n";
    const std::string note = a.flag_note.empty() ? "" : "<p class=\"muted\">" + esc(upper_first(a.flag_note)) + ".</p>";
    if (rows.empty())
        return "<p class=\"muted\">No item is flagged.</p>" + note;
    return "<table><thead><tr><th>item</th><th>text</th><th>p</th><th>r<sub>it</sub></th><th>b</th><th>why</th>"
           "</tr></thead><tbody>\n" + rows + "</tbody></table>" + note;
}

std::string items_table(const TestAnalysis &a)
{
    std::string out = "<div class=\"scroll\"><table><thead><tr><th>item</th><th>text</th><th>answers</th><th>p</th>"
                      "<th>r<sub>it</sub></th><th>b</th><th>SE</th><th>cells chosen</th><th>correct</th>"
                      "<th>median s right</th><th>median s wrong</th><th>previews</th><th>refused</th><th>flags</th>"
                      "</tr></thead><tbody>\n";
    for (const ItemRow &r : a.items) {
        out += r.flags.empty() ? "<tr>" : "<tr class=\"flagged\">";
        out += td(std::to_string(r.item) + (r.training ? " (training)" : ""), true) + td(r.text) +
               td(std::to_string(r.answers), true) + td(number_text(r.p, 2), true) + td(number_text(r.r_it, 2), true) +
               td(number_text(r.b, 2), true) + td(number_text(r.b_se, 2), true);
        out += "<td>" + (r.cell_answers ? distractor_grid(r) : std::string("-")) + "</td>";
        out += td(r.correct_cell ? std::to_string(r.correct_cell) : "-", true) +
               td(number_text(r.median_rt_right / 1000, 1), true) + td(number_text(r.median_rt_wrong / 1000, 1), true) +
               td(std::to_string(r.previews), true) + td(std::to_string(r.refusals), true) +
               "<td class=\"flag\">" + esc(joined(r.flags)) + "</td></tr>\n";
    }
    return out + "</tbody></table></div>";
}

std::string sessions_table(const TestAnalysis &a)
{
    std::string out = "<details><summary>Show the " + std::to_string(a.sessions.size()) +
                      " sessions</summary><div class=\"scroll\"><table><thead><tr><th>participant</th><th>started</th>"
                      "<th>build</th><th>answered</th><th>score</th><th>not reached</th><th>without training</th>"
                      "<th>ended</th>"
                      "<th>minutes</th><th>median s</th><th>fast</th><th>refused</th><th>ability</th><th>SE</th>"
                      "<th>source</th></tr></thead><tbody>\n";
    size_t shown = 0;
    for (const SessionRow &r : a.sessions) {
        if (shown++ == session_rows_max)
            break;
        const Session &s = *r.session;
        out += "<tr>" + td(s.participant) + td(s.started) + td(s.build) + td(std::to_string(s.responses.size()), true) +
               td(std::to_string(r.score), true) + td(std::to_string(s.not_reached()), true) +
               td(std::to_string(r.score_without_training), true) +
               td(s.ended_by) + td(s.total_ms >= 0 ? number_text(s.total_ms / 60000.0, 1) : "", true) +
               td(number_text(r.median_rt_ms / 1000, 1), true) + td(count_text(r.fast_answers), true) +
               td(count_text(r.refused_training), true) +
               td(number_text(r.ability, 2) + (r.partial && !std::isnan(r.ability) ? " *" : ""), true) +
               td(number_text(r.ability_se, 2), true) + td(s.source == "journal" ? "journal" : "result file") +
               "</tr>\n";
    }
    out += "</tbody></table></div><p class=\"muted\">* a session that did not answer every item: its ability rests "
           "on the items it answered (ability_items in sessions.csv) and has a wider standard error.</p>";
    if (a.sessions.size() > session_rows_max)
        out += "<p class=\"muted\">The first " + std::to_string(session_rows_max) + " sessions; all are in sessions.csv "
               "(meridoka-report csv).</p>";
    return out + "</details>";
}

std::string answers_table(const TestAnalysis &a)
{
    size_t rows = 0;
    for (const SessionRow &r : a.sessions)
        rows += r.session->responses.size();
    if (rows > answer_rows_max)
        return "<p class=\"muted\">" + std::to_string(rows) + " answers: too many for this page; every answer is in "
               "responses.csv (meridoka-report csv).</p>";
    std::string out = "<details><summary>Show the " + std::to_string(rows) +
                      " answers</summary><div class=\"scroll\"><table><thead><tr><th>participant</th><th>item</th>"
                      "<th>right</th><th>cell</th><th>correct</th><th>response s</th><th>first digit s</th>"
                      "<th>previews</th></tr></thead><tbody>\n";
    for (const SessionRow &row : a.sessions)
        for (const Response &r : row.session->responses)
            out += "<tr>" + td(row.session->participant) + td(std::to_string(r.item), true) +
                   td(r.right ? "+" : "-") + td(r.cell ? std::to_string(r.cell) : "", true) +
                   td(r.correct_cell ? std::to_string(r.correct_cell) : "", true) +
                   td(r.rt_ms >= 0 ? number_text(r.rt_ms / 1000.0, 2) : "", true) +
                   td(r.first_digit_ms >= 0 ? number_text(r.first_digit_ms / 1000.0, 2) : "", true) +
                   td(row.session->source == "journal" ? std::to_string(r.previews) : "", true) + "</tr>\n";
    return out + "</tbody></table></div></details>";
}

// Andersen's test between the two groups of an attribute, with its plot.
std::string by_attribute(const TestAnalysis &a, const std::string &id)
{
    const LikelihoodRatioTest &lr = a.andersen_by;
    std::string out = "<h4>By " + esc(a.by) + "</h4>";
    if (!lr.done && a.dif_groups.empty())
        return out;  // no two groups: the sentence below says why
    if (!lr.done)
        return out + "<p class=\"muted\">No likelihood-ratio test by " + esc(a.by) + ": " + esc(lr.problem) + ".</p>";
    const std::string g0 = a.group_names[0], g1 = a.group_names[1];
    out += "<div class=\"figures\">" + key_figure(number_text(lr.lr, 1), "Andersen's LR, df " + number_text(lr.df, 0)) +
           key_figure(lr.p < 0.001 ? "< 0.001" : number_text(lr.p, 3), "p (equal difficulties)") + "</div>";
    out += "<p>" +
           esc(lr.p < 0.05 ? "The difficulties differ between " + g0 + " and " + g1 +
                                 " more than chance explains (p < 0.05): the items do not measure the same way in "
                                 "both groups."
                           : "The difficulties of " + g0 + " and " + g1 + " agree within chance (p >= 0.05).") +
           " " + esc(g0) + ": " + std::to_string(lr.persons[0]) + " persons, " + esc(g1) + ": " +
           std::to_string(lr.persons[1]) + ".</p>";
    return out + figure(id + "-andersen-by", "Difficulties of " + g0 + " and " + g1, andersen_plot(a, lr, a.group_names),
                        "Each item's difficulty estimated among " + g0 + " (x) and " + g1 +
                            " (y), both centred; on the dashed line they agree. Red: |z| > 2.58.");
}

std::string model_section(const TestAnalysis &a, const std::string &id)
{
    std::string out = "<section id=\"" + id + "-model\"><h3>Model checks</h3>";
    if (!a.rasch.fitted)
        return out + "<p class=\"muted\">No model checks: the Rasch model is not fitted (" +
               esc(a.rasch.problem.empty() ? "no analysed items" : a.rasch.problem) + ").</p></section>\n";
    const LikelihoodRatioTest &lr = a.andersen;
    out += "<div class=\"figures\">";
    out += key_figure(number_text(a.fit.separation_reliability, 2),
                      "person separation reliability (" + std::to_string(a.fit.persons_used) + " persons)");
    if (lr.done) {
        out += key_figure(number_text(lr.lr, 1), "Andersen's LR, df " + number_text(lr.df, 0));
        out += key_figure(lr.p < 0.001 ? "< 0.001" : number_text(lr.p, 3), "p (equal difficulties)");
    }
    out += "</div>";
    if (lr.done)
        out += "<p>" +
               std::string(lr.p < 0.05 ? "The difficulties differ between low and high scorers more than chance "
                                         "explains (p < 0.05): the items do not measure the same way at both ends."
                                       : "The difficulties of low and high scorers agree within chance (p >= 0.05).") +
               " Low: score at or below the median (" + std::to_string(lr.persons[0]) + " persons), high: above (" +
               std::to_string(lr.persons[1]) + ").</p>";
    else
        out += "<p class=\"muted\">No likelihood-ratio test: " + esc(lr.problem) + ".</p>";
    out += figure(id + "-andersen", "Difficulties of low and high scorers",
                  andersen_plot(a, lr, {"low scorers", "high scorers"}),
                  "Each item's difficulty estimated among the low scorers (x) and the high scorers (y), both "
                  "centred; on the dashed line they agree. Red: |z| > 2.58.");
    out += figure(id + "-information", "Test information", information_plot(a),
                  "The information the analysed items give about an ability (solid, left axis) and the standard error "
                  "of an estimate there, 1/sqrt(information) (red, right axis).");
    if (!a.by.empty())
        out += by_attribute(a, id);
    if (!a.dif_groups.empty())
        out += "<p>Differential item functioning (Mantel-Haenszel, strata: raw score of complete sessions): " +
               esc(a.dif_groups) + ".</p>";
    else
        out += "<p class=\"muted\">" + esc(upper_first(a.dif_problem)) + ".</p>";
    out += "<div class=\"scroll\"><table><thead><tr><th>item</th><th>b</th><th>infit</th><th>t</th><th>outfit</th>"
           "<th>t</th><th>z low/high</th>" +
           std::string(a.by.empty() ? "" : "<th>z " + esc(a.by) + "</th>") +
           "<th>DIF delta</th><th>ETS</th></tr></thead><tbody>\n";
    for (const ItemRow &r : a.items) {
        if (r.training)
            continue;
        out += r.flags.empty() ? "<tr>" : "<tr class=\"flagged\">";
        const bool dif = r.dif.ets != EtsClass::none;
        out += td(std::to_string(r.item), true) + td(number_text(r.b, 2), true) + td(number_text(r.fit.infit, 2), true) +
               td(number_text(r.fit.infit_t, 1), true) + td(number_text(r.fit.outfit, 2), true) +
               td(number_text(r.fit.outfit_t, 1), true) + td(number_text(r.andersen_z, 1), true) +
               (a.by.empty() ? std::string() : td(number_text(r.andersen_by_z, 1), true)) + td(dif ? number_text(r.dif.delta, 2) : "", true) + td(ets_name(r.dif.ets)) + "</tr>\n";
    }
    out += "</tbody></table></div>";
    return out + "</section>\n";
}

std::string distractor_section(const TestAnalysis &a, const std::string &id)
{
    std::string out = "<section id=\"" + id + "-distractors\"><h3>Answer cells by score group</h3>";
    out += "<details><summary>Show the answer cells of every item by score group</summary><div class=\"scroll\">"
           "<table><thead><tr><th>item</th><th>group (scores)</th><th>answers</th>";
    for (int c = 1; c <= 9; c++)
        out += "<th>cell " + std::to_string(c) + "</th>";
    out += "</tr></thead><tbody>\n";
    for (const ItemRow &r : a.items) {
        if (r.training)
            continue;
        for (int g = 0; g < score_groups; g++) {
            const int n = r.group_answers[size_t(g)];
            out += "<tr>" + td(g == 0 ? std::to_string(r.item) : "", true) +
                   td(std::string(score_group_name(g)) + " (" + score_range(a, g) + ")") + td(std::to_string(n), true);
            for (int c = 0; c < 9; c++) {
                const bool present = r.cells >> c & 1;
                std::string v = present && n ? number_text(100.0 * r.group_chosen[size_t(g)][size_t(c)] / n, 0) + "%" : "";
                if (c + 1 == r.correct_cell && !v.empty())
                    v += " (key)";
                out += td(v, true);
            }
            out += "</tr>\n";
        }
    }
    out += "</tbody></table></div></details><p class=\"muted\">Complete sessions in thirds by their score on the "
           "analysed items. The share choosing the key should rise from the low to the high group; a distractor "
           "that draws more high than low scorers deserves a look.</p>";
    return out + "</section>\n";
}

std::string score_section(const TestAnalysis &a, const std::string &id)
{
    std::string out = "<section id=\"" + id + "-scores-abilities\"><h3>Raw score to ability</h3>";
    if (a.score_table.empty())
        return out + "<p class=\"muted\">No table: the Rasch model is not fitted.</p></section>\n";
    out += "<details><summary>Show the table for every score</summary><div class=\"scroll\"><table><thead><tr>"
           "<th>score</th><th>ability (Warm)</th><th>SE</th><th>ability (ML)</th><th>SE</th><th>sessions</th>"
           "</tr></thead><tbody>\n";
    for (const ScoreRow &r : a.score_table)
        out += "<tr>" + td(std::to_string(r.score), true) + td(number_text(r.warm.theta, 2), true) +
               td(number_text(r.warm.se, 2), true) + td(std::isnan(r.mle.theta) ? "infinite" : number_text(r.mle.theta, 2), true) +
               td(number_text(r.mle.se, 2), true) + td(std::to_string(r.sessions), true) + "</tr>\n";
    out += "</tbody></table></div></details><p class=\"muted\">For a session that answered every item with a "
           "difficulty. The maximum likelihood estimate is infinite at 0 and all right; Warm's is finite.</p>";
    return out + "</section>\n";
}

std::string test_section(const TestAnalysis &a, const PageInfo &info)
{
    const TestData &d = *a.test;
    const std::string id = "test-" + d.archive_crc32;
    std::string out = "<section class=\"test\" id=\"" + id + "\"><h2>Test " + d.archive_crc32 + "</h2>";
    out += "<p class=\"lead\">Archive CRC-32 " + d.archive_crc32 +
           (d.archive_bytes >= 0 ? ", " + std::to_string(d.archive_bytes) + " bytes" : std::string()) + ", " +
           std::to_string(d.items) + " items; item texts and answer cells from " +
           (d.from_archive ? "the archive itself." : "the journals (add MERIDOKA.WDL for the full item table).") +
           "</p>";
    out += figures(a);
    out += figure(id + "-scores", "Score distribution", score_histogram(a),
                  "Complete sessions by their number of right answers on the items after the training items.");
    out += figure(id + "-difficulty", "Item difficulty by position", difficulty_plot(a),
                  "Top: share of right answers per item; dashed lines at 0.05 and 0.95. Bottom: Rasch difficulty "
                  "(conditional maximum likelihood, logits, mean 0) with its 95% interval.");
    out += figure(id + "-wright", "Item-person map", wright_map(a),
                  "Left: complete sessions by ability (Warm's weighted likelihood estimate); right: items by Rasch "
                  "difficulty, on the same logit scale. An item sits where a person has even odds of solving it.");
    out += figure(id + "-times", "Response times per item", response_time_plot(a, info.fast_ms),
                  "From the item being shown to the confirming Enter, journals only.");
    out += "<section id=\"" + id + "-flags\"><h3>Flagged items</h3>" + flagged_table(a) + "</section>\n";
    out += model_section(a, id);
    out += distractor_section(a, id);
    out += score_section(a, id);
    out += "<section id=\"" + id + "-items\"><h3>Items</h3>" + items_table(a) +
           "<p class=\"muted\">Cells chosen: the 3x3 answer grid, darker = chosen more often, the correct cell "
           "outlined green, a wrong answer no one chose outlined red, dashed = no answer there.</p></section>\n";
    out += "<section id=\"" + id + "-sessions\"><h3>Sessions</h3>" + sessions_table(a) + "</section>\n";
    out += "<section id=\"" + id + "-answers\"><h3>Answers</h3>" + answers_table(a) + "</section>\n";
    return out + "</section>\n";
}

const char methods[] = R"html(
<section id="methods"><h2>How the figures are computed</h2><dl class="methods">
<dt>Training items</dt><dd>Items 1 to 3 refuse wrong answers, so a confirmed answer there is always right: they are
left out of every item statistic and of the score "without training".</dd>
<dt>p (difficulty)</dt><dd>Share of right answers among the sessions that answered the item.</dd>
<dt>r<sub>it</sub></dt><dd>Corrected item-total correlation: the Pearson (point-biserial) correlation of the item
with the score on the other analysed items, over complete sessions.</dd>
<dt>KR-20</dt><dd>k/(k-1) (1 - &Sigma; p q / &sigma;&sup2;) over the analysed items of complete sessions, &sigma;&sup2;
the variance of their scores.</dd>
<dt>Rasch b</dt><dd>Item difficulty of the one-parameter logistic model by conditional maximum likelihood (persons
with a score of 0 or all right carry no information and are left out; items everyone got right or wrong have no
estimate). Standard errors from the inverse information matrix. Difficulties have mean 0.</dd>
<dt>Ability</dt><dd>Warm's weighted likelihood estimate from the items a session answered, finite for all-right
and all-wrong sessions, with its standard error.</dd>
<dt>Fit</dt><dd>Residuals z = (x - P) / sqrt(P(1-P)) at the persons' maximum likelihood abilities (persons with
a score of 0 or all right are left out): outfit = mean of z&sup2;, infit = &Sigma;(x-P)&sup2; / &Sigma;P(1-P); both are 1
when the model holds. t: the Wilson-Hilferty transform of a mean square to a standard normal.</dd>
<dt>Person separation reliability</dt><dd>(variance of the abilities - mean squared standard error) / variance of
the abilities.</dd>
<dt>Andersen's test</dt><dd>2 (log L<sub>low</sub> + log L<sub>high</sub> - log L), conditional likelihoods of
separate fits to the persons at or below and above the median raw score; chi-square with (items - 1) degrees of
freedom. z per item: (b<sub>high</sub> - b<sub>low</sub>) / sqrt(SE<sub>low</sub>&sup2; + SE<sub>high</sub>&sup2;).</dd>
<dt>DIF</dt><dd>Mantel-Haenszel common odds ratio over raw-score strata, delta = -2.35 ln(odds ratio); class A:
|delta| &lt; 1 or not significant (p &ge; 0.05), C: |delta| &ge; 1.5 and significant, B: between.</dd>
<dt>Flags</dt><dd>Only with 30 or more answers to the item. Negative r<sub>it</sub>; p above 0.95 or below 0.05; a
present answer cell other than the correct one that no session chose; infit or outfit above 1.3 with t above 2
(misfit) or below 0.7 with t below -2 (overfit); |z| above 2.58 between low and high scorers; DIF class C.</dd>
</dl><p class="muted">Every formula is written out in tools/report/README.md.</p></section>
)html";

}  // namespace

std::string html_page(const std::vector<TestAnalysis> &tests, const PageInfo &info)
{
    size_t sessions = 0;
    for (const TestAnalysis &a : tests)
        sessions += a.sessions.size();
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                      "<title>MERIDOKA results</title><style>" + std::string(style) + "</style></head><body>\n";
    out += "<header id=\"overview\"><h1>MERIDOKA results</h1><p class=\"lead\">" + std::to_string(sessions) +
           " sessions of " + std::to_string(tests.size()) + (tests.size() == 1 ? " test" : " tests") + " from " +
           esc(info.store) + ", made " + esc(info.generated) +
           ". Sessions of different archives are analysed apart.</p><nav><ul>";
    for (const TestAnalysis &a : tests)
        out += "<li><a href=\"#test-" + a.test->archive_crc32 + "\">Test " + a.test->archive_crc32 + " (" +
               std::to_string(a.sessions.size()) + " sessions)</a></li>";
    out += "<li><a href=\"#methods\">How the figures are computed</a></li></ul></nav></header>\n";
    if (tests.empty())
        out += "<p class=\"muted\">The store holds no sessions yet.</p>";
    for (const TestAnalysis &a : tests)
        out += test_section(a, info);
    out += methods;
    return out + "</body></html>\n";
}

}  // namespace report
