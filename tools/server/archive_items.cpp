#include "tools/server/archive_items.h"

#include "archive/format.h"
#include "host/archive_file.h"
#include "host/tables.h"
#include "store/error.h"

namespace server {

int archive_item_count(const std::string &archive)
{
    const std::vector<uint8_t> bytes(archive.begin(), archive.end());
    const auto entries = host::read_archive(bytes, "the archive");
    const host::StoredEntry *items = host::find_entry(entries, resource_items);
    const size_t count = items ? host::decode_testinfo(items->data, "the archive").size() : 0;
    if (count == 0)
        throw store::Error("the archive has no items (no TESTINFO table): it is not a test's MERIDOKA.WDL");
    return int(count);
}

}  // namespace server
