// meridoka-report: gathers session journals and result files into one
// store (SQLite or PostgreSQL), scores them, analyses every item, writes
// tables and a page.
#include "store/copy.h"
#include "store/db.h"
#include "store/store.h"
#include "tools/report/add_command.h"
#include "tools/report/analysis.h"
#include "tools/report/error.h"
#include "tools/report/html_page.h"
#include "tools/report/output.h"
#include "tools/report/progress.h"
#include "tools/report/tables.h"

#include <CLI/CLI.hpp>

#include <ctime>
#include <iostream>

namespace {

const char overview[] = R"(meridoka-report: collects the results of MERIDOKA test sessions from many PCs
into one store, scores them, analyses every item and shows it all as tables
and a page. The store is an SQLite file (a path) or a PostgreSQL database
(postgresql://USER@HOST:PORT/DATABASE), given first or with --store.

  1. meridoka-report add results.db pc1/ pc2/ MERIDOKA.WDL
  2. meridoka-report html results.db -o report.html
  3. meridoka-report csv results.db -o tables/

  meridoka-report copy results.db postgresql://lab@db.example/study1
  meridoka-report push postgresql://lab@db.example/study1 pc3/
  meridoka-report forget results.db --participant P017

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

A session is the same session only when its ID, archive, participant and
start agree; two sessions sharing an ID are both kept and reported. The
archive outranks journals: sessions claiming its CRC-32 with another item
count are removed when it is added.

Examples:
  meridoka-report add results.db /media/usb/pc1 /media/usb/pc2
  meridoka-report add results.db MERIDOKA.WDL old-results/ --participant P017
  meridoka-report add --store postgresql://lab@db.example/study1 pc1/)";

const char copy_help[] = R"(Copies a whole store into a new, empty one (SQLite to PostgreSQL or back),
then compares every table of the two row by row.

Example:
  meridoka-report copy results.db postgresql://lab@db.example/study1)";

const char forget_help[] = R"(Deletes every session and answer of one participant from the store (the
person's right to erasure) and lists what it removed. The files the sessions
came from are not touched: delete those too, or a later add brings them back.

Example:
  meridoka-report forget results.db --participant P017)";

const char push_help[] = R"(Sends the journals, result files and archives of lab PCs into a remote
PostgreSQL store, with the same rules as add: pushing a folder twice changes
nothing, several pushes at once lose and double nothing.

Example:
  meridoka-report push postgresql://lab@db.example/study1 /media/usb/pc3)";

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
    std::string store_path, store_option, output, participant, test, copy_to;
    std::vector<std::string> inputs;
    int64_t fast_ms = 1000;
    bool quiet = false;

    CLI::App *add = app.add_subcommand("add", "Add journals, result files and archives to the store");
    add->footer(add_help);
    add->add_option("store", store_path, "The store (an SQLite file, made if missing; or postgresql://...)");
    add->add_option("inputs", inputs, "Files and folders to add");
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
    csv->add_option("store", store_path, "The store");
    csv->add_option("-o,--output", output, "Folder for the CSV files (made if missing)")->required();

    CLI::App *html = app.add_subcommand("html", "Write the report as one HTML page");
    html->footer(html_help);
    html->add_option("store", store_path, "The store");
    html->add_option("-o,--output", output, "The page to write")->required();

    CLI::App *copy = app.add_subcommand("copy", "Copy a whole store into a new one (SQLite <-> PostgreSQL)");
    copy->footer(copy_help);
    copy->add_option("from", store_path, "The store to copy")->required();
    copy->add_option("to", copy_to, "The new store (made if missing; must hold no results)")->required();

    CLI::App *forget = app.add_subcommand("forget", "Delete one participant's sessions and answers");
    forget->footer(forget_help);
    forget->add_option("store", store_path, "The store");
    forget->add_option("--participant", participant, "The participant's ID")->required();

    CLI::App *push = app.add_subcommand("push", "Send lab PCs' results into a remote PostgreSQL store");
    push->footer(push_help);
    push->add_option("url", store_path, "postgresql://USER@HOST:PORT/DATABASE")->required();
    push->add_option("inputs", inputs, "Files and folders to send")->required();
    push->add_flag("-q,--quiet", quiet, "No progress line");

    for (CLI::App *c : {add, csv, html, forget})
        c->add_option("--store", store_option, "The store, instead of naming it first");
    for (CLI::App *c : {csv, html})
        c->add_option("--fast-ms", fast_ms, "Answers confirmed faster than this count as fast (default 1000)")
            ->check(CLI::PositiveNumber);

    CLI11_PARSE(app, argc, argv);

    // --store: every word is an input then
    if (!store_option.empty()) {
        if (!store_path.empty())
            inputs.insert(inputs.begin(), store_path);
        store_path = store_option;
    }
    if (store_path.empty()) {
        std::cerr << "meridoka-report: name the store (a file or postgresql://...), first or with --store\n";
        return 1;
    }
    if (*add && inputs.empty()) {
        std::cerr << "meridoka-report: add needs files or folders to add after the store\n";
        return 1;
    }
    if (*push && !store::is_postgres_url(store_path)) {
        std::cerr << "meridoka-report: push sends to a PostgreSQL store (postgresql://...); for a store file "
                     "use add\n";
        return 1;
    }

    try {
        if (*copy) {
            store::Store from(store_path, store::Store::Mode::read);
            store::Store to(copy_to, store::Store::Mode::write);
            const store::CopyResult r = store::copy_store(from, to);
            std::cout << "copied " << from.location() << " to " << to.location() << ":";
            for (size_t i = 0; i < r.rows.size(); i++)
                std::cout << (i ? ", " : " ") << r.rows[i].second << " " << r.rows[i].first;
            std::cout << " rows; every table compared equal\n";
            return 0;
        }
        if (*forget) {
            store::Store store(store_path, store::Store::Mode::write);
            const store::ForgetResult r = store.forget_participant(participant);
            for (const std::string &f : r.files)
                std::cout << "removed the session from " << f << "\n";
            std::cout << "participant " << participant << ": " << r.sessions << " sessions and " << r.responses
                      << " answers removed from " << store.location() << "\n";
            return 0;
        }
        if (*add || *push) {
            store::Store store(store_path, store::Store::Mode::write);
            report::AddOptions options{participant, test, !quiet && report::stderr_is_terminal()};
            const report::AddSummary s = report::add_inputs(store, inputs, options, std::cout, std::cerr);
            std::cout << report::summary_line(s) << "\n";
            return s.skipped ? 2 : 0;
        }
        store::Store store(store_path, store::Store::Mode::read);
        const std::vector<report::TestData> tests = store.load();
        const std::vector<report::TestAnalysis> analyses = analyse_store(tests, fast_ms);
        if (*csv) {
            const std::vector<std::string> files = report::write_csv_tables(analyses, output);
            std::cout << "wrote";
            for (const std::string &f : files)
                std::cout << " " << output << "/" << f;
            std::cout << "\n";
        } else {
            report::write_whole_file(output, report::html_page(analyses, {store.location(), local_now(), fast_ms}));
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
