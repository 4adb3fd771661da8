#include "report/output.h"

#include "report/csv.h"
#include "report/error.h"
#include "report/journal_format.h"

#include <cmath>
#include <cstdio>

namespace report {

std::string number_text(double v, int decimals)
{
    if (std::isnan(v) || std::isinf(v))
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    if (std::string_view(buf).find_first_not_of("-0.") == std::string_view::npos)
        std::snprintf(buf, sizeof buf, "%.*f", decimals, 0.0);  // no "-0.00"
    return buf;
}

std::string count_text(long long v)
{
    return v < 0 ? std::string() : std::to_string(v);
}

CsvTable::CsvTable(const std::vector<std::string_view> &columns) : columns_(columns.size())
{
    text_ = utf8_bom;
    for (std::string_view c : columns)
        *this << c;
    end_row();
}

CsvTable &CsvTable::operator<<(std::string_view field)
{
    if (in_row_++)
        text_.push_back(',');
    append_spreadsheet_cell(text_, field);  // a researcher opens these in a spreadsheet
    return *this;
}

void CsvTable::end_row()
{
    if (in_row_ != columns_)
        throw Error("internal: a CSV row of " + std::to_string(in_row_) + " fields in a table of " +
                    std::to_string(columns_));
    text_ += "\r\n";
    in_row_ = 0;
}

void write_whole_file(const std::string &path, std::string_view bytes)
{
    const std::string temp = path + ".part";
    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f)
        throw Error("cannot write " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw Error("cannot write " + path + " (disk full?)");
    }
}

}  // namespace report
