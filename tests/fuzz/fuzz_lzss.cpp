// lzss_unpack on any stream and any capacity: it must stay inside its
// buffers (the sanitizers watch) and produce what the reference decoder
// produces, leaving the rest of the output untouched.
//
// Input: u16 capacity (little-endian), then the stream.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "archive/lzss.h"
#include "tests/fuzz/check.h"
#include "tests/fuzz/reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    uint32_t capacity = data[0] | data[1] << 8;
    // the stream in a block of its own size, so that reading past it is seen
    std::vector<uint8_t> src(data + 2, data + size);
    uint32_t src_len = uint32_t(src.size());

    const uint8_t fill = uint8_t(capacity * 31 + src_len);
    std::vector<uint8_t> got(capacity, fill), want(capacity, fill);
    lzss_unpack(src_len ? src.data() : nullptr, capacity ? got.data() : nullptr, src_len, capacity);
    ref::lzss(src.data(), src_len, want.data(), capacity);
    FUZZ_CHECK(got == want);
    return 0;
}
