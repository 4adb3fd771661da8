// res_load and res_load_text on any archive file: each lookup must deliver
// exactly what the reference reader delivers (block, length, unpacked
// contents) or null, and when one allocation fails it must give null without
// keeping any block.
// The table parsers run on whatever "TESTINFO" and "MESSAGES" yield.
//
// Input: one byte that picks the allocation to fail in a second pass
// (0: no second pass), then the archive file's bytes (none: no file).
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "archive/archive.h"
#include "base/memory.h"
#include "archive/testinfo.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/fuzz_platform.h"
#include "tests/fuzz/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

// The names looked up: the program's own, case variants, and the names
// of the first directory entries as they stand in the input.
std::vector<std::string> names_for(const uint8_t *file, size_t size)
{
    std::vector<std::string> names = {resource_items, "messages", resource_font, "ITEM101"};
    if (size >= 12) {
        uint32_t count = ref::u16(file + 4), dir = ref::u32(file + 8);
        for (uint32_t i = 0; i < count && i < 3; i++) {
            uint64_t at = uint64_t(dir) + 16 * i + 8;
            if (at + 8 > size)
                break;
            std::string n(reinterpret_cast<const char *>(file + at), 8);
            names.push_back(n.c_str());  // up to its zero byte
            names.push_back(n + "XYZ");  // characters past 8 do not count
        }
    }
    return names;
}

// The archive's size and CRC-32 as the session journal names the test,
// against a bit-by-bit CRC-32; no file, no measure.
void check_measure(const uint8_t *file, size_t size)
{
    uint32_t want = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        want ^= file[i];
        for (int bit = 0; bit < 8; bit++)
            want = (want >> 1) ^ (0xEDB88320u & (0u - (want & 1)));
    }
    uint32_t got_size = 0, got_crc = 0;
    const int ok = archive_measure(&got_size, &got_crc);
    FUZZ_CHECK(ok == (size != 0));
    FUZZ_CHECK(!ok || (got_size == size && got_crc == ~want));
}

// What the reference reader gives for each name, worked out once a run:
// the checks ask for most names more than once.
struct Expected {
    bool found = false;
    ref::Bytes bytes;
};

// Names alike in their first 8 characters get the reference's one answer
// (it reads no further), so "NAMEXYZ" costs no second reading.
void expect(const uint8_t *file, size_t size, const std::vector<std::string> &names, std::vector<Expected> &want)
{
    want.resize(names.size());
    for (size_t i = 0; i < names.size(); i++) {
        size_t same = i;
        for (size_t j = 0; j < i && same == i; j++)
            if (names[j].compare(0, 8, names[i], 0, 8) == 0)
                same = j;
        if (same < i)
            want[i] = want[same];
        else
            want[i].found = ref::load(file, size, names[i].c_str(), want[i].bytes);
    }
}

// res_load, and res_load_text with its zero byte after the resource.
void check_lookup(const std::string &name, const Expected &want)
{
    for (bool text : {false, true}) {
        uint32_t length = 0xDEADBEEF;
        uint8_t *got = static_cast<uint8_t *>(text ? res_load_text(name.c_str(), &length)
                                                   : res_load(name.c_str(), &length));
        FUZZ_CHECK(want.found == (got != nullptr));
        FUZZ_CHECK(got || length == 0);
        if (got) {
            FUZZ_CHECK(length == want.bytes.size());
            FUZZ_CHECK(want.bytes.empty() || memcmp(got, want.bytes.data(), want.bytes.size()) == 0);
            FUZZ_CHECK(!text || got[length] == 0);
            mem_free(got);
        }
    }
}

// The parsers on what the archive yields; the sanitizers see any read past
// the blocks.
void parse_tables()
{
    TestTable *table = testinfo_load(resource_items);
    if (table) {
        for (uint32_t i = 0; i < table->count; i++) {
            const TestItem &it = table->items[i];
            FUZZ_CHECK(it.name + 8 == it.text);
            volatile size_t n = strlen(it.text);
            (void)n;
        }
        testinfo_free(table);
    }
    uint32_t length;
    void *messages = res_load_text(resource_messages, &length);
    for (int i = -1; i < 40; i++) {
        const char *m = msg_get(messages, length, i);
        if (m) {
            volatile size_t n = strlen(m);
            (void)n;
        }
    }
    mem_free(messages);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t fail_pick = data[0];
    const uint8_t *file = data + 1;
    size_t file_size = size - 1;
    // an empty input stands for no archive file at all
    if (file_size)
        fuzzplat::write_file(archive_file_name, file, uint32_t(file_size));
    else
        fuzzplat::remove_file(archive_file_name);

    check_measure(file, file_size);
    const std::vector<std::string> names = names_for(file, file_size);
    static std::vector<Expected> want;  // its buffers kept from run to run
    expect(file, file_size, names, want);
    fuzzplat::fail_allocation = 0;
    for (size_t i = 0; i < names.size(); i++)
        check_lookup(names[i], want[i]);
    // the length may be left out
    void *block = res_load(names.back().c_str(), nullptr);
    FUZZ_CHECK((block != nullptr) == want.back().found);
    mem_free(block);
    parse_tables();
    FUZZ_CHECK(fuzzplat::live_blocks == 0);

    if (fail_pick) {
        // one failing allocation somewhere in the lookups: null or the right
        // block, and nothing left behind
        fuzzplat::allocations = 0;
        fuzzplat::fail_allocation = fail_pick % 16 + 1;
        for (size_t k = 0; k < 4 && k < names.size(); k++) {
            const std::string &n = names[k];
            uint32_t length;
            uint8_t *got = static_cast<uint8_t *>(res_load(n.c_str(), &length));
            if (got) {
                const ref::Bytes &bytes = want[k].bytes;
                FUZZ_CHECK(want[k].found);
                FUZZ_CHECK(length == bytes.size());
                FUZZ_CHECK(bytes.empty() || memcmp(got, bytes.data(), bytes.size()) == 0);
                mem_free(got);
            }
        }
        parse_tables();
        fuzzplat::fail_allocation = 0;
        FUZZ_CHECK(fuzzplat::live_blocks == 0);
    }
    return 0;
}
