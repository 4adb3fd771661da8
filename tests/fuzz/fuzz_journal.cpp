// The journal reader (what a resume trusts) on any file: it reads no more
// than the file, splits it into the whole rows it kept and a cut rest,
// keeps its texts terminated, and writes answers only inside the log it is
// given, and only 0 or 1.
//
// Input: the journal file's bytes.
#include <stdint.h>
#include <string.h>

#include "runner/journal.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    fuzzplat::write_file("S0000001.CSV", data, uint32_t(size));
    FileHandle f = file_open("S0000001.CSV", "rb");
    FUZZ_CHECK(f);
    enum { capacity = 6, guard = 4 };
    uint8_t answers[capacity + guard];
    memset(answers, 0xEE, sizeof answers);
    JournalScan scan;
    journal_scan(f, &scan, answers, capacity);
    file_close(f);
    fuzzplat::remove_file("S0000001.CSV");

    FUZZ_CHECK(scan.kept >= 0 && scan.cut >= 0 && size_t(scan.kept + scan.cut) <= size);
    for (int i = 0; i < scan_texts; i++)
        FUZZ_CHECK(memchr(scan.start[i], 0, participant_size));
    for (int i = capacity; i < capacity + guard; i++)
        FUZZ_CHECK(answers[i] == 0xEE);
    for (uint32_t i = 0; i < scan.answered && i < capacity; i++)
        FUZZ_CHECK(answers[i] <= 1);
    if (scan.damaged)
        return 0;
    // a journal that may be resumed: the header, whole rows, then the cut rest
    size_t header = strlen(journal_header);
    FUZZ_CHECK(size_t(scan.kept + scan.cut) == size);
    FUZZ_CHECK(size_t(scan.kept) > header && memcmp(data, journal_header, header) == 0);
    FUZZ_CHECK(data[scan.kept - 2] == '\r' && data[scan.kept - 1] == '\n');
    return 0;
}
