// meridoka-report: gathers session journals and result files into one
// SQLite store, scores them, analyses every item, writes tables and a page.
#include "tools/report/add_command.h"
#include "tools/report/analysis.h"
#include "tools/report/error.h"
#include "tools/report/html_page.h"
#include "tools/report/output.h"
#include "tools/report/progress.h"
#include "tools/report/store.h"
#include "tools/report/tables.h"

#include <CLI/CLI.hpp>

#include <ctime>
#include <iostream>

namespace {

const char overview[] = R"(meridoka-report: collects the results of MERIDOKA test sessions from many PCs
into one store (an SQLite file), scores them, analyses every item and shows it
all as tables and a page.

  1. meridoka-report add results.db pc1/ pc2/ MERIDOKA.WDL
  2. meridoka-report html results.db -o report.html
  3. meridoka-report csv results.db -o tables/

Exit status: 0 done; 1 failed (nothing or not all was done, see the message);
2 (add) finished, but some files were damaged and skipped.)";

const char add_help[] = R"(Reads session journals (S0000001.CSV ...), plain result files (RESULT-W.TXT,
RESULT-D.TXT) and test archives (MERIDOKA.WDL) into the store, creating it if
needed. Folders are searched with their subfolders for files of those names;
files named on the command line are recognised by their content. Adding the
same file again changes nothing; a longer copy of a session (resumed later)
replaces the shorter one. A damaged file is reported with its line and skipped
whole.

Result files carry no participant, times or archive: the participant comes
from --participant or the file's name (P017.TXT, or the folder of
P017/RESULT-W.TXT); the test is the one in the store with the same item texts
(add the archive or a journal first), or the one given with --test.

Examples:
  meridoka-report add results.db /media/usb/pc1 /media/usb/pc2
  meridoka-report add results.db MERIDOKA.WDL old-results/ --participant P017)";

const char csv_help[] = R"(Writes the tables as CSV files (UTF-8 with byte-order mark, CR LF) into DIR:
  tests.csv      per test (archive): sessions, KR-20 reliability, Rasch fit
  sessions.csv   per session: participant, date, scores, how it ended, times,
                 ability
  responses.csv  per session and item: cell chosen, right, response times
  items.csv      per item: difficulty, item-total correlation, Rasch
                 difficulty, answer cells chosen, flags
The columns and every formula: tools/report/README.md.

Example:
  meridoka-report csv results.db -o tables/)";

const char html_help[] = R"(Writes one self-contained page (no network, no scripts): per test the key
figures, score histogram, item difficulty by position, item-person map,
response times per item, flagged items, and the item and session tables.
Readable on screen and printable.

Example:
  meridoka-report html results.db -o report.html)";

std::string local_now()
{
    const std::time_t t = std::time(nullptr);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", std::localtime(&t));
    return buf;
}

std::vector<report::TestAnalysis> analyse_store(const std::vector<report::TestData> &tests, int64_t fast_ms)
{
    std::vector<report::TestAnalysis> out;
    for (const report::TestData &t : tests)
        out.push_back(report::analyse_test(t, report::AnalysisOptions{fast_ms}));
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    CLI::App app{overview, "meridoka-report"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "meridoka-report " MERIDOKA_VERSION);
    std::string store_path, output, participant, test;
    std::vector<std::string> inputs;
    int64_t fast_ms = 1000;
    bool quiet = false;

    CLI::App *add = app.add_subcommand("add", "Add journals, result files and archives to the store");
    add->footer(add_help);
    add->add_option("store", store_path, "The store (an SQLite file; made if missing)")->required();
    add->add_option("inputs", inputs, "Files and folders to add")->required();
    add->add_option("--participant", participant, "Participant of the result files added");
    add->add_option("--test", test, "Archive CRC-32 (8 hex digits) the result files belong to")
        ->check([](const std::string &s) {
            return s.size() == 8 && s.find_first_not_of("0123456789abcdef") == std::string::npos
                       ? std::string()
                       : std::string("8 lower-case hex digits, as in tests.csv");
        });
    add->add_flag("-q,--quiet", quiet, "No progress line");

    CLI::App *csv = app.add_subcommand("csv", "Write the tables as CSV files");
    csv->footer(csv_help);
    csv->add_option("store", store_path, "The store")->required();
    csv->add_option("-o,--output", output, "Folder for the CSV files (made if missing)")->required();

    CLI::App *html = app.add_subcommand("html", "Write the report as one HTML page");
    html->footer(html_help);
    html->add_option("store", store_path, "The store")->required();
    html->add_option("-o,--output", output, "The page to write")->required();
    for (CLI::App *c : {csv, html})
        c->add_option("--fast-ms", fast_ms, "Answers confirmed faster than this count as fast (default 1000)")
            ->check(CLI::PositiveNumber);

    CLI11_PARSE(app, argc, argv);

    try {
        if (*add) {
            report::Store store(store_path, report::Store::Mode::write);
            report::AddOptions options{participant, test, !quiet && report::stderr_is_terminal()};
            const report::AddSummary s = report::add_inputs(store, inputs, options, std::cout, std::cerr);
            std::cout << report::summary_line(s) << "\n";
            return s.skipped ? 2 : 0;
        }
        report::Store store(store_path, report::Store::Mode::read);
        const std::vector<report::TestData> tests = store.load();
        const std::vector<report::TestAnalysis> analyses = analyse_store(tests, fast_ms);
        if (*csv) {
            const std::vector<std::string> files = report::write_csv_tables(analyses, output);
            std::cout << "wrote";
            for (const std::string &f : files)
                std::cout << " " << output << "/" << f;
            std::cout << "\n";
        } else {
            report::write_whole_file(output, report::html_page(analyses, {store_path, local_now(), fast_ms}));
            std::cout << "wrote " << output << "\n";
        }
    } catch (const report::Error &e) {
        std::cerr << "meridoka-report: " << e.what() << "\n";
        return 1;
    } catch (const std::exception &e) {
        std::cerr << "meridoka-report: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
