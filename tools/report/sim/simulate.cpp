#include "tools/report/sim/simulate.h"

#include "archive/testinfo.h"

#include "report/fields.h"
#include "report/session.h"

#include <algorithm>
#include <cmath>

namespace report::sim {

uint64_t Random::next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Random::uniform()
{
    return double(next() >> 11) * (1.0 / 9007199254740992.0);
}

double Random::normal()
{
    const double u = 1 - uniform(), v = uniform();
    return std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v);
}

int Random::below(int n)
{
    return int(next() % uint64_t(n));
}

int digit_of_cell(uint16_t cells, int cell)
{
    return option_digit(cells, cell - 1);
}

int cell_of_digit(uint16_t cells, int digit)
{
    return option_cell(cells, digit) + 1;
}

namespace {

std::vector<int> present(uint16_t cells)
{
    std::vector<int> out;
    for (int c = 1; c <= 9; c++)
        if (cells >> (c - 1) & 1)
            out.push_back(c);
    return out;
}

void pick_distractors(SimItem &it, Random &rng)
{
    std::vector<int> wrong;
    for (int c : present(it.cells))
        if (c != it.correct_cell)
            wrong.push_back(c);
    if (wrong.empty())
        return;
    it.attractive_cell = wrong[size_t(rng.below(int(wrong.size())))];
    if (wrong.size() > 2 && rng.uniform() < 0.25)
        do
            it.dead_cell = wrong[size_t(rng.below(int(wrong.size())))];
        while (it.dead_cell == it.attractive_cell);
}

}  // namespace

SimTest make_test(int items, uint64_t seed)
{
    Random rng(seed);
    SimTest t;
    t.archive_crc32 = hex32(uint32_t(rng.next()));
    t.archive_bytes = 30000 + rng.below(50000);
    for (int i = 1; i <= items; i++) {
        SimItem it;
        it.text = "Item " + std::to_string(i) + (i <= training_items ? " (training)" : "");
        do
            it.cells = uint16_t(rng.next() & 0x1FF);
        while (present(it.cells).size() < 4 && it.cells != 0x1FF);
        if (rng.uniform() < 0.5)
            it.cells = 0x1FF;
        const std::vector<int> cells = present(it.cells);
        it.correct_cell = cells[size_t(rng.below(int(cells.size())))];
        // training items easy; then rising from -2.5 to 2.5 with some noise
        const int scored = std::max(1, items - training_items);
        it.b = i <= training_items ? -3.0
                                   : -2.5 + 5.0 * (i - training_items - 1) / std::max(1, scored - 1) + 0.3 * rng.normal();
        pick_distractors(it, rng);
        t.items.push_back(it);
    }
    return t;
}

SimTest test_from_definition(const TestDefinition &def, uint64_t seed)
{
    Random rng(seed);
    SimTest t;
    t.archive_crc32 = def.archive_crc32;
    t.archive_bytes = def.archive_bytes;
    const int n = int(def.items.size());
    for (const ItemSeen &seen : def.items) {
        SimItem it;
        it.text = seen.text;
        it.cells = seen.cells;
        it.correct_cell = seen.correct_cell;
        it.b = seen.item <= training_items ? -3.0 : -2.0 + 4.0 * (seen.item - 4) / std::max(1, n - 4) + 0.3 * rng.normal();
        pick_distractors(it, rng);
        t.items.push_back(it);
    }
    return t;
}

std::string write_journal(const SimTest &test, SessionPlan plan)
{
    plan.start.archive_crc32 = test.archive_crc32;
    plan.start.archive_bytes = test.archive_bytes;
    plan.start.items = int(test.items.size());
    JournalWriter w(plan.start);
    int64_t now = 0;
    int right = 0, wrong = 0;
    auto stop_here = [&](int next_item) {
        // the program stops while writing a row: the first rows of the next item, the last one cut
        w.item_shown(now + 250, next_item, test.items[size_t(next_item - 1)].text);
        if (plan.cut_row_keep) {
            w.previewed(now + 900, next_item, 1, cell_of_digit(test.items[size_t(next_item - 1)].cells, 1));
            return w.cut_last_row(plan.cut_row_keep);
        }
        return size_t(0);
    };
    for (size_t k = 0; k < plan.steps.size(); k++) {
        const int item = int(k) + 1;
        if (plan.resume_after == int(k) && k < test.items.size()) {
            const size_t left = stop_here(item);
            w.cut(left);  // the resuming run drops the cut row
            const int64_t last = left ? now + 250 : now + 250;
            w.pause_wall_clock(3600);
            w.interrupted(last, left ? "dropped a cut last row of " + std::to_string(left) + " bytes" : "");
            w.resumed(last, item, "");
            now = last;
        }
        const SimItem &it = test.items[size_t(k)];
        const Step &st = plan.steps[k];
        const int64_t shown = now + 250;
        w.item_shown(shown, item, it.text);
        struct Action {
            int digit;
            char kind;  // 'w' withdrawn, 'r' refused, 'c' confirmed
        };
        std::vector<Action> actions;
        for (int d : st.withdrawn)
            actions.push_back({d, 'w'});
        for (int d : st.refused)
            actions.push_back({d, 'r'});
        actions.push_back({st.digit, 'c'});
        const int64_t rows = int64_t(actions.size()) * 2;
        auto at = [&](int64_t row) { return shown + st.first_ms + (st.rt_ms - st.first_ms) * row / std::max<int64_t>(1, rows - 1); };
        int64_t row = 0;
        for (const Action &a : actions) {
            const int cell = cell_of_digit(it.cells, a.digit);
            w.previewed(at(row++), item, a.digit, cell);
            const int64_t t = at(row++);
            if (a.kind == 'w') {
                w.withdrawn(t, item, a.digit, cell, 57);
            } else if (a.kind == 'r') {
                w.refused(t, item, a.digit, cell, it.correct_cell, t - shown, st.first_ms);
            } else {
                const bool ok = cell == it.correct_cell;
                w.confirmed(t, item, a.digit, cell, it.correct_cell, ok, t - shown, st.first_ms);
                (ok ? right : wrong)++;
            }
        }
        now = shown + st.rt_ms;
    }
    const int answered = int(plan.steps.size());
    if (plan.ended_by.empty()) {
        if (answered < int(test.items.size()))
            stop_here(answered + 1);
    } else {
        w.ended(now + 100, plan.ended_by, right, wrong, answered);
    }
    return w.text();
}

SessionPlan plan_session(const SimTest &test, const Population &pop, Random &rng, int number)
{
    SessionPlan plan;
    char id[8];
    std::snprintf(id, sizeof id, "P%05d", number % 100000);
    plan.start.participant = id;
    plan.start.session_id = hex64(rng.next());
    plan.start.wall_start = 1796724902 + int64_t(number) * 1800;
    const double theta = pop.mean + pop.sd * rng.normal();
    const bool guesser = rng.uniform() < pop.guesser_share;
    const int n = int(test.items.size());
    int answered = n;
    const double end = rng.uniform();
    auto somewhere = [&] { return training_items + 1 + rng.below(std::max(1, n - training_items - 1)); };
    if (end < pop.esc_share) {
        plan.ended_by = "esc";
        answered = somewhere();
    } else if (end < pop.esc_share + pop.closed_share) {
        plan.ended_by = "closed";
        answered = somewhere();
    } else if (end < pop.esc_share + pop.closed_share + pop.stopped_share) {
        plan.ended_by = "";
        answered = somewhere();
        plan.cut_row_keep = 20 + size_t(rng.below(60));
    } else if (end < pop.esc_share + pop.closed_share + pop.stopped_share + pop.resumed_share) {
        plan.resume_after = somewhere();
        plan.cut_row_keep = 20 + size_t(rng.below(60));
    }
    answered = std::min(answered, n);
    for (int k = 0; k < answered; k++) {
        const SimItem &it = test.items[size_t(k)];
        const std::vector<int> cells = present(it.cells);
        Step st;
        const double p = guesser ? 1.0 / double(cells.size()) : 1 / (1 + std::exp(it.b - theta));
        auto wrong_cell = [&] {
            std::vector<double> weight;
            double total = 0;
            for (int c : cells) {
                const double wgt = c == it.correct_cell || c == it.dead_cell ? 0 : c == it.attractive_cell ? 3 : 1;
                weight.push_back(wgt);
                total += wgt;
            }
            double u = rng.uniform() * total;
            for (size_t i = 0; i < cells.size(); i++)
                if ((u -= weight[i]) < 0 && weight[i] > 0)
                    return cells[i];
            return it.correct_cell == cells[0] && cells.size() > 1 ? cells[1] : cells[0];
        };
        bool right = rng.uniform() < p;
        if (k < training_items) {
            if (!right && cells.size() > 1)
                st.refused.push_back(digit_of_cell(it.cells, wrong_cell()));
            right = true;
        }
        st.digit = digit_of_cell(it.cells, right || cells.size() < 2 ? it.correct_cell : wrong_cell());
        if (rng.uniform() < pop.preview_share)
            st.withdrawn.push_back(1 + rng.below(int(cells.size())));
        const double median_ms = guesser ? 600 : 5000 * std::exp(0.35 * (it.b - theta));
        st.rt_ms = std::max<int64_t>(150, int64_t(median_ms * std::exp(0.45 * rng.normal())));
        st.first_ms = std::max<int64_t>(100, int64_t(double(st.rt_ms) * (0.3 + 0.6 * rng.uniform())));
        st.rt_ms = std::max(st.rt_ms, st.first_ms + 50 * int64_t(st.withdrawn.size() + st.refused.size() + 1));
        plan.steps.push_back(st);
    }
    return plan;
}

}  // namespace report::sim
