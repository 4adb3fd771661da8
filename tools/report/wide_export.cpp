#include "tools/report/wide_export.h"

#include "report/csv.h"
#include "report/output.h"

#include <cstdio>

namespace report {

namespace {

// A number as short as it goes: the column's places, trailing zeros dropped.
std::string plain_number(double v, int decimals)
{
    std::string s = number_text(v, decimals);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string values_text(const WideColumn &c)
{
    std::string out;
    for (const auto &[v, label] : c.value_labels)
        out += (out.empty() ? "" : "; ") + plain_number(v, 0) + " " + label;
    return out;
}

std::string missing_text(const WideColumn &c)
{
    if (!c.item_missing)
        return "empty";
    std::string out;
    for (const MissingCode &m : missing_codes)
        out += (out.empty() ? "" : "; ") + plain_number(m.spss, 0) + " / ." + m.stata + " " + m.label;
    return out;
}

const char *type_text(const WideColumn &c)
{
    return c.text ? "text" : "number";
}

}  // namespace

std::string wide_csv(const WideTable &t)
{
    std::vector<std::string_view> names;
    for (const WideColumn &c : t.columns)
        names.push_back(c.name);
    CsvTable out(names);
    for (size_t r = 0; r < t.rows(); r++) {
        for (size_t c = 0; c < t.columns.size(); c++) {
            const WideCell v = t.cell(c, r);
            if (v.missing != Missing::none)
                out << "";
            else if (t.columns[c].text)
                out << spreadsheet_safe(v.text);
            else
                out << plain_number(v.number, t.columns[c].decimals);
        }
        out.end_row();
    }
    return out.text();
}

std::string codebook_csv(const WideTable &t)
{
    CsvTable out({"column", "name", "label", "type", "decimals", "values", "missing", "meaning"});
    for (size_t i = 0; i < t.columns.size(); i++) {
        const WideColumn &c = t.columns[i];
        out << std::to_string(i + 1) << c.name << spreadsheet_safe(c.label) << type_text(c)
            << (c.text ? std::string() : std::to_string(c.decimals)) << values_text(c) << missing_text(c)
            << spreadsheet_safe(c.meaning);
        out.end_row();
    }
    return out.text();
}

std::string codebook_markdown(const WideTable &t)
{
    const auto cell = [](std::string s) {  // a table cell: no line breaks, pipes escaped
        std::string out;
        for (char ch : s)
            out += ch == '|' ? std::string("\\|") : ch == '\n' || ch == '\r' ? std::string(" ") : std::string(1, ch);
        return out;
    };
    const TestData &d = *t.analysis->test;
    std::string out = "# Codebook: sessions of test " + d.archive_crc32 + "\n\n" + std::to_string(t.rows()) +
                      " sessions (one row each), " + std::to_string(t.columns.size()) + " columns, " +
                      std::to_string(d.items) + " items (items 1 to " + std::to_string(training_items) +
                      " are training items).\n\nMissing values: an empty CSV cell, SPSS system-missing or Stata `.`; "
                      "the item columns tell why:";
    for (const MissingCode &m : missing_codes)
        out += std::string(" ") + m.label + " (SPSS user-missing " + plain_number(m.spss, 0) + ", Stata `." +
               m.stata + "`)" + (&m == &missing_codes[2] ? "." : ",");
    out += " An item is *not reached* after the session's last answer, *not answered* when passed over before "
           "it, *not recorded* when the file kept no digit or time (result files).\n\n"
           "| # | name | label | type | values | missing | meaning |\n|---|---|---|---|---|---|---|\n";
    for (size_t i = 0; i < t.columns.size(); i++) {
        const WideColumn &c = t.columns[i];
        out += "| " + std::to_string(i + 1) + " | `" + c.name + "` | " + cell(c.label) + " | " + type_text(c) +
               (c.text || c.decimals == 0 ? std::string() : " (" + std::to_string(c.decimals) + " places)") +
               " | " + cell(values_text(c)) + " | " + cell(missing_text(c)) + " | " + cell(c.meaning) + " |\n";
    }
    return out;
}

}  // namespace report
