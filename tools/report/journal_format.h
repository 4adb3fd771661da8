// The session journal's columns, in their fixed order: the contract between
// the runner that writes journals and this tool (README, "Session journals").
#pragma once

#include <array>
#include <string_view>

namespace report {

enum Column : int {
    col_session, col_participant, col_event, col_ms, col_local_time, col_item, col_digit, col_cell,
    col_correct_cell, col_right, col_rt_ms, col_first_digit_ms, col_key, col_item_text, col_program,
    col_version, col_build, col_archive_bytes, col_archive_crc32, col_items, col_clock,
    col_clock_resolution_us, col_ended_by, col_right_total, col_wrong_total, col_answered, col_note,
    column_count
};

inline constexpr std::array<std::string_view, column_count> column_names = {
    "session", "participant", "event", "ms", "local_time", "item", "digit", "cell", "correct_cell", "right",
    "rt_ms", "first_digit_ms", "key", "item_text", "program", "version", "build", "archive_bytes",
    "archive_crc32", "items", "clock", "clock_resolution_us", "ended_by", "right_total", "wrong_total",
    "answered", "note"};

inline constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";

}  // namespace report
