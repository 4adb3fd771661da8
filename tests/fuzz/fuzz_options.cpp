// The option parser on any command line: what it keeps always fits and is
// valid, and a refusal names at most a short, terminated piece of it.
//
// Input: the command line's bytes (a zero ends it early).
#include <stdint.h>
#include <string.h>

#include <string>

#include "runner/command_line.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    CommandLine line;
    memset(&line, 0, sizeof line);
    int verdict = parse_command_line(text.c_str(), &line);
    FUZZ_CHECK(verdict == command_ok || verdict == command_usage || verdict == command_refused);
    FUZZ_CHECK(line.participant[0] == 0 || valid_participant(line.participant));
    FUZZ_CHECK(memchr(line.journal, 0, sizeof line.journal));
    FUZZ_CHECK(line.resume <= resume_named);
    FUZZ_CHECK(line.resume != resume_named || line.journal[0]);
    FUZZ_CHECK(memchr(line.refused, 0, sizeof line.refused));
    return 0;
}
