// Whole runs that leave session journals: a fixed session ID and start
// time, the simulated clock, and the journal read back as CSV rows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "runner_support.h"

namespace journal_support {

using namespace runner_support;

using Row = std::vector<std::string>;

inline Step wait(uint32_t ms) { return {Action::wait, 0, ms}; }

// Runs the program with these options, session ID 0123456789abcdef and the
// clock starting at 2026-12-08T10:15:02.
inline int run_with(std::vector<Step> script, const std::string &options = "")
{
    headless::Run &run = headless::reset(std::move(script));
    run.arguments = options;
    run.session_id = "0123456789abcdef";
    run.start_time = headless::parse_local_time("2026-12-08T10:15:02");
    return program_main();
}

inline std::string read_text(const std::string &path)
{
    Bytes b = read_file(path);
    return std::string(b.begin(), b.end());
}

// RFC 4180 rows of a journal without its byte-order mark; a last line that
// does not end in CR LF is left out. An independent reader, for checks.
inline std::vector<Row> csv_rows(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    std::vector<Row> rows;
    Row row(1);
    bool quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                row.back() += text[++i];
            else if (c == '"')
                quoted = false;
            else
                row.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.push_back(row);
            row = Row(1);
            i++;
        } else {
            row.back() += c;
        }
    }
    return rows;
}

// The journals in the working folder, by name.
inline std::vector<std::string> journal_names()
{
    std::vector<std::string> names;
    for (const auto &f : std::filesystem::directory_iterator("."))
        if (journal_number(f.path().filename().c_str()))
            names.push_back(f.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Column numbers as the README's table counts them (from 1).
enum { c_session = 0, c_participant, c_event, c_ms, c_local_time, c_item, c_digit, c_cell, c_correct_cell,
       c_right, c_rt_ms, c_first_digit_ms, c_key, c_item_text, c_ended_by = 22, c_note = 26 };

}  // namespace journal_support
