#include "tools/report/sim/journal_writer.h"

#include "report/csv.h"
#include "report/journal_format.h"

#include <array>
#include <ctime>

namespace report::sim {

struct JournalWriter::Row {
    Row(int64_t ms_, std::string_view event_) : ms(ms_) { f[col_event] = event_; }
    Row &set(Column c, std::string_view v)
    {
        f[c] = v;
        return *this;
    }
    Row &set(Column c, int64_t v) { return set(c, std::string_view(std::to_string(v))); }
    int64_t ms;
    std::array<std::string, column_count> f;
};

JournalWriter::JournalWriter(const JournalStart &start) : start_(start)
{
    text_ = utf8_bom;
    for (int c = 0; c < column_count; c++) {
        if (c)
            text_ += ',';
        text_ += column_names[size_t(c)];
    }
    text_ += "\r\n";
    Row r(0, event_name(event_session_start));
    r.set(col_program, "meridoka").set(col_version, start.version).set(col_build, start.build);
    r.set(col_archive_bytes, start.archive_bytes).set(col_archive_crc32, start.archive_crc32);
    r.set(col_items, start.items).set(col_clock, start.clock);
    r.set(col_clock_resolution_us, start.clock_resolution_us);
    write(r);
}

void JournalWriter::write(const Row &row)
{
    const std::time_t t = std::time_t(start_.wall_start + wall_offset_ + row.ms / 1000);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &tm);
    std::array<std::string, column_count> f = row.f;
    f[col_session] = start_.session_id;
    f[col_participant] = start_.participant;
    f[col_ms] = std::to_string(row.ms);
    f[col_local_time] = when;
    last_row_begin_ = text_.size();
    for (int c = 0; c < column_count; c++) {
        if (c)
            text_ += ',';
        append_csv_field(text_, f[size_t(c)]);
    }
    text_ += "\r\n";
    rows_++;
}

void JournalWriter::item_shown(int64_t ms, int item, std::string_view text)
{
    write(Row(ms, event_name(event_item_shown)).set(col_item, item).set(col_item_text, text));
}

void JournalWriter::previewed(int64_t ms, int item, int digit, int cell)
{
    write(Row(ms, event_name(event_previewed)).set(col_item, item).set(col_digit, digit).set(col_cell, cell));
}

void JournalWriter::withdrawn(int64_t ms, int item, int digit, int cell, int key)
{
    write(Row(ms, event_name(event_withdrawn)).set(col_item, item).set(col_digit, digit).set(col_cell, cell).set(col_key, key));
}

void JournalWriter::refused(int64_t ms, int item, int digit, int cell, int correct_cell, int64_t rt, int64_t first)
{
    Row r(ms, event_name(event_refused));
    r.set(col_item, item).set(col_digit, digit).set(col_cell, cell).set(col_correct_cell, correct_cell);
    write(r.set(col_right, 0).set(col_rt_ms, rt).set(col_first_digit_ms, first));
}

void JournalWriter::confirmed(int64_t ms, int item, int digit, int cell, int correct_cell, bool right, int64_t rt,
                              int64_t first)
{
    Row r(ms, event_name(event_confirmed));
    r.set(col_item, item).set(col_digit, digit).set(col_cell, cell).set(col_correct_cell, correct_cell);
    write(r.set(col_right, right ? 1 : 0).set(col_rt_ms, rt).set(col_first_digit_ms, first));
}

void JournalWriter::interrupted(int64_t ms, std::string_view note)
{
    write(Row(ms, event_name(event_interrupted)).set(col_note, note));
}

void JournalWriter::resumed(int64_t ms, int item, std::string_view note)
{
    write(Row(ms, event_name(event_resumed)).set(col_item, item).set(col_note, note));
}

void JournalWriter::ended(int64_t ms, std::string_view by, int right, int wrong, int answered)
{
    Row r(ms, event_name(event_session_end));
    r.set(col_ended_by, by).set(col_right_total, right).set(col_wrong_total, wrong);
    write(r.set(col_answered, answered));
}

void JournalWriter::cut(size_t bytes)
{
    text_.resize(text_.size() - std::min(bytes, text_.size()));
}

size_t JournalWriter::cut_last_row(size_t keep)
{
    const size_t row = text_.size() - last_row_begin_;
    const size_t dropped = row > keep ? row - keep : 0;
    cut(dropped);
    return row - dropped;
}

}  // namespace report::sim
