// The calibration kept in the store, or made from every session and kept
// (apart from calibration.cpp, whose text form the fuzz target reads alone).
#include "report/calibration.h"

namespace report {

namespace {

Calibration calibration_from(const TestData &t)
{
    const Session none;
    return calibration_of(analyse_test(t, AnalysisOptions{1000, &none}));
}

}  // namespace

Calibration current_calibration(store::Store &store, const std::string &archive_crc32, int items)
{
    const std::string fingerprint = store.test_fingerprint(archive_crc32);
    Calibration c;
    if (read_calibration(store.calibration(archive_crc32, fingerprint), items, c))
        return c;
    const std::vector<TestData> tests = store.load();
    for (const TestData &t : tests)
        if (t.archive_crc32 == archive_crc32)
            c = calibration_from(t);
    try {
        store::Store writer(store.location_given(), store::Store::Mode::write, 200);
        writer.put_calibration(archive_crc32, fingerprint, calibration_text(c));
    } catch (const std::exception &) {
        // read-only or busy: the next page computes it again
    }
    return c;
}

int keep_calibrations(store::Store &store)
{
    int made = 0;
    const std::vector<TestData> tests = store.load();
    for (const TestData &t : tests) {
        const std::string fingerprint = store.test_fingerprint(t.archive_crc32);
        Calibration kept;
        if (read_calibration(store.calibration(t.archive_crc32, fingerprint), t.items, kept))
            continue;
        store.put_calibration(t.archive_crc32, fingerprint, calibration_text(calibration_from(t)));
        made++;
    }
    return made;
}

}  // namespace report
