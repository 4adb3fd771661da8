// Writes session journals byte for byte as the runner does (README,
// "Session journals"): for the tests and the benchmark, which need
// journals of every kind, including the damaged ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace report::sim {

struct JournalStart {
    std::string session_id = "0123456789abcdef";
    std::string participant;
    std::string build = "headless";
    std::string version = "1.0.0";
    std::string clock = "simulated";
    int64_t clock_resolution_us = 1;
    int64_t archive_bytes = 0;
    std::string archive_crc32;
    int items = 0;
    int64_t wall_start = 1796724902;  // seconds since 1970 of ms 0, shown as local time (UTC here)
};

class JournalWriter {
public:
    explicit JournalWriter(const JournalStart &start);  // byte-order mark, header, session_start at ms 0

    void item_shown(int64_t ms, int item, std::string_view text);
    void previewed(int64_t ms, int item, int digit, int cell);
    void withdrawn(int64_t ms, int item, int digit, int cell, int key);
    void refused(int64_t ms, int item, int digit, int cell, int correct_cell, int64_t rt, int64_t first);
    void confirmed(int64_t ms, int item, int digit, int cell, int correct_cell, bool right, int64_t rt,
                   int64_t first);
    void interrupted(int64_t ms, std::string_view note);
    void resumed(int64_t ms, int item, std::string_view note);
    void ended(int64_t ms, std::string_view by, int right, int wrong, int answered);

    // The wall clock jumps (a resume hours later); ms goes on unchanged.
    void pause_wall_clock(int64_t seconds) { wall_offset_ += seconds; }
    // Drops the last `bytes` bytes: a row cut short by a crash.
    void cut(size_t bytes);
    // Cuts the last row after its first `keep` bytes (a crash while it was
    // written); returns how many of its bytes are left in the file.
    size_t cut_last_row(size_t keep);

    const std::string &text() const { return text_; }
    size_t rows() const { return rows_; }

private:
    struct Row;
    void write(const Row &row);
    JournalStart start_;
    std::string text_;
    size_t last_row_begin_ = 0;
    size_t rows_ = 0;
    int64_t wall_offset_ = 0;
};

}  // namespace report::sim
