// meridoka-headless: takes a whole test from an archive and a scenario
// script without a display, writing the screenshots the script asks for
// ("%08u.bmp", as the F12 key does) and the result file.
//
//   meridoka-headless [--dos-results] [--dir DIR] SCENARIO
//   meridoka-headless --version
//
// DIR (default: the current directory) holds MERIDOKA.WDL and receives the
// output. The exit status is the program's own (0, 1 or 2).
#include "headless/headless.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/screenshot.h"
#include "runner/runner.h"

// Numbered as the F12 key numbers them.
static void save_screen(const headless::Screen &screen)
{
    std::vector<uint8_t> bmp = headless::screen_bmp(screen);
    screenshot_save(bmp.data(), uint32_t(bmp.size()));
}

int main(int argc, char **argv)
{
    bool dos = false;
    const char *dir = nullptr, *scenario = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--version")) {
            std::cout << "meridoka-headless " MERIDOKA_VERSION "\n";
            return 0;
        }
        if (!std::strcmp(argv[i], "--dos-results"))
            dos = true;
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!scenario && argv[i][0] != '-')
            scenario = argv[i];
        else {
            std::cerr << "usage: meridoka-headless [--dos-results] [--dir DIR] SCENARIO\n";
            return 64;
        }
    }
    if (!scenario) {
        std::cerr << "usage: meridoka-headless [--dos-results] [--dir DIR] SCENARIO\n";
        return 64;
    }
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
    int status = program_main();
    for (const auto &shot : run.shots)
        save_screen(shot);
    for (const auto &e : run.errors)
        std::cerr << e;
    if (run.script_ran_out)
        std::cerr << "meridoka-headless: the scenario ended before the test did (taken as a closed window)\n";
    return status;
}
