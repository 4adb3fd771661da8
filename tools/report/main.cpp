// meridoka-report: gathers session journals and result files into one
// store (SQLite or PostgreSQL), scores them, analyses every item, writes
// tables and a page.
#include "host/archive_file.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/store.h"
#include "report/add_command.h"
#include "tools/report/http_push.h"
#include "report/analysis.h"
#include "report/calibration.h"
#include "report/error.h"
#include "report/html_page.h"
#include "report/norm_group.h"
#include "report/output.h"
#include "tools/report/participants.h"
#include "tools/report/pdf_print.h"
#include "tools/report/person_page.h"
#include "report/progress.h"
#include "report/tables.h"
#include "tools/report/wide_export.h"
#include "tools/report/wide_table.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
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

const char push_help[] = R"(To a collecting server (https://...): sends the journals and result files of
lab PCs into a study with a researcher's token (meridoka-server token add) from
MERIDOKA_TOKEN or --token-file, never in the address. The server keeps each
row once: a folder sent twice changes nothing, a longer copy of a journal
adds its new rows, a differing row is kept apart, a result file is kept
once (the next add on the server's store takes it in). Server unreachable or
busy: tried again after 1, 2, 4, 8 s. Exit 0: all taken; 2: some refused;
1: token, study or server refused or unreachable.

To a PostgreSQL store: sends journals, result files and archives with the
same rules as add; several pushes at once lose and double nothing.

Examples:
  MERIDOKA_TOKEN=$(cat ~/.meridoka-token) meridoka-report push https://lab.example/ \
      --study 3f2a...e1 /media/usb/pc3
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

const char participants_help[] = R"(Imports what is known of each participant from a CSV table (UTF-8, RFC 4180,
a header row): a column named participant or id, and any others (age, birth
date as YYYY-MM-DD, sex, group, school year...). Each column's type (number,
date or text) is inferred from its values and shown. Importing a table again
updates the participants in it; an empty cell removes that value. A table
with no ID column, an ID twice or bytes that are not UTF-8 is refused whole.

Example:
  meridoka-report participants import results.db people.csv)";

const char norms_build_help[] = R"(Makes a norm table from a reference group: each participant's first complete
session of the test, for the participants whose attributes pass --where
(comparisons of attributes with =, !=, <, <=, >, >=, joined by and / or, with
parentheses; text values in quotes when they hold spaces). Per raw score (right
answers after the training items): people, mid-point percentile rank, its
normal quantile z, T score (50 + 10z), standard score (100 + 15z) and stanine;
the header lines give the group's size, session dates and KR-20 reliability.
--bands splits the group by age (the age column, or the age on the session's
day from a birth date column). A band of fewer than 100 people is refused
unless --force, which marks it. Formulas: tools/report/README.md, "Norms".

Examples:
  meridoka-report norms build results.db --test 1a2b3c4d -o norms.csv
  meridoka-report norms build results.db --test 1a2b3c4d --where "age>=18 and age<30" -o young.csv
  meridoka-report norms build results.db --test 1a2b3c4d --bands "18-29,30-49,50-99" -o norms.csv)";

const char norms_import_help[] = R"(Checks a norm table made elsewhere (the format norms build writes) and shows
what it holds: every raw score once per band, percentiles that never fall,
bands of fewer than 100 people marked as forced. Give -o to keep a checked
copy in this program's form.

Example:
  meridoka-report norms import clinic-norms.csv -o norms.csv)";

const char person_help[] = R"(Writes one self-contained, printable (A4) page about one participant's session:
raw score, Rasch ability (Warm's WLE) with its standard error and 90% and 95%
bands, percentile rank, T score, standard score and stanine against a norm
table with bands around the estimated true score, response times per item
beside the test's median, the answers item by item, plain sentences on what
to look at twice (very fast answers, misfit, an unfinished or resumed
session) and the session's facts. With several sessions, the latest is shown
(or the one given with --session). Age bands are chosen by the participant's
age on the day of the session.

Example:
  meridoka-report person results.db --participant P017 --norms norms.csv -o P017.html
  meridoka-report person results.db --participant P017 -o P017.html --pdf P017.pdf)";

const char export_help[] = R"(Writes one test's sessions in the shape statistics packages read: one row per
session with the participant's attributes (participants import), the totals,
the ability, and per item the digit answered, right (1/0) and the response
time in ms. Formats:
  wide      a CSV table (UTF-8, CR LF); a missing value is an empty cell
  codebook  every column of the table: name, label, type, values, missing
            values, meaning; Markdown when FILE ends in .md, else CSV
  sav       SPSS data file: variable and value labels; item columns with the
            user-missing values -1 not answered, -2 not reached, -3 not
            recorded
  dta       Stata 14+ data file (UTF-8): labels; the same three as .a .b .c
The format is taken from FILE's ending when --format is not given (.csv wide,
.md codebook, .sav, .dta). Column names are valid in SPSS and Stata (letters,
digits, underscore, at most 32 characters).

Examples:
  meridoka-report export results.db --test 1a2b3c4d --format wide -o sessions-wide.csv
  meridoka-report export results.db --format codebook -o codebook.md
  meridoka-report export results.db -o sessions.sav)";

// The export format named, or the one FILE's ending implies ("": none).
std::string export_format(const std::string &named, const std::string &file)
{
    if (!named.empty())
        return named;
    const std::string ext = std::filesystem::path(file).extension().string();
    return ext == ".csv" ? "wide" : ext == ".md" ? "codebook" : ext == ".sav" ? "sav" : ext == ".dta" ? "dta" : "";
}

std::string local_now()
{
    const std::time_t t = std::time(nullptr);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", std::localtime(&t));
    return buf;
}

std::string file_text(const std::string &path)
{
    const std::vector<uint8_t> bytes = host::read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<report::TestAnalysis> analyse_store(const std::vector<report::TestData> &tests, int64_t fast_ms,
                                                const std::string &by, const store::Attributes &attributes)
{
    const std::vector<store::AttributeColumn> columns = report::judged_columns(attributes);
    if (!by.empty() && std::none_of(columns.begin(), columns.end(), [&](const auto &c) { return c.name == by; })) {
        std::string known;
        for (const store::AttributeColumn &c : columns)
            known += (known.empty() ? "" : ", ") + c.name;
        throw report::Error("--by " + by + ": the store holds no such participant attribute (" +
                            (known.empty() ? std::string("none imported yet: participants import") : "known: " + known) +
                            ")");
    }
    std::vector<report::TestAnalysis> out;
    for (const report::TestData &t : tests)
        out.push_back(report::analyse_test(t, report::AnalysisOptions{fast_ms, nullptr, nullptr, by, &attributes}));
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

    CLI::App *push = app.add_subcommand("push", "Send lab PCs' results to a collecting server or a remote store");
    push->footer(push_help);
    std::string push_study, token_file, ca_file;
    push->add_option("url", store_path, "https://SERVER/ (a collecting server), or postgresql://USER@HOST:PORT/DATABASE")
        ->required();
    push->add_option("--study", push_study, "To a server: the study's key (its link /s/KEY/)");
    push->add_option("--token-file", token_file,
                     "To a server: a file holding the researcher's token (else MERIDOKA_TOKEN)");
    push->add_option("--ca-file", ca_file, "To an https:// server: trust the certificates in this PEM file (the lab's "
                                           "own authority) instead of the system's")
        ->check(CLI::ExistingFile);
    push->add_option("inputs", inputs, "Files and folders to send")->required();
    push->add_flag("-q,--quiet", quiet, "No progress line");

    CLI::App *participants = app.add_subcommand("participants", "Participants' attributes (age, sex, group...)");
    participants->require_subcommand(1);
    CLI::App *import_people = participants->add_subcommand("import", "Import a table of participants' attributes");
    import_people->footer(participants_help);
    import_people->add_option("store", store_path, "The store");
    import_people->add_option("table", inputs, "The CSV table (people.csv)");

    report::NormOptions norm_options;
    CLI::App *norms = app.add_subcommand("norms", "Norm tables: raw score to percentile and standard scores");
    norms->require_subcommand(1);
    CLI::App *norms_build = norms->add_subcommand("build", "Make a norm table from a reference group in the store");
    norms_build->footer(norms_build_help);
    norms_build->add_option("store", store_path, "The store");
    norms_build->add_option("--test", norm_options.test, "Archive CRC-32 of the test (needed when the store has several)");
    norms_build->add_option("--where", norm_options.where, "Which participants form the group, e.g. \"age>=18 and age<30\"");
    norms_build->add_option("--bands", norm_options.bands, "Age bands, e.g. \"18-29,30-49\"");
    norms_build->add_flag("--force", norm_options.force, "Make bands of fewer than 100 people (marked as forced)");
    norms_build->add_option("-o,--output", output, "The norm table to write (CSV)")->required();
    CLI::App *norms_import = norms->add_subcommand("import", "Check a norm table made elsewhere");
    norms_import->footer(norms_import_help);
    norms_import->add_option("table", inputs, "The norm table (CSV)")->required();
    norms_import->add_option("-o,--output", output, "Where to keep a checked copy");

    std::string norms_file, session_id, pdf_file;
    CLI::App *person = app.add_subcommand("person", "Write one participant's page (score, norms, answers)");
    person->footer(person_help);
    person->add_option("store", store_path, "The store");
    person->add_option("--participant", participant, "The participant's ID")->required();
    person->add_option("--session", session_id, "The session's ID, when the participant has several");
    person->add_option("--norms", norms_file, "A norm table (norms build or norms import)");
    person->add_option("-o,--output", output, "The page to write")->required();
    person->add_option("--pdf", pdf_file, "Also print it to this PDF (A4) through headless Chromium");

    std::string export_test, format;
    CLI::App *export_ = app.add_subcommand("export", "One test's sessions as a wide table, codebook, SPSS or Stata file");
    export_->footer(export_help);
    export_->add_option("store", store_path, "The store");
    export_->add_option("--test", export_test, "Archive CRC-32 of the test (needed when the store has several)");
    export_->add_option("--format", format, "wide, codebook, sav or dta (default: from the file's ending)")
        ->check(CLI::IsMember({"wide", "codebook", "sav", "dta"}));
    export_->add_option("-o,--output", output, "The file to write")->required();

    for (CLI::App *c : {add, csv, html, forget, person, import_people, norms_build, export_})
        c->add_option("--store", store_option, "The store, instead of naming it first");
    std::string by;
    for (CLI::App *c : {csv, html})
        c->add_option("--by", by, "A participant attribute with two values (sex, group...): DIF and Andersen's test "
                                  "between its groups");
    for (CLI::App *c : {csv, html, person, export_})
        c->add_option("--fast-ms", fast_ms, "Answers confirmed faster than this count as fast (default 1000)")
            ->check(CLI::PositiveNumber);

    CLI11_PARSE(app, argc, argv);

    if (*norms_import) {
        try {
            const report::NormTable t = report::read_norm_table(inputs.at(0), file_text(inputs.at(0)));
            std::cout << report::norm_table_summary(t);
            if (!output.empty()) {
                report::write_whole_file(output, report::norm_table_csv(t));
                std::cout << "wrote " << output << "\n";
            }
            return 0;
        } catch (const std::exception &e) {
            std::cerr << "meridoka-report: " << e.what() << "\n";
            return 1;
        }
    }

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
    // add with nothing to add only brings an existing store up to date (an
    // older store version is migrated when it is opened for writing)
    const bool only_update = *add && inputs.empty();
    if (only_update && !store::is_postgres_url(store_path) && !std::filesystem::exists(store_path)) {
        std::cerr << "meridoka-report: add needs files or folders to add after the store\n";
        return 1;
    }
    if (*push && (store_path.rfind("http://", 0) == 0 || store_path.rfind("https://", 0) == 0)) {
        report::HttpPush p{store_path, push_study, "", inputs, ca_file};
        if (!token_file.empty()) {
            std::ifstream in(token_file);
            if (!in || !std::getline(in, p.token)) {
                std::cerr << "meridoka-report: cannot read the token from " << token_file << "\n";
                return 1;
            }
        } else if (const char *env = std::getenv("MERIDOKA_TOKEN")) {
            p.token = env;
        }
        while (!p.token.empty() && (p.token.back() == '\r' || p.token.back() == ' '))
            p.token.pop_back();
        return report::push_over_http(p, std::cout, std::cerr);
    }
    if (*push && !store::is_postgres_url(store_path)) {
        std::cerr << "meridoka-report: push sends to a collecting server (https://...) or a PostgreSQL store "
                     "(postgresql://...); for a store file use add\n";
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
            if (r.attributes > 0)
                std::cout << "removed the participant's " << r.attributes << " attributes (age, group...)\n";
            std::cout << "participant " << participant << ": " << r.sessions << " sessions and " << r.responses
                      << " answers removed from " << store.location() << "\n";
            return 0;
        }
        if (*import_people) {
            if (inputs.size() != 1)
                throw report::Error("participants import takes the store and one CSV table");
            const report::ParticipantTable t = report::read_participant_table(inputs[0], file_text(inputs[0]));
            store::Store store(store_path, store::Store::Mode::write);
            const store::AttributesPut r = store.put_attributes(t.columns, t.rows);
            std::cout << inputs[0] << ": " << t.rows.size() << " participants (" << r.added << " new, " << r.updated
                      << " updated, " << r.unchanged << " unchanged) into " << store.location() << "\ncolumns:";
            for (size_t i = 0; i < r.columns.size(); i++)
                std::cout << (i ? ", " : " ") << r.columns[i].name << " (" << store::type_name(r.columns[i].type)
                          << ")";
            std::cout << (r.columns.empty() ? " none besides the ID\n" : "\n");
            return 0;
        }
        if (*add || *push) {
            store::Store store(store_path, store::Store::Mode::write);
            if (only_update)
                std::cout << store.location() << ": the store is up to date\n";
            report::AddOptions options{participant, test, !quiet && report::stderr_is_terminal()};
            const report::AddSummary s = report::add_inputs(store, inputs, options, std::cout, std::cerr);
            // what a participant's page needs of the rest of the test, made now
            // rather than by the first page after this add
            if (*add && s.added + s.replaced + s.removed + s.collected > 0) {
                try {
                    report::keep_calibrations(store);
                } catch (const std::exception &e) {
                    std::cerr << "meridoka-report: the calibration for participants' pages was not kept (" << e.what()
                              << "); the first page makes it\n";
                }
            }
            if (!only_update || s.collected || s.pushed || s.skipped)  // (without files: only what a server collected)
                std::cout << report::summary_line(s) << "\n";
            return s.skipped ? 2 : 0;
        }
        store::Store store(store_path, store::Store::Mode::read);
        if (*person) {
            report::NormTable norm_table;
            if (!norms_file.empty()) {
                norm_table = report::read_norm_table(norms_file, file_text(norms_file));
            }
            // the participant's sessions, and what the page needs of the
            // rest of the test: its calibration, kept in the store
            const std::vector<report::TestData> tests = store.load_participant(participant);
            const report::TestData *of_test = nullptr;
            const report::Session *chosen = nullptr;
            for (const report::TestData &t : tests)
                for (const report::Session &s : t.sessions)
                    if (s.participant == participant && (session_id.empty() || s.session_id == session_id) &&
                        (!chosen || s.started >= chosen->started)) {
                        of_test = &t;
                        chosen = &s;
                    }
            if (!chosen)
                throw report::Error("no session of participant " + participant +
                                    (session_id.empty() ? std::string() : " with ID " + session_id) + " in " +
                                    store.location());
            const report::Calibration calibration =
                report::current_calibration(store, of_test->archive_crc32, of_test->items);
            const report::TestAnalysis a =
                report::analyse_test(*of_test, report::AnalysisOptions{fast_ms, chosen, &calibration});
            const auto row = std::find_if(a.sessions.begin(), a.sessions.end(),
                                          [&](const report::SessionRow &r) { return r.session == chosen; });
            const report::PersonPageInfo info{store.location(), local_now(), fast_ms,
                                              norms_file.empty() ? nullptr : &norm_table, norms_file};
            report::write_whole_file(output, report::person_page(a, *row, store.load_attributes(), info));
            std::cout << "wrote " << output << " (session " << chosen->session_id << " of " << chosen->started
                      << ")\n";
            if (!pdf_file.empty()) {
                report::print_to_pdf(output, pdf_file);
                std::cout << "wrote " << pdf_file << "\n";
            }
            return 0;
        }
        const std::vector<report::TestData> tests = store.load();
        if (*export_) {
            const std::string f = export_format(format, output);
            if (f.empty())
                throw report::Error("say which export with --format wide|codebook|sav|dta (the file's ending " +
                                    std::filesystem::path(output).extension().string() + " does not tell)");
            const report::TestAnalysis a =
                report::analyse_test(report::chosen_test(tests, export_test), report::AnalysisOptions{fast_ms});
            const report::WideTable t = report::wide_table(a, store.load_attributes());
            if (f == "wide")
                report::write_whole_file(output, report::wide_csv(t));
            else if (f == "codebook")
                report::write_whole_file(output, std::filesystem::path(output).extension() == ".md"
                                                     ? report::codebook_markdown(t)
                                                     : report::codebook_csv(t));
            else if (f == "sav")
                report::write_sav(t, output);
            else
                report::write_dta(t, output);
            std::cout << "wrote " << output << " (" << f << ": " << t.rows() << " sessions of test "
                      << a.test->archive_crc32 << ", " << t.columns.size() << " columns)\n";
            return 0;
        }
        if (*norms_build) {
            const report::NormTable t = report::build_norms(tests, store.load_attributes(), norm_options);
            report::write_whole_file(output, report::norm_table_csv(t));
            std::cout << report::norm_table_summary(t) << "wrote " << output << "\n";
            return 0;
        }
        const store::Attributes attributes = store.load_attributes();
        const std::vector<report::TestAnalysis> analyses = analyse_store(tests, fast_ms, by, attributes);
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
