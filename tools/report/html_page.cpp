#include "tools/report/html_page.h"

#include "tools/report/output.h"
#include "tools/report/plots.h"
#include "tools/report/svg.h"
#include "tools/report/tables.h"

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

std::string flagged_table(const TestAnalysis &a)
{
    std::string rows;
    for (const ItemRow &r : a.items)
        if (!r.flags.empty())
            rows += "<tr>" + td(std::to_string(r.item), true) + td(r.text) + td(number_text(r.p, 2), true) +
                    td(number_text(r.r_it, 2), true) + td(number_text(r.b, 2), true) + "<td class=\"flag\">" +
                    esc(joined(r.flags)) + "</td></tr>\n";
    if (rows.empty())
        return "<p class=\"muted\">No item is flagged.</p>";
    return "<table><thead><tr><th>item</th><th>text</th><th>p</th><th>r<sub>it</sub></th><th>b</th><th>why</th>"
           "</tr></thead><tbody>\n" + rows + "</tbody></table>";
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
                      "<th>build</th><th>answered</th><th>score</th><th>without training</th><th>ended</th>"
                      "<th>minutes</th><th>median s</th><th>fast</th><th>refused</th><th>ability</th><th>SE</th>"
                      "<th>source</th></tr></thead><tbody>\n";
    size_t shown = 0;
    for (const SessionRow &r : a.sessions) {
        if (shown++ == session_rows_max)
            break;
        const Session &s = *r.session;
        out += "<tr>" + td(s.participant) + td(s.started) + td(s.build) + td(std::to_string(s.responses.size()), true) +
               td(std::to_string(r.score), true) + td(std::to_string(r.score_without_training), true) +
               td(s.ended_by) + td(s.total_ms >= 0 ? number_text(s.total_ms / 60000.0, 1) : "", true) +
               td(number_text(r.median_rt_ms / 1000, 1), true) + td(count_text(r.fast_answers), true) +
               td(count_text(r.refused_training), true) + td(number_text(r.ability, 2), true) +
               td(number_text(r.ability_se, 2), true) + td(s.source == "journal" ? "journal" : "result file") +
               "</tr>\n";
    }
    out += "</tbody></table></div>";
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
                  "Left: sessions by ability (Warm's weighted likelihood estimate); right: items by Rasch "
                  "difficulty, on the same logit scale. An item sits where a person has even odds of solving it.");
    out += figure(id + "-times", "Response times per item", response_time_plot(a, info.fast_ms),
                  "From the item being shown to the confirming Enter, journals only.");
    out += "<section id=\"" + id + "-flags\"><h3>Flagged items</h3>" + flagged_table(a) + "</section>\n";
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
<dt>Flags</dt><dd>Negative r<sub>it</sub>; p above 0.95 or below 0.05; a present answer cell other than the correct
one that no session chose.</dd>
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
