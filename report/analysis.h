// Scores and item analysis of one test's sessions: what the CSV tables and
// the page show. Every formula is in README.md.
#pragma once

#include "report/classical.h"
#include "report/fit.h"
#include "report/model_tests.h"
#include "report/rasch.h"
#include "report/session.h"

#include <array>
#include <string>
#include <vector>

namespace report {

struct Calibration;
}  // namespace report
namespace store {
struct Attributes;
}  // namespace store
namespace report {

struct AnalysisOptions {
    int64_t fast_ms = 1000;  // confirmations faster than this count as fast answers
    // Set: only what this session's page needs. The items' figures and the
    // Rasch fit still rest on every session; the ability and person fit are
    // computed for this session alone, the model checks (fit of the items,
    // Andersen's test, DIF), score groups and score table not at all.
    const Session *only = nullptr;
    // Set: the Rasch difficulties and the items' median times are taken
    // from it, not computed from the sessions (calibration.h), which may
    // then be the one session's only.
    const Calibration *calibration = nullptr;
    // Set: DIF and a second Andersen test compare the participants by this
    // attribute (its two values among the sessions), read from attributes;
    // unset, DIF compares the runner's builds when there are two.
    std::string by = {};
    const store::Attributes *attributes = nullptr;
};

// Items are flagged only with this many answers: below it a share or a fit
// statistic says more about chance than about the item.
inline constexpr int flag_minimum_answers = 30;
// Score groups of the distractor analysis (low, middle, high third).
inline constexpr int score_groups = 3;

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
    double median_rt = 0;       // ms, every answer's; NaN without times
    std::vector<double> rt_ms;  // every confirmation's response time, for the plots
    int previews = 0, refusals = 0;
    FitStatistic fit;               // infit and outfit (n = 0: none)
    double andersen_z = 0;          // upper against lower scorers' difficulty, standardised; NaN: not compared
    DifResult dif;                  // between the DIF groups (ets none: not computed)
    double andersen_by_z = 0;       // second against first group of the attribute's (NaN: not compared)
    std::array<int, score_groups> group_answers{};                // complete sessions per score group with a known cell
    std::array<std::array<int, 9>, score_groups> group_chosen{};  // their answers per cell
    std::vector<std::string> flags;
};

struct ScoreRow {         // raw score on every analysed item -> ability
    int score = 0;
    Ability warm{0, 0};   // Warm's estimate (finite at 0 and all right)
    Ability mle{0, 0};    // maximum likelihood (NaN at 0 and all right)
    int sessions = 0;     // complete sessions with this score
};

struct SessionRow {
    const Session *session = nullptr;
    int score = 0;                    // right answers, all items
    int score_without_training = 0;   // right answers on items 4 and later
    double median_rt_ms = 0;          // NaN: no times (result files)
    int fast_answers = -1;            // -1: no times
    int refused_training = -1;        // -1: not known (result files)
    double ability = 0, ability_se = 0;  // Warm's estimate (NaN when there is none)
    int ability_items = 0;            // estimable items it rests on
    bool partial = false;             // the session did not answer every item
    FitStatistic fit;                 // person fit (n = 0: extreme score or no estimate)
};

struct TestAnalysis {
    const TestData *test = nullptr;
    std::vector<ItemRow> items;
    std::vector<SessionRow> sessions;
    int complete_sessions = 0;     // answered every item
    int analysed_items = 0;        // items after the training items
    ClassicalStats classical;      // over the analysed items of complete sessions
    RaschFit rasch;                // over the analysed items (columns 0..analysed_items-1)
    ModelFit fit;                  // residuals at the ML abilities (persons: sessions)
    LikelihoodRatioTest andersen;  // raw score at or below the median against above
    std::string dif_groups;        // the groups compared ("": none), e.g. "build win32 against build dos"
    std::string dif_problem;       // why no DIF, when none
    std::array<std::string, 2> group_names;  // the DIF groups, e.g. "sex = f" ("": none)
    std::vector<int> group_of;     // per session: 0 or 1 (-1: in neither group)
    std::string by;                // the attribute compared ("": none)
    LikelihoodRatioTest andersen_by;  // by the attribute's two groups
    std::vector<ScoreRow> score_table;  // for the analysed items, when the model is fitted
    std::array<int, score_groups + 1> group_bounds{};  // score group g: bounds[g] <= score < bounds[g+1]
    std::string flag_note;         // why items are not flagged yet ("": they are)
};

TestAnalysis analyse_test(const TestData &test, const AnalysisOptions &options);

// The flags' wording, also used by the page's legend.
inline constexpr const char *flag_negative = "negative discrimination";
inline constexpr const char *flag_easy = "too easy (p > 0.95)";
inline constexpr const char *flag_hard = "too hard (p < 0.05)";
inline constexpr const char *flag_unchosen = "distractor no one chose";
inline constexpr const char *flag_underfit = "misfits the model: answers less predictable than the model expects";
inline constexpr const char *flag_overfit = "overfits the model: answers more predictable than the model expects";
inline constexpr const char *flag_andersen = "difficulty differs between low and high scorers";
inline constexpr const char *flag_dif = "differential item functioning, ETS class C";
inline constexpr const char *flag_andersen_by = "difficulty differs between the groups";

}  // namespace report
