#include "tools/report/analysis.h"

#include <cmath>
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
        row.p = row.r_it = row.b = row.b_se = nan;
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
        a.complete_sessions += int(s.responses.size()) == test.items;
        a.sessions.push_back(row);
    }
}

// Classical statistics over complete sessions, the Rasch model over every
// answer; both on the items after the training items.
void analyse_items(const TestData &test, TestAnalysis &a)
{
    const int first = training_items;
    a.analysed_items = std::max(0, test.items - first);
    if (a.analysed_items == 0)
        return;
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
    a.rasch = fit_rasch_cml(m);
    if (test.sessions.empty())
        a.rasch.problem = "no sessions yet";
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
    }
}

void flag_items(TestAnalysis &a)
{
    for (ItemRow &row : a.items) {
        if (row.training || row.answers == 0)
            continue;
        if (row.r_it < 0)
            row.flags.push_back(flag_negative);
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
    }
}

}  // namespace

TestAnalysis analyse_test(const TestData &test, const AnalysisOptions &options)
{
    TestAnalysis a;
    a.test = &test;
    describe_items(test, a);
    score_sessions(test, options, a);
    analyse_items(test, a);
    flag_items(a);
    return a;
}

}  // namespace report
