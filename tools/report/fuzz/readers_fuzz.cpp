// libFuzzer: any bytes as a session journal and as a result file in both
// code pages. The readers either return a session or throw Error; they
// never crash, read out of bounds or hang, and what they return is sound.
#include "tools/report/error.h"
#include "tools/report/journal.h"
#include "tools/report/result_sheet.h"
#include "host/error.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> warnings;
    try {
        const report::Session s = report::parse_journal(bytes, "fuzz.csv", warnings);
        if (int(s.responses.size()) > s.items || s.right_total() + s.wrong_total() != int(s.responses.size()))
            std::abort();
        for (const report::Response &r : s.responses)
            if (r.item < 1 || r.item > s.items || r.cell < 1 || r.cell > 9)
                std::abort();
    } catch (const report::Error &) {
    }
    for (report::Codepage cp : {report::Codepage::cp1251, report::Codepage::cp866}) {
        try {
            const report::ResultSheet sheet = report::parse_result_sheet(bytes, "fuzz.txt", cp);
            if (sheet.marks.empty() || sheet.marks.size() > sheet.texts.size())
                std::abort();
        } catch (const report::Error &) {
        } catch (const host::Error &) {
        }
    }
    return 0;
}
