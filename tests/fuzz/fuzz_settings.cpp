// The administration settings parser on any record: what it accepts is
// written back byte for byte from the fields it kept, each within its
// bounds; and the archive's loader agrees with it, entry stored plain or
// packed.
//
// Input: one mode byte (bit 0: store the entry packed), then the record.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "archive/settings.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/fuzz_platform.h"
#include "tests/fuzz/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

std::vector<uint8_t> written(const AdminSettings &s)
{
    std::vector<uint8_t> b = {uint8_t(admin_size), 0, uint8_t(admin_version), s.ask_id, s.id_length, s.id_classes};
    b.insert(b.end(), s.id_marks, s.id_marks + admin_marks_size);
    b.insert(b.end(), {s.offer_resume, s.show_time, uint8_t(s.test_minutes), uint8_t(s.test_minutes >> 8),
                       uint8_t(s.item_seconds), uint8_t(s.item_seconds >> 8)});
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const uint8_t *rec = data + 1;
    const uint32_t length = uint32_t(size - 1);
    // a copy of its own size, so that any read past the record is seen
    std::vector<uint8_t> copy(rec, rec + length);
    AdminSettings s;
    const int fault = settings_parse(copy.data(), length, &s);
    FUZZ_CHECK(fault >= settings_ok && fault <= settings_bad_item_limit);
    FUZZ_CHECK(memchr(s.id_marks, 0, sizeof s.id_marks));
    if (fault == settings_ok) {
        FUZZ_CHECK(written(s) == copy);
        FUZZ_CHECK(s.ask_id <= admin_ask_required && s.id_length >= 1 && s.id_length <= admin_id_longest);
        FUZZ_CHECK(s.test_minutes <= admin_test_minutes_max && s.item_seconds <= admin_item_seconds_max);
        int allowed = 0;
        for (int c = 0x21; c < 0x7F; c++)
            if (settings_allow(&s, char(c))) {
                allowed++;
                FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || strchr(admin_marks, c));
            }
        FUZZ_CHECK(allowed > 0);
    }

    ref::Entry e{resource_admin, {}, 0};
    if ((data[0] & 1) && length > 0) {
        e.stored = ref::literal_stream(rec, length);
        e.unpacked = uint16_t(length);
    } else {
        e.stored = copy;
    }
    ref::Bytes file = ref::archive({e});
    fuzzplat::write_file(archive_file_name, file.data(), uint32_t(file.size()));
    AdminSettings loaded;
    FUZZ_CHECK(settings_load(&loaded) == (fault == settings_ok));
    if (fault == settings_ok)
        FUZZ_CHECK(memcmp(&loaded, &s, sizeof s) == 0);
    FUZZ_CHECK(fuzzplat::live_blocks == 0);
    return 0;
}
