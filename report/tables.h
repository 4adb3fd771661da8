// The report's tables, shared by the CSV files and the page: one row per
// test, per session, per session and item, per item.
#pragma once

#include "report/analysis.h"
#include "report/output.h"

#include <string>
#include <vector>

namespace report {

CsvTable tests_table(const std::vector<TestAnalysis> &tests);
CsvTable sessions_table(const std::vector<TestAnalysis> &tests);
CsvTable responses_table(const std::vector<TestAnalysis> &tests);
CsvTable items_table(const std::vector<TestAnalysis> &tests);
CsvTable scores_table(const std::vector<TestAnalysis> &tests);       // raw score -> ability
CsvTable distractors_table(const std::vector<TestAnalysis> &tests);  // answer cells by score group

// "low", "middle", "high"; the raw scores of a score group ("" when empty).
const char *score_group_name(int g);
std::string score_range(const TestAnalysis &a, int g);

// The CSV files by name, in the order they are written.
struct CsvFile {
    const char *name;  // "tests.csv" ...
    CsvTable (*make)(const std::vector<TestAnalysis> &tests);
};
extern const std::vector<CsvFile> csv_files;

// The CSV files into `dir` (made if missing); returns their names.
std::vector<std::string> write_csv_tables(const std::vector<TestAnalysis> &tests, const std::string &dir);

// "2026-12-08T10:15:02" -> "2026-12-08"
std::string date_of(const std::string &local_time);
std::string cell_list(uint16_t cells);

}  // namespace report
