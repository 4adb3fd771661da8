#include "report/tables.h"

#include "report/error.h"

#include <cmath>
#include <filesystem>

namespace report {

std::string date_of(const std::string &local_time)
{
    return local_time.substr(0, 10);
}

std::string cell_list(uint16_t cells)
{
    std::string out;
    for (int c = 0; c < 9; c++)
        if (cells >> c & 1)
            out += (out.empty() ? "" : " ") + std::to_string(c + 1);
    return out;
}

namespace {

void fit_fields(CsvTable &t, const FitStatistic &f)
{
    const bool any = f.n > 0;
    t << (any ? number_text(f.infit, 4) : "") << (any ? number_text(f.infit_t, 3) : "")
      << (any ? number_text(f.outfit, 4) : "") << (any ? number_text(f.outfit_t, 3) : "");
}

std::string joined(const std::vector<std::string> &parts, const char *sep)
{
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : sep) + p;
    return out;
}

}  // namespace

CsvTable tests_table(const std::vector<TestAnalysis> &tests)
{
    CsvTable t({"test", "archive_bytes", "items", "item_table", "sessions", "complete_sessions", "analysed_items",
                "mean_score", "score_sd", "kr20", "rasch", "rasch_persons", "rasch_iterations",
                "rasch_log_likelihood", "separation_reliability", "andersen_lr", "andersen_df", "andersen_p",
                "andersen_items", "andersen_note", "dif_groups", "dif_note", "flags_note", "by", "andersen_by_lr",
                "andersen_by_df", "andersen_by_p", "andersen_by_items", "andersen_by_note"});
    for (const TestAnalysis &a : tests) {
        const TestData &d = *a.test;
        t << d.archive_crc32 << count_text(d.archive_bytes) << std::to_string(d.items)
          << (d.from_archive ? "archive" : "sessions") << std::to_string(d.sessions.size())
          << std::to_string(a.complete_sessions) << std::to_string(a.analysed_items);
        const bool any = a.classical.persons > 0;
        t << (any ? number_text(a.classical.mean_score, 3) : "")
          << (any ? number_text(std::sqrt(a.classical.score_variance), 3) : "") << number_text(a.classical.kr20, 4)
          << (a.rasch.fitted ? "fitted" : a.rasch.problem) << std::to_string(a.rasch.persons_used)
          << std::to_string(a.rasch.iterations) << (a.rasch.fitted ? number_text(a.rasch.log_likelihood, 4) : "");
        const LikelihoodRatioTest &lr = a.andersen;
        t << (a.rasch.fitted ? number_text(a.fit.separation_reliability, 4) : "")
          << (lr.done ? number_text(lr.lr, 4) : "") << (lr.done ? number_text(lr.df, 0) : "")
          << (lr.done ? number_text(lr.p, 4) : "") << (lr.done ? std::to_string(lr.items.size()) : "")
          << (lr.done ? "" : a.rasch.fitted ? lr.problem : "the Rasch model is not fitted") << a.dif_groups
          << a.dif_problem << a.flag_note;
        const LikelihoodRatioTest &by = a.andersen_by;
        t << a.by << (by.done ? number_text(by.lr, 4) : "") << (by.done ? number_text(by.df, 0) : "")
          << (by.done ? number_text(by.p, 4) : "") << (by.done ? std::to_string(by.items.size()) : "")
          << (by.done || a.by.empty() ? "" : a.rasch.fitted ? by.problem : "the Rasch model is not fitted");
        t.end_row();
    }
    return t;
}

CsvTable sessions_table(const std::vector<TestAnalysis> &tests)
{
    CsvTable t({"test", "session", "participant", "source", "date", "started", "build", "version", "items",
                "answered", "score", "wrong", "score_without_training", "ended_by", "total_ms",
                "median_rt_ms", "fast_answers", "refused_training", "resumes", "ability", "ability_se", "file",
                "note", "ability_items", "ability_basis", "infit", "infit_t", "outfit", "outfit_t", "dif_group",
                "not_reached"});
    for (const TestAnalysis &a : tests)
        for (size_t v = 0; v < a.sessions.size(); v++) {
            const SessionRow &r = a.sessions[v];
            const Session &s = *r.session;
            t << s.archive_crc32 << s.session_id << s.participant << s.source << date_of(s.started) << s.started
              << s.build << s.version << std::to_string(s.items) << std::to_string(s.responses.size())
              << std::to_string(r.score) << std::to_string(int(s.responses.size()) - r.score)
              << std::to_string(r.score_without_training) << s.ended_by
              << count_text(s.total_ms) << number_text(r.median_rt_ms, 0) << count_text(r.fast_answers)
              << count_text(r.refused_training) << std::to_string(s.resumes) << number_text(r.ability, 4)
              << number_text(r.ability_se, 4) << s.file << s.note << std::to_string(r.ability_items)
              << (std::isnan(r.ability) ? "" : r.partial ? "partial" : "complete");
            fit_fields(t, r.fit);
            const int g = v < a.group_of.size() ? a.group_of[v] : -1;
            t << (g >= 0 ? a.group_names[size_t(g)] : "");
            t << std::to_string(s.not_reached());  // a time limit's, apart from wrong
            t.end_row();
        }
    return t;
}

CsvTable responses_table(const std::vector<TestAnalysis> &tests)
{
    CsvTable t({"test", "session", "participant", "item", "answered", "right", "digit", "cell", "correct_cell",
                "rt_ms", "first_digit_ms", "previews", "refusals"});
    for (const TestAnalysis &a : tests)
        for (const SessionRow &row : a.sessions) {
            const Session &s = *row.session;
            const bool journal = s.source == "journal";
            size_t next = 0;
            for (int item = 1; item <= s.items; item++) {
                t << s.archive_crc32 << s.session_id << s.participant << std::to_string(item);
                if (next < s.responses.size() && s.responses[next].item == item) {
                    const Response &r = s.responses[next++];
                    t << "1" << (r.right ? "1" : "0") << count_text(r.digit ? r.digit : -1)
                      << count_text(r.cell ? r.cell : -1) << count_text(r.correct_cell ? r.correct_cell : -1)
                      << count_text(r.rt_ms) << count_text(r.first_digit_ms) << count_text(journal ? r.previews : -1)
                      << count_text(journal ? r.refusals : -1);
                } else {
                    t << "0" << "" << "" << "" << "" << "" << "" << "" << "";
                }
                t.end_row();
            }
        }
    return t;
}

CsvTable items_table(const std::vector<TestAnalysis> &tests)
{
    std::vector<std::string_view> columns = {"test", "item", "text", "training", "answers", "right", "p", "r_it",
                                             "rasch_b", "rasch_se", "correct_cell", "cells", "answers_with_cell"};
    static const char *shares[9] = {"share_cell1", "share_cell2", "share_cell3", "share_cell4", "share_cell5",
                                    "share_cell6", "share_cell7", "share_cell8", "share_cell9"};
    columns.insert(columns.end(), shares, shares + 9);
    for (const char *c : {"median_rt_right_ms", "median_rt_wrong_ms", "previews", "refusals", "flags", "fit_n",
                          "infit", "infit_t", "outfit", "outfit_t", "andersen_z", "dif_odds_ratio", "dif_delta",
                          "dif_chi2", "dif_p", "dif_ets", "andersen_by_z"})
        columns.push_back(c);
    CsvTable t(columns);
    for (const TestAnalysis &a : tests)
        for (const ItemRow &r : a.items) {
            t << a.test->archive_crc32 << std::to_string(r.item) << r.text << (r.training ? "1" : "0")
              << std::to_string(r.answers) << std::to_string(r.right) << number_text(r.p, 4) << number_text(r.r_it, 4)
              << number_text(r.b, 4) << number_text(r.b_se, 4) << count_text(r.correct_cell ? r.correct_cell : -1)
              << cell_list(r.cells) << std::to_string(r.cell_answers);
            for (int c = 0; c < 9; c++) {
                const bool shown = (r.cells >> c & 1) && r.cell_answers > 0;
                t << (shown ? number_text(double(r.chosen[size_t(c)]) / r.cell_answers, 4) : "");
            }
            t << number_text(r.median_rt_right, 0) << number_text(r.median_rt_wrong, 0) << std::to_string(r.previews)
              << std::to_string(r.refusals) << joined(r.flags, "; ") << (r.fit.n ? std::to_string(r.fit.n) : "");
            fit_fields(t, r.fit);
            const bool dif = r.dif.ets != EtsClass::none;
            t << number_text(r.andersen_z, 3) << (dif ? number_text(r.dif.odds_ratio, 4) : "")
              << (dif ? number_text(r.dif.delta, 4) : "") << (dif ? number_text(r.dif.chi2, 4) : "")
              << (dif ? number_text(r.dif.p, 4) : "") << ets_name(r.dif.ets) << number_text(r.andersen_by_z, 3);
            t.end_row();
        }
    return t;
}

CsvTable scores_table(const std::vector<TestAnalysis> &tests)
{
    CsvTable t({"test", "score", "ability", "ability_se", "ability_mle", "ability_mle_se", "information",
                "complete_sessions"});
    for (const TestAnalysis &a : tests) {
        std::vector<double> b;
        for (double d : a.rasch.b)
            if (!std::isnan(d))
                b.push_back(d);
        for (const ScoreRow &r : a.score_table) {
            t << a.test->archive_crc32 << std::to_string(r.score) << number_text(r.warm.theta, 4)
              << number_text(r.warm.se, 4) << number_text(r.mle.theta, 4) << number_text(r.mle.se, 4)
              << number_text(test_information(b, r.warm.theta), 4) << std::to_string(r.sessions);
            t.end_row();
        }
    }
    return t;
}

CsvTable distractors_table(const std::vector<TestAnalysis> &tests)
{
    std::vector<std::string_view> columns = {"test", "item", "score_group", "scores", "correct_cell", "answers"};
    static const char *shares[9] = {"share_cell1", "share_cell2", "share_cell3", "share_cell4", "share_cell5",
                                    "share_cell6", "share_cell7", "share_cell8", "share_cell9"};
    columns.insert(columns.end(), shares, shares + 9);
    CsvTable t(columns);
    for (const TestAnalysis &a : tests)
        for (const ItemRow &r : a.items) {
            if (r.training)
                continue;
            for (int g = 0; g < score_groups; g++) {
                const int n = r.group_answers[size_t(g)];
                t << a.test->archive_crc32 << std::to_string(r.item) << score_group_name(g)
                  << score_range(a, g) << count_text(r.correct_cell ? r.correct_cell : -1) << std::to_string(n);
                for (int c = 0; c < 9; c++)
                    t << ((r.cells >> c & 1) && n > 0 ? number_text(double(r.group_chosen[size_t(g)][size_t(c)]) / n, 4)
                                                      : "");
                t.end_row();
            }
        }
    return t;
}

const char *score_group_name(int g)
{
    static const char *names[score_groups] = {"low", "middle", "high"};
    return names[g];
}

std::string score_range(const TestAnalysis &a, int g)
{
    const int lo = a.group_bounds[size_t(g)], hi = a.group_bounds[size_t(g + 1)] - 1;
    if (hi < lo)
        return "";
    return lo == hi ? std::to_string(lo) : std::to_string(lo) + "-" + std::to_string(hi);
}

std::vector<std::string> write_csv_tables(const std::vector<TestAnalysis> &tests, const std::string &dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw Error("cannot make the folder " + dir + ": " + ec.message());
    std::vector<std::string> names;
    for (const CsvFile &f : csv_files) {
        write_whole_file(dir + "/" + f.name, f.make(tests).text());
        names.push_back(f.name);
    }
    return names;
}

const std::vector<CsvFile> csv_files = {{"tests.csv", tests_table},   {"sessions.csv", sessions_table},
                                        {"responses.csv", responses_table}, {"items.csv", items_table},
                                        {"scores.csv", scores_table}, {"distractors.csv", distractors_table}};

}  // namespace report
