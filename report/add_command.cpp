#include "report/add_command.h"

#include "report/archive_items.h"
#include "report/error.h"
#include "report/fields.h"
#include "report/journal.h"
#include "report/journal_format.h"
#include "report/progress.h"
#include "report/result_sheet.h"
#include "store/collector.h"
#include "store/result_files.h"
#include "store/store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace report {

using store::PutOutcome;
using store::PutResult;

namespace {

using Kind = InputKind;
using Input = FoundInput;

std::string upper(std::string s)
{
    for (char &c : s)
        c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
}

// What a file in a folder is, by its name; unknown files are left alone there.
Kind kind_by_name(const std::string &name)
{
    const std::string u = upper(name);
    if (is_journal_name(name))
        return Kind::journal;
    if (u == "RESULT-W.TXT" || u == "RESULT-D.TXT")
        return Kind::result;
    if (u == "MERIDOKA.WDL")
        return Kind::archive;
    return Kind::unknown;
}

// What a named file is, by its content.
Kind kind_by_content(std::string_view bytes)
{
    if (looks_like_archive(bytes))
        return Kind::archive;
    if (looks_like_journal(bytes))
        return Kind::journal;
    if (looks_like_result_sheet(bytes))
        return Kind::result;
    return Kind::unknown;
}

std::string read_bytes(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw Error(where(path, 0) + "cannot be read");
    std::string bytes;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed)
        throw Error(where(path, 0) + "cannot be read");
    return bytes;
}


class Adder {
public:
    Adder(Store &store, const AddOptions &options, std::ostream &out, std::ostream &err, long total)
        : store_(store), options_(options), out_(out), err_(err),
          progress_(err, options.progress, "adding", total)
    {
    }
    void add(const Input &in);
    void add_study_archive(const std::string &name, std::string_view bytes);
    void add_collected(const std::string &session);
    void add_pushed_result(const store::PushedResult &r, const store::Study &study);
    AddSummary summary;

private:
    // Runs `step`; a damaged input is told and counted as skipped (the
    // store's own failures stop the add).
    template <class Step> void skipping(const char *what, Step step);
    void put_archive(const std::string &name, std::string_view bytes);
    PutResult put_journal(const std::string &name, std::string_view bytes, const std::string &file,
                          std::vector<std::string> &warnings);
    void add_archive(const std::string &path, std::string_view bytes);
    void add_journal(const std::string &path, std::string_view bytes);
    void add_result(const std::string &path, std::string_view bytes);
    PutResult put_result(const std::string &file, const std::string &shown, std::string_view bytes,
                         const std::string &participant, const std::string &test);
    void count(const PutResult &r, const std::string &path);
    void say(std::ostream &to, const std::string &text) { progress_.message(to, text); }

    Store &store_;
    const AddOptions &options_;
    std::ostream &out_, &err_;
    Progress progress_;
};

template <class Step> void Adder::skipping(const char *what, Step step)
{
    try {
        step();
    } catch (const StoreError &) {
        throw;
    } catch (const Error &e) {
        summary.skipped++;
        say(err_, std::string(e.what()) + " (" + what + " skipped)");
    }
}

void Adder::add(const Input &in)
{
    summary.files++;
    skipping("file", [&] {
        const std::string bytes = read_bytes(in.path);
        Kind kind = in.kind == Kind::unknown ? kind_by_content(bytes) : in.kind;
        switch (kind) {
        case Kind::archive:
            add_archive(in.path, bytes);
            break;
        case Kind::journal:
            add_journal(in.path, bytes);
            break;
        case Kind::result:
            add_result(in.path, bytes);
            break;
        case Kind::unknown:
            throw Error(where(in.path, 1) + "not a session journal, a result file or a test archive");
        }
    });
    progress_.update(summary.files, std::to_string(summary.added + summary.replaced) + " new sessions");
}

// A collecting server's study keeps its archive: it outranks what the
// rows claim, as an archive file does.
void Adder::add_study_archive(const std::string &name, std::string_view bytes)
{
    skipping("archive", [&] { put_archive(name, bytes); });
}

// A session whose rows a collecting server kept one at a time: read as a
// journal as far as its rows go without a gap. Read again by the next add
// after more of its rows arrived, it goes in as a longer copy.
void Adder::add_collected(const std::string &session)
{
    const std::string name = "rows of session " + session + " in the store";
    skipping("session", [&] {
        std::vector<std::string> warnings;
        const PutResult r =
            put_journal(name, store_.journal_text(session, std::string(journal_header)), name, warnings);
        if (r.outcome == PutOutcome::unchanged)
            return;  // (a row past a gap arrived): only what changed is told
        count(r, name);
        summary.collected++;
    });
}

void Adder::count(const PutResult &r, const std::string &path)
{
    switch (r.outcome) {
    case PutOutcome::added:
        summary.added++;
        break;
    case PutOutcome::replaced:
        summary.replaced++;
        break;
    case PutOutcome::unchanged:
        summary.unchanged++;
        return;
    case PutOutcome::covered:
        summary.covered++;
        break;
    case PutOutcome::conflict:
        summary.added++;
        summary.conflicts++;
        break;
    }
    if (!r.detail.empty())
        say(out_, path + ": " + r.detail);
}

void Adder::put_archive(const std::string &name, std::string_view bytes)
{
    const store::ArchiveResult r = store_.put_test_definition(read_test_definition(bytes, name));
    for (const std::string &removed : r.removed)
        say(err_, removed);
    summary.removed += int(r.removed.size());
}

PutResult Adder::put_journal(const std::string &name, std::string_view bytes, const std::string &file,
                             std::vector<std::string> &warnings)
{
    Session s = parse_journal(bytes, name, warnings);
    s.file = file;
    return store_.put_session(s);
}

void Adder::add_archive(const std::string &path, std::string_view bytes)
{
    put_archive(path, bytes);
    summary.archives++;
}

void Adder::add_journal(const std::string &path, std::string_view bytes)
{
    std::vector<std::string> warnings;
    const PutResult r = put_journal(path, bytes, stored_path(path), warnings);
    count(r, path);
    if (r.outcome == PutOutcome::unchanged)
        return;  // its cut row was reported when it went in
    for (const std::string &w : warnings)
        say(err_, w);
    summary.warnings += int(warnings.size());
}

void Adder::add_result(const std::string &path, std::string_view bytes)
{
    const std::string participant =
        options_.participant.empty() ? store::result_file_participant(path) : options_.participant;
    count(put_result(stored_path(path), path, bytes, participant, options_.test), path);
}

// A result file a lab computer sent to a collecting server's study: the
// same session as the file added from its folder (the same participant and
// bytes), its test the study's archive. Read again on every add: only what
// changed is told.
void Adder::add_pushed_result(const store::PushedResult &r, const store::Study &study)
{
    const std::string name = r.file + " (sent to study '" + study.name + "')";
    skipping("result file", [&] {
        const PutResult put = put_result(r.file, name, r.bytes, r.participant, study.archive_crc32);
        if (put.outcome == PutOutcome::unchanged)
            return;
        count(put, name);
        summary.pushed++;
    });
}

// A result file's session (store/result_files.h: the same identity
// wherever it comes from), kept as from `file`, named `shown` in messages;
// its test by `test`, or by its items.
PutResult Adder::put_result(const std::string &file, const std::string &shown, std::string_view bytes,
                            const std::string &participant, const std::string &test)
{
    const ResultSheet sheet = parse_result_sheet(bytes, shown, result_codepage(file, bytes));
    Session s;
    s.source = "result_file";
    s.file = file;
    s.participant = participant;
    s.items = int(sheet.texts.size());
    s.session_id = store::result_file_session(participant, bytes);
    if (!test.empty()) {
        if (!store_.has_test(test))
            throw Error(where(shown, 0) + "no test " + test + " in the store (--test)");
        s.archive_crc32 = test;
    } else {
        const std::vector<std::string> tests = store_.tests_matching(sheet.texts);
        if (tests.empty())
            throw Error(where(shown, 0) + "no test in the store has these " + std::to_string(sheet.texts.size()) +
                        " items; add the test's MERIDOKA.WDL (or a journal of it) first");
        if (tests.size() > 1)
            throw Error(where(shown, 0) + "the items match " + std::to_string(tests.size()) + " tests (" + tests[0] +
                        ", " + tests[1] + (tests.size() > 2 ? ", ..." : "") + "); choose one with --test CRC32");
        s.archive_crc32 = tests[0];
    }
    for (size_t i = 0; i < sheet.marks.size(); i++) {
        if (sheet.marks[i] == ' ')
            continue;  // not reached: the item's time ran out
        Response r;
        r.item = int(i) + 1;
        r.right = sheet.marks[i] == '+';
        s.responses.push_back(r);
    }
    for (size_t i = 0; i < sheet.texts.size(); i++)
        s.items_seen.push_back(ItemSeen{int(i) + 1, sheet.texts[i], 0, 0});
    s.ended_by = int(sheet.marks.size()) == s.items ? "completed" : "stopped";
    s.note = "result file: no times";
    return store_.put_session(s);
}

}  // namespace

// Files are kept with their absolute paths: where each session came from,
// whichever folder add ran in.
std::string stored_path(const std::string &path)
{
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

// Folders are searched (recursively) for the files the runner writes;
// named files are taken whatever their names.
std::vector<FoundInput> find_inputs(const std::vector<std::string> &inputs, std::ostream &err, int &missing)
{
    std::vector<Input> found;
    for (const std::string &in : inputs) {
        std::error_code ec;
        if (fs::is_directory(in, ec)) {
            std::vector<Input> here;
            for (fs::recursive_directory_iterator it(in, fs::directory_options::skip_permission_denied, ec), end;
                 !ec && it != end; it.increment(ec)) {
                if (!it->is_regular_file(ec))
                    continue;
                const Kind k = kind_by_name(it->path().filename().string());
                if (k != Kind::unknown)
                    here.push_back({it->path().string(), k});
            }
            if (ec)
                err << in << ": " << ec.message() << "\n";
            std::sort(here.begin(), here.end(), [](const Input &a, const Input &b) { return a.path < b.path; });
            found.insert(found.end(), here.begin(), here.end());
        } else if (fs::exists(in, ec)) {
            Kind k = Kind::unknown;  // named files: by content (a damaged one is reported when added)
            try {
                k = kind_by_content(read_bytes(in));
            } catch (const Error &) {
            }
            found.push_back({in, k});
        } else {
            err << in << ": no such file or folder\n";
            missing++;
        }
    }
    return found;
}

AddSummary add_inputs(Store &store, const std::vector<std::string> &inputs, const AddOptions &options,
                      std::ostream &out, std::ostream &err)
{
    int missing = 0;
    std::vector<Input> files = find_inputs(inputs, err, missing);
    // archives first (result files find their test by its items), result
    // files last (a journal of the same session makes its result file redundant)
    auto rank = [](const Input &in) { return in.kind == Kind::archive ? 0 : in.kind == Kind::result ? 2 : 1; };
    std::stable_sort(files.begin(), files.end(), [&](const Input &a, const Input &b) { return rank(a) < rank(b); });
    Adder adder(store, options, out, err, long(files.size()));
    // commits grouped about twice a second: each file is still all in or all out
    store.begin_batch();
    store::Collector collector(store);
    const std::vector<store::StudyProgress> studies = collector.studies(0);
    for (const store::StudyProgress &p : studies)
        adder.add_study_archive("the archive of study '" + p.study.name + "'", collector.archive(p.study.key));
    auto since = std::chrono::steady_clock::now();
    auto now_and_then = [&] {
        if (std::chrono::steady_clock::now() - since > std::chrono::milliseconds(500)) {
            store.commit_batch();
            store.begin_batch();
            since = std::chrono::steady_clock::now();
        }
    };
    for (const Input &in : files) {
        adder.add(in);
        now_and_then();
    }
    // only the sessions whose rows changed since the last add (a longer copy
    // replaces the one read then); commits grouped as above, so that a
    // server's rows are not kept waiting by a long first read
    for (const std::string &session : store.unread_row_sessions()) {
        adder.add_collected(session);
        store.mark_rows_read(session);
        now_and_then();
    }
    for (const store::StudyProgress &p : studies)  // after the journals: a journal of the same session stays
        for (const store::PushedResult &r : collector.result_files(p.study.key))
            adder.add_pushed_result(r, p.study);
    store.commit_batch();
    AddSummary s = adder.summary;
    s.skipped += missing;
    return s;
}

std::string summary_line(const AddSummary &s)
{
    std::string line = std::to_string(s.files) + (s.files == 1 ? " file: " : " files: ");
    line += std::to_string(s.added) + " sessions added";
    if (s.replaced)
        line += ", " + std::to_string(s.replaced) + " replaced by longer copies";
    if (s.unchanged)
        line += ", " + std::to_string(s.unchanged) + " already in the store";
    if (s.covered)
        line += ", " + std::to_string(s.covered) + " result files already in as journals";
    if (s.conflicts)
        line += ", " + std::to_string(s.conflicts) + " sharing an ID with another session (kept apart)";
    if (s.removed)
        line += ", " + std::to_string(s.removed) + " removed (their archive disagrees)";
    if (s.collected)
        line += ", " + std::to_string(s.collected) + " from rows a server collected";
    if (s.pushed)
        line += ", " + std::to_string(s.pushed) + " from result files sent to a server";
    if (s.archives)
        line += ", " + std::to_string(s.archives) + (s.archives == 1 ? " archive" : " archives");
    if (s.warnings)
        line += "; " + std::to_string(s.warnings) + " cut rows dropped";
    if (s.skipped)
        line += "; " + std::to_string(s.skipped) + " skipped (see above)";
    return line;
}

}  // namespace report
