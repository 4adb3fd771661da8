#include "tools/report/archive_items.h"

#include "tools/report/codepages.h"
#include "tools/report/error.h"
#include "tools/report/fields.h"
#include "tools/wdl/commands.h"
#include "tools/wdl/error.h"

#include <zlib.h>

namespace report {

bool looks_like_archive(std::string_view bytes)
{
    return bytes.substr(0, 4) == "WDLZ";
}

std::string crc32_hex(std::string_view bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most 4 GB a call
    for (size_t pos = 0; pos < bytes.size(); pos += 1u << 30) {
        const size_t n = std::min(bytes.size() - pos, size_t(1) << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes.data() + pos), uInt(n));
    }
    return hex32(uint32_t(crc));
}

TestDefinition read_test_definition(std::string_view bytes, const std::string &file)
{
    TestDefinition def;
    def.archive_crc32 = crc32_hex(bytes);
    def.archive_bytes = int64_t(bytes.size());
    try {
        const std::vector<uint8_t> data(bytes.begin(), bytes.end());
        const wdl::Test test = wdl::test_from_archive(wdl::read_archive(data, file), file);
        int number = 0;
        for (const wdl::Item &it : test.items) {
            ItemSeen seen;
            seen.item = ++number;
            seen.text = cp866_to_utf8(it.text);
            seen.cells = uint16_t(it.cells & 0x1FF);
            // the answer digit counts the present cells row by row
            for (int c = 0, rank = 0; c < 9; c++)
                if (seen.cells >> c & 1 && ++rank == it.answer)
                    seen.correct_cell = c + 1;
            def.items.push_back(seen);
        }
    } catch (const wdl::Error &e) {
        throw Error(e.what());
    }
    if (def.items.empty())
        throw Error(where(file, 0) + "the archive's item table is empty");
    return def;
}

}  // namespace report
