#include "tools/server/push_body.h"

#include "host/csv.h"

#include <map>

namespace server {

std::vector<PushedRow> split_pushed_journal(const std::string &file)
{
    // rows as the journal's reader reads them (RFC 4180): a quoted field may
    // hold a line break, and its row goes on past it
    std::vector<PushedRow> rows;
    std::map<std::string, int64_t> numbers;
    host::CsvReader reader(file);
    host::CsvRow fields;
    for (bool header = true; reader.next(fields); header = false) {
        if (!fields.ended)
            break;  // a cut last row: not a row
        if (header)
            continue;
        PushedRow r;
        r.line = fields.line;
        r.body = file.substr(fields.begin, fields.end - fields.begin);
        r.session = fields.fields.empty() ? std::string() : std::string(fields.fields[0]);
        r.number = ++numbers[r.session];
        rows.push_back(std::move(r));
    }
    return rows;
}

}  // namespace server
