#include "report/archive_items.h"

#include "report/error.h"
#include "report/fields.h"

#include "host/archive_file.h"
#include "host/codepages.h"
#include "host/crc32.h"
#include "host/tables.h"

#include "archive/format.h"

namespace report {

bool looks_like_archive(std::string_view bytes)
{
    return bytes.substr(0, 4) == "WDLZ";
}

std::string crc32_hex(std::string_view bytes)
{
    return hex32(host::crc32_of(bytes));
}

TestDefinition read_test_definition(std::string_view bytes, const std::string &file)
{
    TestDefinition def;
    def.archive_crc32 = crc32_hex(bytes);
    def.archive_bytes = int64_t(bytes.size());
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    const std::vector<host::StoredEntry> entries = host::read_archive(data, file);
    const host::StoredEntry *items = host::find_entry(entries, resource_items);
    const host::StoredEntry *messages = host::find_entry(entries, resource_messages);
    if (!items || !messages)
        throw Error(file + ": the archive has no " + (items ? resource_messages : resource_items));
    host::decode_messages(messages->data, file);  // the runner refuses an archive without them
    int number = 0;
    for (const host::Item &it : host::decode_testinfo(items->data, file)) {
        ItemSeen seen;
        seen.item = ++number;
        seen.text = host::cp866_to_utf8(it.text);
        seen.cells = uint16_t(it.cells & 0x1FF);
        seen.correct_cell = host::correct_cell(it);
        def.items.push_back(seen);
    }
    if (def.items.empty())
        throw Error(where(file, 0) + "the archive's item table is empty");
    return def;
}

}  // namespace report
