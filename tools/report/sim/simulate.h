// Simulated test sessions: a test of items with Rasch difficulties, persons
// who answer it, and their journals as the runner would write them.
#pragma once

#include "report/archive_items.h"
#include "tools/report/sim/journal_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace report::sim {

struct SimItem {
    std::string text;
    uint16_t cells = 0x1FF;  // present answer cells
    int correct_cell = 1;
    double b = 0;            // Rasch difficulty
    int dead_cell = 0;       // a distractor no one is drawn to (0: none)
    int attractive_cell = 0; // the distractor wrong answers prefer (0: none)
};

struct SimTest {
    std::string archive_crc32 = "5eed5eed";
    int64_t archive_bytes = 40000;
    std::vector<SimItem> items;
};

// A test of `items` items: difficulties rising from easy to hard, answer
// cells and distractors varied, deterministic for a seed.
SimTest make_test(int items, uint64_t seed);
// The test of an archive, difficulties rising with the position.
SimTest test_from_definition(const TestDefinition &def, uint64_t seed);

// The digit shown on a present cell (its rank among the present cells), and back.
int digit_of_cell(uint16_t cells, int cell);
int cell_of_digit(uint16_t cells, int digit);

struct Step {                   // one item: what the person does there
    int digit = 0;              // the answer confirmed
    std::vector<int> withdrawn; // digits previewed and taken back first
    std::vector<int> refused;   // wrong digits refused (training items only)
    int64_t first_ms = 800;     // item shown -> first digit
    int64_t rt_ms = 2000;       // item shown -> confirming Enter
};

struct SessionPlan {
    JournalStart start;
    std::vector<Step> steps;            // items 1, 2, ... answered in order
    std::string ended_by = "completed"; // completed, esc, closed; "" = stopped without a session_end row
    int resume_after = -1;              // >= 0: the program stopped after this many items and was resumed
    size_t cut_row_keep = 0;            // a row cut after this many bytes where the program stopped (0: none)
};

// The journal of a planned session (start fields for the test filled in).
std::string write_journal(const SimTest &test, SessionPlan plan);

// Deterministic random numbers (splitmix64), the same on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double uniform();           // [0, 1)
    double normal();            // mean 0, sd 1
    int below(int n);           // 0 .. n-1
private:
    uint64_t state_;
};

struct Population {
    double mean = 0, sd = 1;    // abilities, logits
    double esc_share = 0.04;    // Esc at a random item
    double closed_share = 0.01; // window closed at a random item
    double stopped_share = 0.01;  // program stopped (no session_end, a cut last row)
    double resumed_share = 0.02;  // stopped, then resumed and finished
    double preview_share = 0.15;  // items with an answer previewed and taken back
    double guesser_share = 0.02;  // persons who answer at random, fast
};

// Plans the session of a simulated person (Rasch: P(right) = 1 / (1 + exp(b - theta))).
SessionPlan plan_session(const SimTest &test, const Population &pop, Random &rng, int number);

}  // namespace report::sim
