// `meridoka-report add`: journals, result files and archives into the store.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace store {
class Store;
}

namespace report {

using store::Store;

struct AddOptions {
    std::string participant;  // for result files: instead of the file name
    std::string test;         // for result files: the archive CRC-32 they belong to
    bool progress = false;    // a progress line on the terminal
};

struct AddSummary {
    int files = 0;
    int added = 0, replaced = 0, unchanged = 0, covered = 0, archives = 0;
    int conflicts = 0;  // sessions sharing an ID with another person's or start's: kept apart
    int removed = 0;    // sessions taken out because their archive, added now, disagrees
    int collected = 0;  // sessions new or longer from rows a collecting server kept
    int pushed = 0;     // sessions from result files sent to a collecting server
    int skipped = 0;   // damaged or unreadable files
    int warnings = 0;  // cut last rows dropped
};

// Adds every input (files, and folders searched for S???????.CSV,
// RESULT-W.TXT, RESULT-D.TXT and MERIDOKA.WDL): archives first, then
// journals, then result files, each file in its own transaction; then the
// sessions whose rows a collecting server kept in the store. Damaged
// files are reported on `err` with file and line and skipped. Throws
// StoreError when the store itself fails.
AddSummary add_inputs(Store &store, const std::vector<std::string> &inputs, const AddOptions &options,
                      std::ostream &out, std::ostream &err);

std::string summary_line(const AddSummary &s);

// The files among the inputs: folders searched (recursively) for the names
// the runner writes, named files recognised by their content. Inputs that
// do not exist are told on `err` and counted in `missing`.
enum class InputKind { archive, journal, result, unknown };
struct FoundInput {
    std::string path;
    InputKind kind;
};
std::vector<FoundInput> find_inputs(const std::vector<std::string> &inputs, std::ostream &err, int &missing);

// A file's absolute path, as a session keeps where it came from (whichever
// folder add ran in).
std::string stored_path(const std::string &path);

}  // namespace report
