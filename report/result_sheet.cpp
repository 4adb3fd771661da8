#include "report/result_sheet.h"

#include "report/error.h"
#include "report/fields.h"

#include <algorithm>

namespace report {

namespace {

std::vector<std::string_view> split_lines(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t lf = bytes.find('\n', pos);
        const size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
        if (lf == std::string_view::npos)
            lf = bytes.size();
        size_t end = lf;
        if (end > pos && bytes[end - 1] == '\r')
            end--;
        lines.push_back(bytes.substr(pos, end - pos));
        pos = next;
    }
    return lines;
}

// Reads the digits that end at `end` (exclusive) backwards; -1 when none.
int64_t digits_before(std::string_view s, size_t &end)
{
    size_t b = end;
    while (b > 0 && s[b - 1] >= '0' && s[b - 1] <= '9')
        b--;
    int64_t v = -1;
    if (b == end || !parse_int(s.substr(b, end - b), v))
        return -1;
    end = b;
    return v;
}

struct Totals {
    int64_t right = -1, wrong = -1, answered = -1, items = -1;
};

// " R(+) W(-) (A/N)" at the end of the line, read from the right.
bool read_totals(std::string_view line, Totals &t)
{
    size_t e = line.size();
    auto expect = [&](std::string_view tail) {
        if (e < tail.size() || line.substr(e - tail.size(), tail.size()) != tail)
            return false;
        e -= tail.size();
        return true;
    };
    if (!expect(")") || (t.items = digits_before(line, e)) < 0 || !expect("/") ||
        (t.answered = digits_before(line, e)) < 0 || !expect("(-) (") || (t.wrong = digits_before(line, e)) < 0 ||
        !expect("(+) ") || (t.right = digits_before(line, e)) < 0 || !expect(" "))
        return false;
    return true;
}

std::string_view last_line(std::string_view bytes)
{
    const std::vector<std::string_view> lines = split_lines(bytes);
    return lines.empty() ? std::string_view() : lines.back();
}

std::string base_name(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool looks_like_result_sheet(std::string_view bytes)
{
    Totals t;
    return read_totals(last_line(bytes), t);
}

Codepage result_codepage(const std::string &file_name, std::string_view bytes)
{
    std::string name = base_name(file_name);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(c >= 'a' && c <= 'z' ? c - 32 : c); });
    if (name.find("-D.") != std::string::npos)
        return Codepage::cp866;
    if (name.find("-W.") != std::string::npos)
        return Codepage::cp1251;
    return guess_codepage(bytes);
}

ResultSheet parse_result_sheet(std::string_view bytes, const std::string &file, Codepage cp)
{
    const std::vector<std::string_view> lines = split_lines(bytes);
    Totals t;
    if (lines.empty() || !read_totals(lines.back(), t))
        throw Error(where(file, int(lines.size())) +
                    "not a result file: the last line does not end in the totals \"R(+) W(-) (A/N)\"");
    const int last = int(lines.size());  // line number of the totals
    // heading, empty line, the items, empty line, totals
    if (lines.size() < 4 || !lines[1].empty() || !lines[lines.size() - 2].empty())
        throw Error(where(file, 0) + "not a result file: no empty lines around the item list");
    const size_t first_item = 2, end_item = lines.size() - 2;
    if (int64_t(end_item - first_item) != t.items)
        throw Error(where(file, last) + "the totals name " + std::to_string(t.items) + " items, the file lists " +
                    std::to_string(end_item - first_item));
    if (t.answered != t.right + t.wrong || t.answered < 1 || t.answered > t.items)
        throw Error(where(file, last) + "the totals do not add up: " + std::to_string(t.right) + "(+) " +
                    std::to_string(t.wrong) + "(-) (" + std::to_string(t.answered) + "/" + std::to_string(t.items) +
                    ")");
    ResultSheet sheet;
    sheet.codepage = cp;
    int64_t marked = 0;
    for (size_t i = first_item; i < end_item; i++) {
        const std::string_view l = lines[i];
        const int line = int(i) + 1;
        if (l.size() < 4 || l.substr(1, 3) != " | " || (l[0] != '+' && l[0] != '-' && l[0] != ' '))
            throw Error(where(file, line) + "an item line must start with \"+ | \", \"- | \" or \"  | \"");
        // an unmarked item before marked ones: its own time limit ran out
        if (l[0] != ' ' && ++marked > t.answered)
            throw Error(where(file, line) + "item marked, but the totals say it was not answered");
        sheet.marks.push_back(l[0]);
        sheet.texts.push_back(to_utf8(l.substr(4), cp));
    }
    if (marked < t.answered)
        throw Error(where(file, last) + "the totals say " + std::to_string(t.answered) + " answered, the items show " +
                    std::to_string(marked));
    sheet.marks.erase(sheet.marks.find_last_not_of(' ') + 1);
    const int64_t right = std::count(sheet.marks.begin(), sheet.marks.end(), '+');
    if (right != t.right)
        throw Error(where(file, last) + "the totals say " + std::to_string(t.right) + "(+), the items show " +
                    std::to_string(right));
    return sheet;
}

}  // namespace report
