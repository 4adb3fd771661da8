#include "tests/robust/program_run.h"

#include <unistd.h>

#include <filesystem>

#include "platform/platform.h"
#include "runner/journal.h"
#include "runner/runner.h"

namespace robust {

Outcome run_program(std::vector<headless::Step> script)
{
    const char *result = result_file_name();
    unlink(result);
    // each run a session of its own, always S0000001.CSV
    for (const auto &entry : std::filesystem::directory_iterator("."))
        if (journal_number(entry.path().filename().c_str()) != 0)
            std::filesystem::remove(entry.path());
    headless::reset(std::move(script)).keep_waits = false;
    Outcome out;
    out.status = program_main();
    out.result_file = access(result, F_OK) == 0;
    return out;
}

std::string common_failures(const Outcome &outcome)
{
    const headless::Run &run = headless::current();
    std::string failed;
    if (outcome.status != status_ran && outcome.status != status_resources)
        failed += "status " + std::to_string(outcome.status) + "; ";
    if (outcome.status != status_ran && outcome.result_file)
        failed += "a result file although the program did not run; ";
    const size_t messages = outcome.status == status_ran ? 0 : 1;
    if (run.errors.size() != messages ||
        (messages && run.errors[0] != error_resources_text))
        failed += std::to_string(run.errors.size()) + " error messages; ";
    if (run.live_blocks != 0)
        failed += std::to_string(run.live_blocks) + " blocks not freed; ";
    return failed;
}

}  // namespace robust
