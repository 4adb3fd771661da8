// The item table and message table parsers on any resource bytes.
// testinfo_load goes through a generated archive (the resource stored plain
// or packed); msg_get works on a block of the resource and one zero byte after
// it. Both must agree with the reference parsers, and every text must end
// inside the block or at that zero byte.
//
// Input: one mode byte (bit 0: item table or messages, bit 1: stored
// packed, bits 2..7: allocation to fail in a second load, 0 none), then
// the resource's bytes.
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "base/memory.h"
#include "archive/testinfo.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/fuzz_platform.h"
#include "tests/fuzz/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

// A text may run past its own field, but ends at the latest at the zero
// byte after the block.
void check_text(const char *text, const uint8_t *block, size_t size)
{
    const uint8_t *t = reinterpret_cast<const uint8_t *>(text);
    FUZZ_CHECK(t >= block && t <= block + size);
    FUZZ_CHECK(strlen(text) <= size_t(block + size - t));
}

void check_table(const TestTable *table, const uint8_t *res, size_t size)
{
    std::vector<size_t> want;
    bool ok = ref::items(res, size, want);
    FUZZ_CHECK(ok == (table != nullptr));
    if (!table)
        return;
    FUZZ_CHECK(table->count == want.size());
    FUZZ_CHECK(table->raw_length == size);
    FUZZ_CHECK(memcmp(table->raw, res, size) == 0);
    FUZZ_CHECK(table->raw[size] == 0);
    for (size_t i = 0; i < want.size(); i++) {
        const TestItem &it = table->items[i];
        const uint8_t *rec = table->raw + want[i];
        FUZZ_CHECK(it.answer == rec[0]);
        FUZZ_CHECK(it.text_length == rec[1]);
        FUZZ_CHECK(it.mask == (rec[2] | rec[3] << 8));
        FUZZ_CHECK(it.name == reinterpret_cast<const char *>(rec + 4));
        FUZZ_CHECK(it.text == reinterpret_cast<const char *>(rec + 12));
        check_text(it.text, table->raw, size);
    }
}

void item_table(const uint8_t *res, size_t size, bool packed, unsigned fail)
{
    ref::Entry e{resource_items, {}, 0};
    if (packed) {
        e.stored = ref::literal_stream(res, size);
        e.unpacked = uint16_t(size);
    } else {
        e.stored.assign(res, res + size);
    }
    ref::Bytes file = ref::archive({e});
    fuzzplat::write_file(archive_file_name, file.data(), uint32_t(file.size()));

    // an entry packed to 0 bytes is stored plain: an empty resource
    TestTable *table = testinfo_load(resource_items);
    check_table(table, res, size);
    testinfo_free(table);
    FUZZ_CHECK(fuzzplat::live_blocks == 0);

    if (fail) {
        fuzzplat::allocations = 0;
        fuzzplat::fail_allocation = fail;
        table = testinfo_load(resource_items);
        fuzzplat::fail_allocation = 0;
        if (table)
            check_table(table, res, size);
        testinfo_free(table);
        FUZZ_CHECK(fuzzplat::live_blocks == 0);
    }
}

void messages(const uint8_t *res, size_t size)
{
    // as res_load_text delivers it: a zero byte after the resource
    uint8_t *block = static_cast<uint8_t *>(mem_alloc(uint32_t(size) + 1));
    FUZZ_CHECK(block != nullptr);
    if (size)
        memcpy(block, res, size);
    long count = size >= 2 ? long(res[0] | res[1] << 8) : 0;
    long last = count < 300 ? count + 1 : 300;
    for (long i = -2; i <= last; i++) {
        long want = ref::message(res, size, i);
        const char *got = msg_get(block, uint32_t(size), int(i));
        FUZZ_CHECK(want < 0 ? got == nullptr : got == reinterpret_cast<const char *>(block) + want);
        if (got)
            check_text(got, block, size);
    }
    FUZZ_CHECK(msg_get(block, uint32_t(size), INT_MIN) == nullptr);
    FUZZ_CHECK(msg_get(block, uint32_t(size), INT_MAX) == nullptr);
    FUZZ_CHECK(msg_get(nullptr, uint32_t(size), 0) == nullptr);
    mem_free(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 50000)
        return 0;
    const uint8_t mode = data[0];
    const uint8_t *res = data + 1;
    size_t res_size = size - 1;
    if (mode & 1)
        messages(res, res_size);
    else
        item_table(res, res_size, (mode & 2) && res_size > 0, mode >> 2);
    return 0;
}
