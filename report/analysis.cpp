#include "report/analysis.h"

#include "report/calibration.h"
#include "report/norm_group.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace report {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

void describe_items(const TestData &test, TestAnalysis &a)
{
    a.items.resize(size_t(test.items));
    for (int i = 0; i < test.items; i++) {
        ItemRow &row = a.items[size_t(i)];
        const ItemSeen &info = test.item_info[size_t(i)];
        row.item = i + 1;
        row.text = info.text;
        row.training = row.item <= training_items;
        row.correct_cell = info.correct_cell;
        row.cells = info.cells;
        row.p = row.r_it = row.b = row.b_se = row.andersen_z = row.andersen_by_z = nan;
        row.fit.outfit = row.fit.outfit_t = row.fit.infit = row.fit.infit_t = nan;
    }
    std::vector<std::vector<double>> right_rt(size_t(test.items)), wrong_rt(size_t(test.items));
    for (const Session &s : test.sessions)
        for (const Response &r : s.responses) {
            if (r.item < 1 || r.item > test.items)
                continue;
            ItemRow &row = a.items[size_t(r.item - 1)];
            row.answers++;
            row.right += r.right;
            row.previews += r.previews;
            row.refusals += r.refusals;
            if (r.cell > 0) {
                row.cell_answers++;
                row.chosen[size_t(r.cell - 1)]++;
                row.cells |= uint16_t(1u << (r.cell - 1));
            }
            if (!row.correct_cell && r.correct_cell > 0)
                row.correct_cell = r.correct_cell;
            if (r.rt_ms >= 0) {
                row.rt_ms.push_back(double(r.rt_ms));
                (r.right ? right_rt : wrong_rt)[size_t(r.item - 1)].push_back(double(r.rt_ms));
            }
        }
    for (ItemRow &row : a.items) {
        if (row.answers)
            row.p = double(row.right) / row.answers;
        row.median_rt = median(row.rt_ms);
        row.median_rt_right = median(right_rt[size_t(row.item - 1)]);
        row.median_rt_wrong = median(wrong_rt[size_t(row.item - 1)]);
    }
}

void score_sessions(const TestData &test, const AnalysisOptions &options, TestAnalysis &a)
{
    for (const Session &s : test.sessions) {
        SessionRow row;
        row.session = &s;
        std::vector<double> rts;
        bool timed = s.source == "journal";
        if (timed) {
            row.fast_answers = 0;
            row.refused_training = 0;
        }
        for (const Response &r : s.responses) {
            row.score += r.right;
            row.score_without_training += r.right && r.item > training_items;
            if (r.rt_ms >= 0) {
                rts.push_back(double(r.rt_ms));
                row.fast_answers += r.rt_ms < options.fast_ms;
            }
            if (timed && r.item <= training_items)
                row.refused_training += r.refusals;
        }
        row.median_rt_ms = median(rts);
        row.ability = row.ability_se = nan;
        row.partial = int(s.responses.size()) != test.items;
        row.fit.outfit = row.fit.outfit_t = row.fit.infit = row.fit.infit_t = nan;
        a.complete_sessions += !row.partial;
        a.sessions.push_back(row);
    }
}

// The distractor analysis' score groups: thirds of the complete sessions'
// scores on the analysed items, and each group's answer cells per item.
void group_by_score(const TestData &test, const ResponseMatrix &m, const std::vector<std::vector<uint8_t>> &complete,
                    TestAnalysis &a)
{
    std::vector<double> scores;
    for (const auto &row : complete) {
        int r = 0;
        for (uint8_t x : row)
            r += x;
        scores.push_back(r);
    }
    a.group_bounds = {0, 0, 0, a.analysed_items + 1};
    if (scores.empty())
        return;
    for (int g = 1; g < score_groups; g++)
        a.group_bounds[size_t(g)] = int(std::ceil(quantile(scores, double(g) / score_groups)));
    for (size_t v = 0; v < test.sessions.size(); v++) {
        const Session &s = test.sessions[v];
        if (int(s.responses.size()) != test.items)
            continue;
        int r = 0;
        for (int i = 0; i < a.analysed_items; i++)
            r += m.at(int(v), i);
        int g = 0;
        while (g + 1 < score_groups && r >= a.group_bounds[size_t(g + 1)])
            g++;
        for (const Response &resp : s.responses)
            if (resp.item > training_items && resp.item <= test.items && resp.cell > 0) {
                ItemRow &row = a.items[size_t(resp.item - 1)];
                row.group_answers[size_t(g)]++;
                row.group_chosen[size_t(g)][size_t(resp.cell - 1)]++;
            }
    }
}

// The two groups DIF compares: the participants' two values of the
// attribute asked for; else the builds of the runner, when the sessions
// come from exactly two (a check of the mode of administration).
void split_groups(const TestData &test, const AnalysisOptions &options, TestAnalysis &a)
{
    std::vector<std::string> label;  // per session ("": in neither group)
    if (!options.by.empty()) {
        a.by = options.by;
        for (const Session &s : test.sessions) {
            const std::map<std::string, std::string> v =
                options.attributes ? judged_values(*options.attributes, s) : std::map<std::string, std::string>();
            const auto found = v.find(options.by);
            label.push_back(found == v.end() ? std::string() : found->second);
        }
    } else {
        for (const Session &s : test.sessions)
            label.push_back(s.build);
    }
    std::vector<std::string> values;
    int without = 0;
    for (const std::string &l : label) {
        without += l.empty();
        if (!l.empty() && std::find(values.begin(), values.end(), l) == values.end())
            values.push_back(l);
    }
    std::sort(values.begin(), values.end());
    const std::string what = options.by.empty() ? "build" : options.by;
    if (values.size() != 2) {
        std::string listed;
        for (size_t i = 0; i < values.size() && i < 6; i++)
            listed += (i ? ", " : "") + values[i];
        if (values.size() > 6)
            listed += "...";
        if (options.by.empty())
            a.dif_problem = "differential item functioning needs two groups of persons; the sessions come from " +
                            std::to_string(values.size()) + (values.size() == 1 ? " build" : " builds") +
                            " of the runner and no attribute to compare by was given (--by)";
        else
            a.dif_problem = "comparing by " + what + " needs exactly two values of it; the sessions' participants " +
                            "have " + std::to_string(values.size()) + (values.size() == 1 ? " value" : " values") +
                            (values.empty() ? "" : " (" + listed + ")") +
                            ": import a column with two values to compare by";
        return;
    }
    const std::string is = options.by.empty() ? " " : " = ";
    a.group_names = {what + is + values[0], what + is + values[1]};
    a.dif_groups = a.group_names[0] + " against " + a.group_names[1];
    if (without > 0)
        a.dif_groups += " (" + std::to_string(without) + (without == 1 ? " session" : " sessions") +
                        " without a value left out)";
    for (const std::string &l : label)
        a.group_of.push_back(l.empty() ? -1 : l == values[0] ? 0 : 1);
}

// Fit, the model tests (low against high scorers, the attribute's groups), DIF, the score table.
void check_model(const ResponseMatrix &m, TestAnalysis &a)
{
    const int first = training_items;
    a.fit = model_fit(m, a.rasch.b);
    for (int i = 0; i < a.analysed_items; i++)
        a.items[size_t(first + i)].fit = a.fit.items[size_t(i)];
    for (size_t v = 0; v < a.sessions.size(); v++)
        a.sessions[v].fit = a.fit.persons[v];
    a.andersen = andersen_test(m, median_split(m));
    for (int i = 0; i < a.analysed_items; i++)
        a.items[size_t(first + i)].andersen_z = a.andersen.done ? a.andersen.z[size_t(i)] : nan;
    if (!a.group_of.empty()) {
        const std::vector<DifResult> dif = mantel_haenszel(m, a.group_of);
        for (int i = 0; i < a.analysed_items; i++)
            a.items[size_t(first + i)].dif = dif[size_t(i)];
    }
    if (!a.by.empty()) {
        if (!a.group_of.empty())
            a.andersen_by =
                andersen_test(m, a.group_of, {"the group " + a.group_names[0], "the group " + a.group_names[1]});
        else
            a.andersen_by.problem = a.dif_problem;
        for (int i = 0; i < a.analysed_items; i++)
            a.items[size_t(first + i)].andersen_by_z = a.andersen_by.done ? a.andersen_by.z[size_t(i)] : nan;
    }
    std::vector<double> b;
    for (double d : a.rasch.b)
        if (!std::isnan(d))
            b.push_back(d);
    std::vector<int> sessions(b.size() + 1, 0);
    for (size_t v = 0; v < a.sessions.size(); v++)
        if (!a.sessions[v].partial && a.sessions[v].ability_items == int(b.size())) {
            int r = 0;
            for (int i = 0; i < a.analysed_items; i++)
                r += !std::isnan(a.rasch.b[size_t(i)]) && m.at(int(v), i) == 1;
            sessions[size_t(r)]++;
        }
    for (int r = 0; r <= int(b.size()); r++)
        a.score_table.push_back(ScoreRow{r, warm_ability(b, r), mle_ability(b, r), sessions[size_t(r)]});
}

// Classical statistics over complete sessions, the Rasch model over every
// answer; both on the items after the training items.
void analyse_items(const TestData &test, const AnalysisOptions &options, TestAnalysis &a)
{
    const int first = training_items;
    a.analysed_items = std::max(0, test.items - first);
    a.classical.kr20 = nan;
    if (a.analysed_items == 0) {
        a.rasch.problem = "the test has no items after the training items";
        return;
    }
    std::vector<std::vector<uint8_t>> complete;
    ResponseMatrix m(int(test.sessions.size()), a.analysed_items);
    for (size_t v = 0; v < test.sessions.size(); v++) {
        const Session &s = test.sessions[v];
        for (const Response &r : s.responses)
            if (r.item > first && r.item <= test.items)
                m.at(int(v), r.item - first - 1) = int8_t(r.right);
        if (int(s.responses.size()) == test.items) {
            std::vector<uint8_t> row(size_t(a.analysed_items));
            for (int i = 0; i < a.analysed_items; i++)
                row[size_t(i)] = uint8_t(m.at(int(v), i));
            complete.push_back(std::move(row));
        }
    }
    a.classical = classical_statistics(complete);
    if (const Calibration *c = options.calibration) {
        a.rasch.fitted = c->fitted;
        a.rasch.problem = c->problem;
        a.rasch.b = c->b;
        a.rasch.se.assign(c->b.size(), nan);
        for (ItemRow &row : a.items)
            row.median_rt = c->median_rt[size_t(row.item - 1)];
    } else {
        a.rasch = fit_rasch_cml(m);
    }
    if (test.sessions.empty())
        a.rasch.problem = "no sessions yet";
    if (!options.only)
        group_by_score(test, m, complete, a);
    for (int i = 0; i < a.analysed_items; i++) {
        ItemRow &row = a.items[size_t(first + i)];
        if (!complete.empty())
            row.r_it = a.classical.r_it[size_t(i)];
        row.b = a.rasch.b[size_t(i)];
        row.b_se = a.rasch.se[size_t(i)];
    }
    if (!a.rasch.fitted)
        return;
    // abilities: one estimate per set of estimable items answered and score
    std::map<std::pair<std::vector<int>, int>, Ability> done;
    std::vector<int> answered;
    std::vector<double> b;
    for (size_t v = 0; v < test.sessions.size(); v++) {
        if (options.only && &test.sessions[v] != options.only)
            continue;
        answered.clear();
        int score = 0;
        for (int i = 0; i < a.analysed_items; i++)
            if (m.at(int(v), i) >= 0 && !std::isnan(a.rasch.b[size_t(i)])) {
                answered.push_back(i);
                score += m.at(int(v), i);
            }
        if (answered.empty())
            continue;
        auto [it, fresh] = done.try_emplace({answered, score}, Ability{nan, nan});
        if (fresh) {
            b.clear();
            for (int i : answered)
                b.push_back(a.rasch.b[size_t(i)]);
            it->second = warm_ability(b, score);
        }
        a.sessions[v].ability = it->second.theta;
        a.sessions[v].ability_se = it->second.se;
        a.sessions[v].ability_items = int(answered.size());
    }
    if (!options.only) {
        check_model(m, a);
        return;
    }
    // the one session's person fit, at its ML ability
    size_t v = 0;
    while (v < test.sessions.size() && &test.sessions[v] != options.only)
        v++;
    if (v == test.sessions.size())
        return;  // not one of this test's sessions: the calibration alone was wanted
    ResponseMatrix one(1, a.analysed_items);
    for (int i = 0; i < a.analysed_items; i++)
        one.at(0, i) = m.at(int(v), i);
    a.sessions[v].fit = model_fit(one, a.rasch.b).persons[0];
}

std::string fixed(double x, int decimals)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    return buf;
}

void flag_items(TestAnalysis &a)
{
    int fewest = -1;
    for (ItemRow &row : a.items) {
        if (row.training)
            continue;
        if (row.answers < flag_minimum_answers) {
            fewest = fewest < 0 ? row.answers : std::min(fewest, row.answers);
            continue;
        }
        if (row.r_it < 0)
            row.flags.push_back(std::string(flag_negative) + " (r_it " + fixed(row.r_it, 2) +
                                "): those who got it right scored lower on the rest");
        if (row.p > 0.95)
            row.flags.push_back(flag_easy);
        if (row.p < 0.05)
            row.flags.push_back(flag_hard);
        if (row.cell_answers > 0) {
            std::string unchosen;
            for (int c = 0; c < 9; c++)
                if ((row.cells >> c & 1) && c + 1 != row.correct_cell && row.chosen[size_t(c)] == 0)
                    unchosen += (unchosen.empty() ? "" : ", ") + std::to_string(c + 1);
            if (!unchosen.empty())
                row.flags.push_back(std::string(flag_unchosen) + " (cell " + unchosen + ")");
        }
        // fit: a mean square beyond 0.7..1.3 that is also unlikely by chance (|t| > 2)
        const FitStatistic &f = row.fit;
        if (f.n > 0) {
            const bool under = (f.infit > 1.3 && f.infit_t > 2) || (f.outfit > 1.3 && f.outfit_t > 2);
            const bool over = (f.infit < 0.7 && f.infit_t < -2) || (f.outfit < 0.7 && f.outfit_t < -2);
            const std::string figures =
                " (infit " + fixed(f.infit, 2) + ", t " + fixed(f.infit_t, 1) + "; outfit " + fixed(f.outfit, 2) +
                ", t " + fixed(f.outfit_t, 1) + ")";
            if (under)
                row.flags.push_back(flag_underfit + figures);
            else if (over)
                row.flags.push_back(flag_overfit + figures);
        }
        if (std::fabs(row.andersen_z) > 2.58)
            row.flags.push_back(std::string(flag_andersen) + " (z " + fixed(row.andersen_z, 1) + ": " +
                                (row.andersen_z > 0 ? "harder" : "easier") + " for the high scorers)");
        if (std::fabs(row.andersen_by_z) > 2.58)
            row.flags.push_back(std::string(flag_andersen_by) + " (" + a.group_names[0] + " and " +
                                a.group_names[1] + ", z " + fixed(row.andersen_by_z, 1) + ": harder for " +
                                a.group_names[row.andersen_by_z > 0 ? 1 : 0] + ")");
        if (row.dif.ets == EtsClass::c)
            row.flags.push_back(std::string(flag_dif) + " (delta " + fixed(row.dif.delta, 2) + ": " +
                                a.group_names[row.dif.delta < 0 ? 0 : 1] +
                                " solved it more often than " + a.group_names[row.dif.delta < 0 ? 1 : 0] +
                                " of the same raw score)");
    }
    if (fewest >= 0)
        a.flag_note = "items are flagged once " + std::to_string(flag_minimum_answers) +
                      " sessions have answered them; some have " + std::to_string(fewest) +
                      " so far, and those are not flagged";
}

}  // namespace

TestAnalysis analyse_test(const TestData &test, const AnalysisOptions &options)
{
    TestAnalysis a;
    a.test = &test;
    describe_items(test, a);
    score_sessions(test, options, a);
    if (!options.only)
        split_groups(test, options, a);
    analyse_items(test, options, a);
    if (!options.only)
        flag_items(a);
    return a;
}

}  // namespace report
