// One whole run of the program in-process on the headless platform, in the
// current directory, and the checks every run must pass whatever its input.
#pragma once

#include <string>
#include <vector>

#include "headless/headless.h"

namespace robust {

struct Outcome {
    int status = -1;
    bool result_file = false;  // the result file exists afterwards
};

// Removes an earlier result file and journals, then runs program_main on
// the script.
Outcome run_program(std::vector<headless::Step> script);

// What every run must satisfy, whatever the archive and the keys: status 0
// (it ran) or 1 (resources), no error message when it ran and the
// resources message otherwise, never a result file when it did not run,
// every block freed. Empty when all hold, else what failed.
std::string common_failures(const Outcome &outcome);

}  // namespace robust
