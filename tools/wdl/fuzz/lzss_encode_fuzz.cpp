// libFuzzer target: every input packs into a stream that the runner's
// decoder turns back into exactly that input, never longer than the input
// plus its flag bytes.
#include "host/lzss_encode.h"

#include "archive/lzss.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 65535)
        return 0;
    const std::vector<uint8_t> input(data, data + size);
    const std::vector<uint8_t> stream = host::lzss_encode(input);
    if (stream.size() > size + (size + 7) / 8)
        std::abort();
    std::vector<uint8_t> out(size, 0xA5), other(size, 0x5A);
    lzss_unpack(stream.data(), out.data(), uint32_t(stream.size()), uint32_t(size));
    lzss_unpack(stream.data(), other.data(), uint32_t(stream.size()), uint32_t(size));
    if (out != input || other != input)
        std::abort();
    return 0;
}
