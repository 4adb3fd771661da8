// meridoka-headless: takes a whole test from an archive and a scenario
// script without a display, writing the screenshots the script asks for
// ("%08u.bmp", as the F12 key does), the session journal and the result
// file.
//
//   meridoka-headless [--dos-results] [--dir DIR] [--session-id HEX16]
//                     [--start-time YYYY-MM-DDThh:mm:ss] [--commit-ms N] SCENARIO [OPTION...]
//   meridoka-headless --version
//
// DIR (default: the current directory) holds MERIDOKA.WDL and receives the
// output. The options after the scenario are the program's own (/P:ID, /R,
// /R:FILE, /?, or their long forms). --session-id and --start-time fix the
// session ID and the local time at the simulated clock's start, so that a
// journal comes out the same byte for byte. --commit-ms makes every commit
// take N ms of the simulated clock, the scenario going on meanwhile (a slow
// disk). The exit status is the program's own (0 to 4).
#include "headless/headless.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "frontend/screenshot.h"
#include "posix/arguments.h"
#include "runner/runner.h"

static const char usage[] =
    "usage: meridoka-headless [--dos-results] [--dir DIR] [--session-id HEX16] "
    "[--start-time YYYY-MM-DDThh:mm:ss] [--commit-ms N] SCENARIO [OPTION...]\n";

// Numbered as the F12 key numbers them.
static void save_screen(const headless::Screen &screen)
{
    std::vector<uint8_t> bmp = headless::screen_bmp(screen);
    screenshot_save(bmp.data(), uint32_t(bmp.size()));
}

static bool hex16(const std::string &s)
{
    return s.size() == 16 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

int main(int argc, char **argv)
{
    bool dos = false;
    const char *dir = nullptr, *scenario = nullptr;
    std::string session_id;
    int64_t start_time = -1;
    uint32_t commit_ms = 0;
    int i = 1;
    for (; i < argc && !scenario; i++) {
        bool value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--version")) {
            std::cout << "meridoka-headless " MERIDOKA_VERSION "\n";
            return 0;
        }
        if (!std::strcmp(argv[i], "--dos-results")) {
            dos = true;
        } else if (!std::strcmp(argv[i], "--dir") && value) {
            dir = argv[++i];
        } else if (!std::strcmp(argv[i], "--session-id") && value && hex16(argv[i + 1])) {
            session_id = argv[++i];
        } else if (!std::strcmp(argv[i], "--start-time") && value &&
                   (start_time = headless::parse_local_time(argv[i + 1])) >= 0) {
            i++;
        } else if (!std::strcmp(argv[i], "--commit-ms") && value && std::strspn(argv[i + 1], "0123456789") ==
                   std::strlen(argv[i + 1]) && std::strlen(argv[i + 1]) - 1 < 6) {
            commit_ms = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (argv[i][0] != '-') {
            scenario = argv[i];
        } else {
            std::cerr << usage;
            return 64;
        }
    }
    if (!scenario) {
        std::cerr << usage;
        return 64;
    }
    // the rest belongs to the program, as if typed after its name
    std::string arguments = join_arguments(argc - i + 1, argv + i - 1);
    std::ifstream in(scenario);
    if (!in) {
        std::cerr << "meridoka-headless: cannot read " << scenario << "\n";
        return 66;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<headless::Step> steps;
    try {
        steps = headless::parse_scenario(text.str());
    } catch (const std::exception &e) {
        std::cerr << "meridoka-headless: " << scenario << ": " << e.what() << "\n";
        return 65;
    }
    if (dir && chdir(dir) != 0) {
        std::cerr << "meridoka-headless: cannot enter " << dir << "\n";
        return 66;
    }

    headless::Run &run = headless::reset(steps);
    run.dos_results = dos;
    run.arguments = arguments;
    run.session_id = session_id;
    run.commit_ms = commit_ms;
    if (start_time >= 0)
        run.start_time = start_time;
    int status = program_main();
    for (const auto &shot : run.shots)
        save_screen(shot);
    for (const auto &e : run.errors)
        std::cerr << e;
    if (run.script_ran_out)
        std::cerr << "meridoka-headless: the scenario ended before the test did (taken as a closed window)\n";
    return status;
}
