#include "tools/server/study_report.h"

#include "report/add_command.h"
#include "report/analysis.h"
#include "report/html_page.h"
#include "report/tables.h"
#include "store/error.h"
#include "tools/server/service.h"
#include "tools/server/web_text.h"

#include <set>
#include <sstream>

namespace server {

namespace {

// The study's sessions and their analysis (which points into them).
struct Analysed {
    std::vector<store::TestData> tests;
    store::Attributes attributes;
    std::vector<report::TestAnalysis> analyses;
};

// What a collecting server kept and was not read yet goes in as sessions;
// their messages go to the log, as add's to its terminal.
void take_in_collected(store::Store &store, const store::Study &study)
{
    std::ostringstream out, err;
    const report::AddSummary s = report::add_inputs(store, {}, report::AddOptions{}, out, err);
    if (s.collected || s.skipped)
        log_line("report of study " + study.key + ": " + report::summary_line(s) +
                 (err.str().empty() ? "" : "; " + err.str().substr(0, err.str().find('\n'))));
}

void analyse(store::Store &store, const store::Study &study, Analysed &a)
{
    // the sessions that came through its link, and the result files sent to it
    std::set<std::string> ours;
    store::Collector collector(store);
    for (const store::SessionSummary &s : collector.sessions(study.key))
        ours.insert(s.session);
    for (const store::PushedResult &r : collector.result_files(study.key))
        ours.insert(r.session);
    for (store::TestData &t : store.load()) {
        if (t.archive_crc32 != study.archive_crc32)
            continue;
        std::vector<store::Session> kept;
        for (store::Session &s : t.sessions)
            if (ours.count(s.session_id))
                kept.push_back(std::move(s));
        t.sessions = std::move(kept);
        a.tests.push_back(std::move(t));
    }
    a.attributes = store.load_attributes();
    // as meridoka-report html and csv analyse a test (the default fast-answer time, no --by)
    for (const store::TestData &t : a.tests)
        a.analyses.push_back(report::analyse_test(t, report::AnalysisOptions{1000, nullptr, nullptr, "", &a.attributes}));
}

}  // namespace

std::string study_report(store::Store &store, const store::Study &study, const std::string &file, int64_t now)
{
    take_in_collected(store, study);
    Analysed a;
    analyse(store, study, a);
    if (file == "report.html")
        return report::html_page(a.analyses, {"study '" + study.name + "'", utc_time(now) + " UTC", 1000});
    for (const report::CsvFile &f : report::csv_files)
        if (file == f.name)
            return f.make(a.analyses).text();
    throw store::Error("no report table " + file);
}

}  // namespace server
