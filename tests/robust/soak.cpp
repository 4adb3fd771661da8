// Random-scenario soak: many whole runs of the program in-process on the
// headless platform, each with a random key script (digits, Enter, Esc,
// other keys, F12, closing, keys pressed while busy) on the sample test or
// on a generated test of 1 to 300 items. Each run is checked against the
// model of what the keys must bring (runner_model.h):
//   - the status is 0 and robust::common_failures holds (blocks freed ...)
//   - the run used the script steps and took the screenshots the model
//     says; saved as F12 saves them, they are numbered from 1 without gaps
//   - a result file exists exactly when an item was answered; it lists
//     every item, marked as the model marks it, and totals that agree
//   - the session's journal reads back undamaged and holds every
//     confirmed answer, right or wrong as the model says
//
//   soak [--runs N] [--seed S] [--first I] [--sample ARCHIVE] [--show]
//
// Run I of seed S is the same wherever it runs: a failure prints its seed
// and run number, and "--seed S --first I --runs 1 --show" replays it and
// prints its script.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "frontend/screenshot.h"
#include "runner/journal.h"
#include "runner/runner.h"
#include "tests/robust/program_run.h"
#include "tests/robust/soak_tests.h"
#include "tests/unit/support.h"

namespace {

using namespace robust;
using headless::Action;
using headless::Step;

// ---- random scripts --------------------------------------------------------

uint8_t random_scan(Rng &rng)
{
    static const uint8_t others[] = {57, 30, 59, 11, 88};  // space, a, F1, 0, F12 as a plain key
    switch (rng.below(10)) {
    case 0: case 1: case 2: case 3: return uint8_t(2 + rng.below(4));  // digits 1..4
    case 4: case 5: return uint8_t(2 + rng.below(9));                   // digits 1..9
    case 6: return key_enter;
    case 7: return key_esc;
    case 8: return others[rng.below(sizeof others)];
    default: return uint8_t(1 + rng.below(127));
    }
}

Step random_step(Rng &rng)
{
    const unsigned n = rng.below(100);
    if (n < 38)
        return {Action::key, uint8_t(2 + rng.below(n < 20 ? 4 : 9))};
    if (n < 60)
        return {Action::key, key_enter};
    if (n < 63)
        return {Action::key, key_esc};
    if (n < 72)
        return {Action::key, random_scan(rng)};
    if (n < 77)
        return {Action::shot};
    if (n < 78)
        return {Action::close};
    return {Action::busy, random_scan(rng)};
}

// A quarter of the scripts are keys at random; the rest are a person
// working through the test, mostly right, with slips between the answers.
std::vector<Step> random_script(Rng &rng, const SoakTest &test)
{
    std::vector<Step> s;
    if (rng.below(4) == 0) {
        for (unsigned n = rng.below(80); n > 0; n--)
            s.push_back(random_step(rng));
        return s;
    }
    if (test.has_intro)
        s.push_back({Action::key, 57});
    const size_t count = test.items.size();
    const size_t tries = rng.percent(30) ? count + 2 : rng.below(unsigned(count) + 3);
    const unsigned slips = rng.below(30), right = 50 + rng.below(51);
    for (size_t k = 0; k < tries; k++) {
        while (rng.percent(slips))
            s.push_back(random_step(rng));
        const int answer = test.items[k < count ? k : count - 1].answer;
        s.push_back({Action::key, uint8_t(1 + (rng.percent(right) ? answer : 1 + int(rng.below(9))))});
        s.push_back(rng.percent(90) ? Step{Action::key, key_enter} : random_step(rng));
    }
    switch (rng.below(4)) {
    case 0: s.push_back({Action::key, key_esc}); break;
    case 1: s.push_back({Action::close}); break;
    case 2: break;  // the script runs out
    default:
        for (unsigned n = rng.below(10); n > 0; n--)
            s.push_back(random_step(rng));
    }
    return s;
}

std::string scenario_text(const std::vector<Step> &script)
{
    std::string out;
    for (const Step &s : script) {
        switch (s.action) {
        case Action::key: out += "key #" + std::to_string(s.scan) + "\n"; break;
        case Action::busy: out += "busy #" + std::to_string(s.scan) + "\n"; break;
        case Action::shot: out += "shot\n"; break;
        case Action::close: out += "close\n"; break;
        case Action::wait: out += "wait " + std::to_string(s.ms) + "\n"; break;
        }
    }
    return out;
}

// ---- checks ---------------------------------------------------------------

std::string shot_name(size_t n)
{
    char name[32];
    snprintf(name, sizeof name, "%08zu.bmp", n);
    return name;
}

// Saves the run's screenshots as F12 saves them and checks their numbers.
std::string screenshot_failures(const headless::Run &run)
{
    for (const headless::Screen &shot : run.shots) {
        std::vector<uint8_t> bmp = headless::screen_bmp(shot);
        if (!screenshot_save(bmp.data(), uint32_t(bmp.size())))
            return "a screenshot was not saved; ";
    }
    for (size_t n = 1; n <= run.shots.size(); n++) {
        std::error_code error;
        if (std::filesystem::file_size(shot_name(n), error) != 62 + 38400)
            return shot_name(n) + " missing or of the wrong size; ";
    }
    if (std::filesystem::exists(shot_name(run.shots.size() + 1)))
        return "more screenshot files than screenshots; ";
    return "";
}

std::vector<std::string> lines_of(const std::vector<uint8_t> &bytes)
{
    std::vector<std::string> lines;
    std::string text(bytes.begin(), bytes.end()), line;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The result file against the model: heading, blank line, one line per
// item, blank line, totals.
std::string result_failures(const SoakTest &test, const Expected &want)
{
    const std::vector<std::string> lines = lines_of(support::read_file(result_file_name()));
    const size_t count = test.items.size();
    if (lines.size() != count + 4)
        return "result file of " + std::to_string(lines.size()) + " lines, want " + std::to_string(count + 4) + "; ";
    if (!lines[1].empty() || !lines[count + 2].empty())
        return "result file without its blank lines; ";
    size_t right = 0;
    for (size_t i = 0; i < count; i++) {
        const char mark = i >= want.right.size() ? ' ' : want.right[i] ? '+' : '-';
        right += i < want.right.size() && want.right[i];
        const std::string &line = lines[i + 2];
        if (line.compare(0, 4, std::string(1, mark) + " | ") != 0 ||
            (!test.texts[i].empty() && line.substr(4) != test.texts[i]))
            return "result line " + std::to_string(i + 3) + " '" + line + "', want mark '" + mark + "'; ";
    }
    const size_t answered = want.right.size();
    const std::string totals = " " + std::to_string(right) + "(+) " + std::to_string(answered - right) + "(-) (" +
                               std::to_string(answered) + "/" + std::to_string(count) + ")";
    const std::string &last = lines.back();
    if (last.size() < totals.size() || last.compare(last.size() - totals.size(), totals.size(), totals) != 0)
        return "totals '" + last + "', want '..." + totals + "'; ";
    return "";
}

// The session's journal: it reads back whole, with every confirmed answer.
std::string journal_failures(const Expected &want)
{
    const char *name = "S0000001.CSV";
    FileHandle f = file_open(name, "rb");
    if (!f)
        return want.right.empty() ? "" : "no journal; ";
    std::vector<uint8_t> answers(want.right.size() + 1, 0xEE);
    JournalScan scan;
    journal_scan(f, &scan, answers.data(), uint32_t(answers.size()));
    file_close(f);
    if (scan.damaged)
        return "journal damaged at line " + std::to_string(scan.damaged) + "; ";
    if (scan.answered != want.right.size())
        return "journal holds " + std::to_string(scan.answered) + " answers, want " +
               std::to_string(want.right.size()) + "; ";
    for (size_t i = 0; i < want.right.size(); i++)
        if (answers[i] != want.right[i])
            return "journal answer " + std::to_string(i + 1) + " marked wrongly; ";
    return "";
}

std::string run_failures(const SoakTest &test, const std::vector<Step> &script, const Outcome &out,
                         const Expected &want)
{
    const headless::Run &run = headless::current();
    std::string failed = common_failures(out);
    if (out.status != status_ran)
        failed += "status " + std::to_string(out.status) + " on a sound archive; ";
    if (run.next != want.steps_used)
        failed += "used " + std::to_string(run.next) + " of " + std::to_string(script.size()) +
                  " script steps, want " + std::to_string(want.steps_used) + "; ";
    if (run.shots.size() != want.shots)
        failed += std::to_string(run.shots.size()) + " screenshots, want " + std::to_string(want.shots) + "; ";
    failed += screenshot_failures(run);
    failed += journal_failures(want);
    if (out.result_file != !want.right.empty())
        failed += out.result_file ? "a result file, but no item was answered; " : "no result file; ";
    else if (out.result_file)
        failed += result_failures(test, want);
    return failed;
}

// ---- the soak -------------------------------------------------------------

struct Options {
    unsigned long runs = 1000, first = 0;
    uint64_t seed = 0;
    bool seeded = false, show = false;
    std::string sample;
};

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--runs" && value)
            o.runs = strtoul(argv[++i], nullptr, 10);
        else if (a == "--first" && value)
            o.first = strtoul(argv[++i], nullptr, 10);
        else if (a == "--seed" && value)
            o.seed = strtoull(argv[++i], nullptr, 10), o.seeded = true;
        else if (a == "--sample" && value)
            o.sample = argv[++i];
        else if (a == "--show")
            o.show = true;
        else
            return false;
    }
    return true;
}

// The generated tests of a seed: the extremes and a spread between them.
std::vector<SoakTest> make_tests(const Options &o, const std::string &root)
{
    std::vector<SoakTest> tests;
    if (!o.sample.empty())
        tests.push_back(sample_test(o.sample, root + "/sample"));
    Rng rng(o.seed);
    std::vector<int> counts = {1, 2, 3, 4, 300};
    for (int i = 0; i < 7; i++)
        counts.push_back(5 + int(rng.below(295)));
    for (int count : counts)
        tests.push_back(generated_test(rng, count, root + "/gen" + std::to_string(tests.size())));
    return tests;
}

struct Figures {
    unsigned long runs = 0, failed = 0, results = 0, finished = 0, closed = 0, answered = 0, shots = 0, steps = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        fprintf(stderr, "usage: soak [--runs N] [--seed S] [--first I] [--sample ARCHIVE] [--show]\n");
        return 64;
    }
    if (!o.seeded)
        o.seed = uint64_t(time(nullptr)) * 1000003u ^ uint64_t(getpid());
    if (!o.sample.empty())
        o.sample = std::filesystem::absolute(o.sample);
    char root[] = "/tmp/meridoka-soak-XXXXXX";
    if (!mkdtemp(root)) {
        perror("mkdtemp");
        return 2;
    }
    const std::vector<SoakTest> tests = make_tests(o, root);
    printf("soak: seed %llu, runs %lu..%lu, %zu tests\n", (unsigned long long)o.seed, o.first,
           o.first + o.runs - 1, tests.size());
    fflush(stdout);

    Figures f;
    const time_t start = time(nullptr);
    for (unsigned long i = o.first; i < o.first + o.runs; i++) {
        Rng rng(o.seed ^ (i + 1) * 0xD1B54A32D192ED03ull);
        // the sample as often as all generated tests together
        const SoakTest &test = !o.sample.empty() && rng.below(2) ? tests[0] : tests[rng.below(unsigned(tests.size()))];
        const std::vector<Step> script = random_script(rng, test);
        const Expected want = expected_run(test.items, test.has_intro, script);

        std::filesystem::current_path(test.dir);
        for (const auto &entry : std::filesystem::directory_iterator("."))
            if (entry.path().extension() == ".bmp")
                std::filesystem::remove(entry.path());
        const Outcome out = run_program(script);
        const std::string failed = run_failures(test, script, out, want);

        f.runs++;
        f.results += out.result_file;
        f.finished += want.right.size() == test.items.size();
        f.closed += want.closed;
        f.answered += want.right.size();
        f.shots += want.shots;
        f.steps += script.size();
        if (o.show)
            printf("run %lu on %s:\n%s", i, test.label.c_str(), scenario_text(script).c_str());
        if (!failed.empty()) {
            f.failed++;
            if (f.failed <= 10)
                fprintf(stderr, "soak: run %lu of seed %llu on %s failed: %s\n  replay: soak --seed %llu --first %lu "
                        "--runs 1 --show%s%s\n", i, (unsigned long long)o.seed, test.label.c_str(), failed.c_str(),
                        (unsigned long long)o.seed, i, o.sample.empty() ? "" : " --sample ", o.sample.c_str());
        }
        // a long soak says how far it is every 10,000 runs
        if (f.runs % 10000 == 0 && f.runs < o.runs)
            fprintf(stderr, "soak: %lu of %lu runs, %lu failed, %ld s\n", f.runs, o.runs, f.failed,
                    long(time(nullptr) - start));
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(root);

    printf("soak: %lu runs in %ld s, %lu failed (seed %llu)\n", f.runs, long(time(nullptr) - start), f.failed,
           (unsigned long long)o.seed);
    printf("  %lu script steps, %lu items answered, %lu tests finished, %lu result files, %lu screenshots, "
           "%lu closed windows or scripts run out\n", f.steps, f.answered, f.finished, f.results, f.shots, f.closed);
    return f.failed ? 1 : 0;
}
