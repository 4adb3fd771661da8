#include "host/csv.h"

namespace host {

bool CsvReader::next(CsvRow &row)
{
    const size_t n = text_.size();
    if (pos_ >= n)
        return false;
    const char *t = text_.data();
    row.line = line_;
    row.begin = pos_;
    row.ended = false;
    row.bad_quote = false;
    row.fields.clear();
    row.copied.clear();
    size_t copies = 0;  // fields undone into row.unquoted; their views are set at the end
    for (;;) {
        if (pos_ < n && t[pos_] == '"') {
            // quoted: runs to the closing quote; "" is one quote; line ends inside count as lines
            const size_t start = ++pos_;
            bool doubled = false;
            for (;;) {
                while (pos_ < n && t[pos_] != '"')
                    line_ += t[pos_++] == '\n';
                if (pos_ + 1 < n && t[pos_ + 1] == '"') {
                    doubled = true;
                    pos_ += 2;
                    continue;
                }
                break;  // the closing quote, or the end of the text inside the quotes (a cut row)
            }
            const std::string_view inside(t + start, pos_ - start);
            if (pos_ < n)
                pos_++;  // the closing quote
            if (!doubled) {
                row.fields.push_back(inside);
            } else {
                if (row.unquoted.size() <= copies)
                    row.unquoted.emplace_back();
                std::string &u = row.unquoted[copies++];
                u.clear();
                for (size_t i = 0; i < inside.size(); i++) {
                    u.push_back(inside[i]);
                    i += inside[i] == '"';
                }
                row.copied.push_back(row.fields.size());
                row.fields.emplace_back();  // set below, once row.unquoted stops growing
            }
        } else {
            const size_t start = pos_;
            while (pos_ < n && t[pos_] != ',' && t[pos_] != '\n') {
                if (t[pos_] == '"' || (t[pos_] == '\r' && pos_ + 1 < n && t[pos_ + 1] != '\n'))
                    row.bad_quote = true;
                pos_++;
            }
            size_t end = pos_;
            if (end > start && t[end - 1] == '\r')
                end--;  // the CR of a CR LF (or a line end cut after its CR)
            row.fields.emplace_back(t + start, end - start);
        }
        // what follows a quoted field up to the separator is junk
        const size_t rest = pos_;
        while (pos_ < n && t[pos_] != ',' && t[pos_] != '\n')
            pos_++;
        if (pos_ > rest && !(pos_ - rest == 1 && t[rest] == '\r'))
            row.bad_quote = true;
        if (pos_ >= n)
            break;
        if (t[pos_++] == ',')
            continue;
        line_++;
        row.ended = true;
        break;
    }
    for (size_t i = 0; i < copies; i++)
        row.fields[row.copied[i]] = row.unquoted[i];
    row.end = pos_;
    return true;
}

void append_csv_field(std::string &out, std::string_view field)
{
    bool plain = true;  // (a loop: find_first_of calls memchr once per character)
    for (char c : field)
        plain &= c != ',' && c != '"' && c != '\r' && c != '\n';
    if (plain) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

namespace {

// -?digits(.digits)?: a number a spreadsheet reads as one, never a formula
bool plain_number(std::string_view t)
{
    size_t i = t.size() > 1 && t[0] == '-' ? 1 : 0, digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9')
        i++, digits++;
    if (digits && i + 1 < t.size() && t[i] == '.') {
        for (i++; i < t.size() && t[i] >= '0' && t[i] <= '9';)
            i++;
    }
    return digits && i == t.size();
}

bool formula_like(std::string_view t)
{
    return !t.empty() && std::string_view("=+-@\t\r").find(t[0]) != std::string_view::npos && !plain_number(t);
}

}  // namespace

std::string spreadsheet_safe(std::string_view text)
{
    return formula_like(text) ? "'" + std::string(text) : std::string(text);
}

void append_spreadsheet_cell(std::string &out, std::string_view cell)
{
    if (!formula_like(cell))
        return append_csv_field(out, cell);
    std::string safe = "'";
    safe += cell;
    append_csv_field(out, safe);
}

}  // namespace host
