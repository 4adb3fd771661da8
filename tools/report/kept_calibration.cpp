// The calibration kept in the store, or made from every session and kept
// (apart from calibration.cpp, whose text form the fuzz target reads alone).
#include "tools/report/calibration.h"

namespace report {

Calibration current_calibration(store::Store &store, const std::string &archive_crc32, int items)
{
    const std::string fingerprint = store.test_fingerprint(archive_crc32);
    Calibration c;
    if (read_calibration(store.calibration(archive_crc32, fingerprint), items, c))
        return c;
    const std::vector<TestData> tests = store.load();
    for (const TestData &t : tests)
        if (t.archive_crc32 == archive_crc32) {
            const Session none;
            c = calibration_of(analyse_test(t, AnalysisOptions{1000, &none}));
        }
    try {
        store::Store writer(store.location_given(), store::Store::Mode::write, 200);
        writer.put_calibration(archive_crc32, fingerprint, calibration_text(c));
    } catch (const std::exception &) {
        // read-only or busy: the next page computes it again
    }
    return c;
}

}  // namespace report
