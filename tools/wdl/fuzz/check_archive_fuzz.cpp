// libFuzzer target: check takes any bytes as an archive, pictures and item
// records included, and answers with findings; it never throws or crashes.
#include "tools/wdl/commands.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    const std::vector<wdl::Finding> found = wdl::check_archive(bytes, "fuzz.wdl");
    for (const wdl::Finding &f : found)
        if (f.text.empty())
            std::abort();
    return 0;
}
