// The tests the soak takes: the sample archive and generated archives of 1
// to 300 items, each in a folder of its own, with what the model needs to
// know about them, read back from the archive by the reference reader
// (tests/fuzz/reference.h) rather than by the code under test.
#pragma once

#include <string>
#include <vector>

#include "tests/robust/rng.h"
#include "tests/robust/runner_model.h"

namespace robust {

struct SoakTest {
    std::string dir;                 // holds MERIDOKA.WDL; runs take place here
    std::string label;               // for reports: "sample", "12 items"
    std::vector<ModelItem> items;
    std::vector<std::string> texts;  // item texts; "" where not plain ASCII (not compared)
    bool has_intro = false;
};

// The archive at path, copied into dir.
SoakTest sample_test(const std::string &path, const std::string &dir);

// A generated test of count items in dir: random answer cells, answers,
// empty cells, and an instruction screen or none.
SoakTest generated_test(Rng &rng, int count, const std::string &dir);

}  // namespace robust
