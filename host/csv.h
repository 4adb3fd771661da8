// RFC 4180 CSV: a reader that keeps line numbers and tells a row cut short
// from a complete one, and the writer's field quoting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

struct CsvRow {
    // Views into the text, or into `unquoted` for fields whose doubled
    // quotes had to be undone; valid until the next row is read.
    std::vector<std::string_view> fields;
    std::vector<std::string> unquoted;
    std::vector<size_t> copied;  // which fields those are
    int line = 0;         // physical line the row starts on, from 1
    size_t begin = 0;     // byte offsets of the row in the text
    size_t end = 0;       // just past its line end (or the end of the text)
    bool ended = false;   // the row closed with CR LF (or a bare LF)
    bool bad_quote = false;  // a quote or lone CR inside a bare field, or text after a closing quote
};

class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {}
    // Reads the next row into `row` (its vectors are reused); false at the end.
    bool next(CsvRow &row);

private:
    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

// Appends a field as the journal writes it: quoted when it holds a comma,
// a double quote, CR or LF, with inner quotes doubled; else bare.
void append_csv_field(std::string &out, std::string_view field);

// A text cell a spreadsheet program would run as a formula (starting with
// = + - @, a tab or CR) gets a leading apostrophe, which the programs show
// as text; anything else, a plain number such as -0.53 too, is returned as
// it is. The one rule every table a researcher opens follows.
std::string spreadsheet_safe(std::string_view text);
// Appends a cell of such a table: made safe as above, then quoted as the
// journal's fields are.
void append_spreadsheet_cell(std::string &out, std::string_view cell);

}  // namespace host
