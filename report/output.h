// Writing the report's files: numbers as text, CSV tables, whole files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// A number with `decimals` places; empty for NaN (not applicable).
std::string number_text(double v, int decimals);
// An integer, or empty when negative (not known).
std::string count_text(long long v);

// A CSV table as the journals are written: UTF-8 with a byte-order mark,
// CR LF line ends, RFC 4180 quoting.
class CsvTable {
public:
    explicit CsvTable(const std::vector<std::string_view> &columns);
    CsvTable &operator<<(std::string_view field);  // the next field of the current row
    void end_row();
    const std::string &text() const { return text_; }

private:
    std::string text_;
    size_t columns_;
    size_t in_row_ = 0;
};

// Writes through a temporary file in the same folder and renames it, so a
// reader never sees half a file. Throws Error naming the file.
void write_whole_file(const std::string &path, std::string_view bytes);

}  // namespace report
