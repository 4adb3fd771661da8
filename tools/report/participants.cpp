#include "tools/report/participants.h"

#include "report/csv.h"
#include "report/error.h"
#include "report/fields.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace report {

namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// The header names that mean the participant's ID.
bool is_id_name(std::string_view name)
{
    const std::string n = lower(name);
    return n == "participant" || n == "participant_id" || n == "participant id" || n == "id";
}

}  // namespace

ParticipantTable read_participant_table(const std::string &file, std::string_view bytes)
{
    const auto fail = [&](int line, const std::string &what) {
        throw Error(where(file, line) + what + "; nothing was imported");
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    const size_t bad = invalid_utf8_at(bytes);
    if (bad != std::string_view::npos) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", unsigned(static_cast<unsigned char>(bytes[bad])));
        fail(1 + int(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(bad), '\n')),
             std::string("not UTF-8 (byte ") + byte + "): the table was most likely saved by a spreadsheet program "
             "in the PC's code page (Windows-1251 on a Russian Windows). Save it again as \"CSV UTF-8\"");
    }
    CsvReader reader(bytes);
    CsvRow row;
    if (!reader.next(row))
        fail(1, "the table is empty (a header row naming the columns comes first)");
    std::vector<std::string> header;
    for (std::string_view f : row.fields)
        header.emplace_back(f);
    const auto id = std::find_if(header.begin(), header.end(), [](const std::string &h) { return is_id_name(h); });
    if (id == header.end())
        fail(1, "no participant ID column: the header needs a column named participant or id (found: " +
                    (row.fields.size() == 1 && header[0].find(';') != std::string::npos
                         ? header[0] + "; the fields are separated by semicolons, not commas"
                         : header.empty() ? std::string() : header[0] + (header.size() > 1 ? ", ..." : "")) + ")");
    const size_t id_at = size_t(id - header.begin());
    ParticipantTable t;
    for (size_t i = 0; i < header.size(); i++) {
        if (i == id_at)
            continue;
        if (header[i].empty())
            fail(1, "column " + std::to_string(i + 1) + " has no name");
        if (std::find(t.columns.begin(), t.columns.end(), header[i]) != t.columns.end() || is_id_name(header[i]))
            fail(1, "the column " + header[i] + " is named twice");
        t.columns.push_back(header[i]);
    }
    std::map<std::string, int> first_line;
    while (reader.next(row)) {
        if (row.fields.size() == 1 && row.fields[0].empty())
            continue;  // a blank line
        if (row.bad_quote)
            fail(row.line, "a quote inside a field that does not start with one (RFC 4180)");
        if (row.fields.size() != header.size())
            fail(row.line, std::to_string(row.fields.size()) + " fields, the header has " +
                               std::to_string(header.size()));
        store::AttributeRow r;
        r.participant = std::string(row.fields[id_at]);
        if (!is_participant_id(r.participant))
            fail(row.line, "participant '" + r.participant + "' is not an ID as the runner takes it (1 to 32 "
                                                             "printable ASCII characters, no spaces)");
        const auto [at, fresh] = first_line.emplace(r.participant, row.line);
        if (!fresh)
            fail(row.line, "participant " + r.participant + " again (first on line " + std::to_string(at->second) +
                               "): one row per participant");
        for (size_t i = 0; i < row.fields.size(); i++)
            if (i != id_at)
                r.values.emplace_back(row.fields[i]);
        t.rows.push_back(std::move(r));
    }
    return t;
}

}  // namespace report
