// libFuzzer: any bytes as a session journal, as a result file in both code
// pages, as a participants' table, a norm table, a reference group's
// filter and a calibration kept in the store. The readers either return what they read or throw Error; they
// never crash, read out of bounds or hang, and what they return is sound.
#include "report/calibration.h"
#include "report/error.h"
#include "report/filter.h"
#include "report/journal.h"
#include "report/norms.h"
#include "tools/report/participants.h"
#include "report/result_sheet.h"
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
    try {
        const report::ParticipantTable t = report::read_participant_table("people.csv", bytes);
        for (const store::AttributeRow &row : t.rows)
            if (row.values.size() != t.columns.size())
                std::abort();
    } catch (const report::Error &) {
    }
    try {
        report::read_norm_table("norms.csv", bytes);
    } catch (const report::Error &) {
    }
    try {
        const std::vector<store::AttributeColumn> columns = {{"age", store::AttributeType::number},
                                                             {"sex", store::AttributeType::text}};
        report::Filter f(std::string(bytes), columns);
        f.matches({{"age", "21"}, {"sex", "f"}});
    } catch (const report::Error &) {
    }
    report::Calibration c;
    if (report::read_calibration(std::string(bytes), 60, c) && (c.median_rt.size() != 60 || c.b.size() > 60))
        std::abort();
    return 0;
}
