// Scores and item analysis of one test's sessions: what the CSV tables and
// the page show. Every formula is in README.md.
#pragma once

#include "tools/report/classical.h"
#include "tools/report/rasch.h"
#include "tools/report/session.h"

#include <array>
#include <string>
#include <vector>

namespace report {

struct AnalysisOptions {
    int64_t fast_ms = 1000;  // confirmations faster than this count as fast answers
};

struct ItemRow {
    int item = 0;
    std::string text;
    bool training = false;      // items 1-3: left out of the item statistics
    int answers = 0;            // sessions that answered it
    int right = 0;
    double p = 0;               // right / answers (NaN without answers)
    double r_it = 0;            // corrected item-total correlation, complete sessions
    double b = 0, b_se = 0;     // Rasch difficulty and its standard error
    int correct_cell = 0;       // 0: not known
    uint16_t cells = 0;         // answer cells known to be present
    int cell_answers = 0;       // answers whose chosen cell is known (journals)
    std::array<int, 9> chosen{};  // answers per cell
    double median_rt_right = 0, median_rt_wrong = 0;  // ms; NaN without such answers
    std::vector<double> rt_ms;  // every confirmation's response time, for the plots
    int previews = 0, refusals = 0;
    std::vector<std::string> flags;
};

struct SessionRow {
    const Session *session = nullptr;
    int score = 0;                    // right answers, all items
    int score_without_training = 0;   // right answers on items 4 and later
    double median_rt_ms = 0;          // NaN: no times (result files)
    int fast_answers = -1;            // -1: no times
    int refused_training = -1;        // -1: not known (result files)
    double ability = 0, ability_se = 0;  // Warm's estimate (NaN when there is none)
};

struct TestAnalysis {
    const TestData *test = nullptr;
    std::vector<ItemRow> items;
    std::vector<SessionRow> sessions;
    int complete_sessions = 0;     // answered every item
    int analysed_items = 0;        // items after the training items
    ClassicalStats classical;      // over the analysed items of complete sessions
    RaschFit rasch;                // over the analysed items (columns 0..analysed_items-1)
};

TestAnalysis analyse_test(const TestData &test, const AnalysisOptions &options);

// The flags' wording, also used by the page's legend.
inline constexpr const char *flag_negative = "negative discrimination";
inline constexpr const char *flag_easy = "too easy (p > 0.95)";
inline constexpr const char *flag_hard = "too hard (p < 0.05)";
inline constexpr const char *flag_unchosen = "distractor no one chose";

}  // namespace report
