#include "tools/server/row_check.h"

#include "host/csv.h"
#include "host/utf8.h"
#include "runner/journal_columns.h"

#include <cstring>

namespace server {

namespace {

RowCheck refused(const std::string &reason, int status = 400)
{
    return {false, status, reason};
}

}  // namespace

RowCheck check_row(const std::string &session, const std::string &row_number, const std::string &body,
                   int64_t max_body, store::ArrivingRow &row)
{
    if (int64_t(body.size()) > max_body)
        return refused("the row is longer than " + std::to_string(max_body) + " bytes", 413);
    if (!host::is_lower_hex(session, 16))
        return refused("session must be 16 lower-case hex digits");
    if (row_number.empty() || row_number.size() > 9 || row_number.find_first_not_of("0123456789") != std::string::npos ||
        row_number[0] == '0')
        return refused("row must be a number from 1");
    if (host::invalid_utf8_at(body) != std::string::npos)
        return refused("the row is not UTF-8");
    if (body.find('\0') != std::string::npos)  // no journal holds one, and a PostgreSQL text takes none
        return refused("the row holds a NUL byte");
    if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0)
        return refused("the row does not end with CR LF");

    host::CsvReader reader(body);
    host::CsvRow fields;
    if (!reader.next(fields) || !fields.ended || fields.bad_quote || fields.end != body.size())
        return refused("the row is not one CSV row");
    if (fields.fields.size() != size_t(journal_columns))
        return refused("the row has " + std::to_string(fields.fields.size()) + " fields, not " +
                       std::to_string(int(journal_columns)));
    auto field = [&](int col) { return std::string(fields.fields[size_t(col)]); };
    if (field(col_session) != session)
        return refused("the row's session is not the one in the address");
    const std::string event = field(col_event);
    bool known = false;
    for (int e = 0; e <= event_session_end; e++)
        known = known || event == journal_event_names[e];
    if (!known)
        return refused("unknown event");
    const std::string participant = field(col_participant);
    for (unsigned char c : participant)
        if (c < 0x21 || c > 0x7E || participant.size() > 32)
            return refused("the participant ID is not 1 to 32 printable ASCII characters");
    const std::string crc = field(col_archive_crc32);
    if (!crc.empty() && !host::is_lower_hex(crc, 8))
        return refused("archive_crc32 is not 8 lower-case hex digits");

    row.session = session;
    row.row = std::stoll(row_number);
    row.body = body;
    row.participant = participant;
    row.event = event;
    row.archive_crc32 = crc;
    row.items = field(col_items);
    row.ended_by = field(col_ended_by);
    row.right_total = field(col_right_total);
    row.wrong_total = field(col_wrong_total);
    row.answered = field(col_answered);
    return {true, 200, ""};
}

}  // namespace server
