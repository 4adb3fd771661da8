// The wide table as SPSS (.sav) and Stata (.dta, version 118: UTF-8) data
// files, written by ReadStat. The item columns' missing values are SPSS
// user-missing codes and Stata extended missing values (.a, .b, .c).
#include "report/csv.h"
#include "report/error.h"
#include "report/output.h"
#include "tools/report/wide_export.h"

#include <readstat.h>

#include <map>
#include <memory>

namespace report {

namespace {

enum class Format { sav, dta };

constexpr int stata_string_limit = 2045;  // bytes of a str# variable in format 118

ssize_t append_bytes(const void *data, size_t len, void *ctx)
{
    static_cast<std::string *>(ctx)->append(static_cast<const char *>(data), len);
    return ssize_t(len);
}

struct WriterFree {
    void operator()(readstat_writer_t *w) const { readstat_writer_free(w); }
};

void check(readstat_error_t e, const std::string &path, const char *doing)
{
    if (e != READSTAT_OK)
        throw Error(path + ": " + doing + ": " + readstat_error_message(e));
}

void write_stat_file(const WideTable &t, const std::string &path, Format format)
{
    std::unique_ptr<readstat_writer_t, WriterFree> owned(readstat_writer_init());
    readstat_writer_t *w = owned.get();
    std::string bytes;
    check(readstat_set_data_writer(w, append_bytes), path, "setting up");
    const std::string file_label = "MERIDOKA sessions of test " + t.analysis->test->archive_crc32;
    check(readstat_writer_set_file_label(w, file_label.c_str()), path, "setting up");
    if (format == Format::dta)
        check(readstat_writer_set_file_format_version(w, 118), path, "setting up");

    // value labels, shared by the columns with the same ones (a label set's
    // name is at most 32 characters in Stata)
    const readstat_type_t label_type = format == Format::sav ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_INT32;
    std::map<std::string, readstat_label_set_t *> sets;
    const auto label_set = [&](const WideColumn &c) -> readstat_label_set_t * {
        if (c.value_labels.empty() && !c.item_missing)
            return nullptr;
        std::string key;
        for (const auto &[v, label] : c.value_labels)
            key += std::to_string(int(v)) + label;
        key += c.item_missing ? "m" : "";
        auto &set = sets[key];
        if (!set) {
            const std::string name = "labels" + std::to_string(sets.size());
            set = readstat_add_label_set(w, label_type, name.c_str());
            for (const auto &[v, label] : c.value_labels) {
                if (format == Format::sav)
                    readstat_label_double_value(set, v, label.c_str());
                else
                    readstat_label_int32_value(set, int32_t(v), label.c_str());
            }
            if (c.item_missing)
                for (const MissingCode &m : missing_codes) {
                    if (format == Format::sav)
                        readstat_label_double_value(set, m.spss, m.label);
                    else
                        readstat_label_tagged_value(set, m.stata, m.label);
                }
        }
        return set;
    };

    std::vector<readstat_variable_t *> vars;
    for (const WideColumn &c : t.columns) {
        const size_t width = c.text ? size_t(format == Format::dta ? std::min(c.text_bytes, stata_string_limit)
                                                                   : c.text_bytes)
                                    : 0;
        readstat_variable_t *v =
            readstat_add_variable(w, c.name.c_str(), c.text ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE, width);
        readstat_variable_set_label(v, utf8_prefix(c.label, 80).c_str());
        readstat_variable_set_measure(v, c.text || !c.value_labels.empty() ? READSTAT_MEASURE_NOMINAL
                                                                           : READSTAT_MEASURE_SCALE);
        if (!c.text && c.decimals > 0)
            readstat_variable_set_format(
                v, (format == Format::sav ? "F12." + std::to_string(c.decimals)
                                          : "%12." + std::to_string(c.decimals) + "f")
                       .c_str());
        if (readstat_label_set_t *set = label_set(c))
            readstat_variable_set_label_set(v, set);
        if (c.item_missing && format == Format::sav)
            for (const MissingCode &m : missing_codes)
                check(readstat_variable_add_missing_double_value(v, m.spss), path, "declaring missing values");
        vars.push_back(v);
    }

    const long rows = long(t.rows());
    check(format == Format::sav ? readstat_begin_writing_sav(w, &bytes, rows)
                                : readstat_begin_writing_dta(w, &bytes, rows),
          path, "starting");
    check(readstat_validate_metadata(w), path, "checking the columns");
    for (readstat_variable_t *v : vars)
        check(readstat_validate_variable(w, v), path, "checking a column");
    for (size_t r = 0; r < t.rows(); r++) {
        check(readstat_begin_row(w), path, "writing a row");
        for (size_t c = 0; c < t.columns.size(); c++) {
            const WideCell cell = t.cell(c, r);
            readstat_variable_t *v = vars[c];
            readstat_error_t e = READSTAT_OK;
            if (t.columns[c].text) {
                const std::string s = cell.missing != Missing::none ? std::string()
                                      : format == Format::dta        ? utf8_prefix(cell.text, stata_string_limit)
                                                                     : cell.text;
                e = readstat_insert_string_value(w, v, s.c_str());
            } else if (cell.missing == Missing::none) {
                e = readstat_insert_double_value(w, v, cell.number);
            } else if (cell.missing == Missing::unknown) {
                e = readstat_insert_missing_value(w, v);
            } else {
                for (const MissingCode &m : missing_codes)
                    if (m.why == cell.missing)
                        e = format == Format::sav ? readstat_insert_double_value(w, v, m.spss)
                                                  : readstat_insert_tagged_missing_value(w, v, m.stata);
            }
            check(e, path, "writing a value");
        }
        check(readstat_end_row(w), path, "writing a row");
    }
    check(readstat_end_writing(w), path, "finishing");
    write_whole_file(path, bytes);
}

}  // namespace

void write_sav(const WideTable &t, const std::string &path)
{
    write_stat_file(t, path, Format::sav);
}

void write_dta(const WideTable &t, const std::string &path)
{
    write_stat_file(t, path, Format::dta);
}

}  // namespace report
