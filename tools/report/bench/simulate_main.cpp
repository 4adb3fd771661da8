// report_simulate: a folder of simulated session journals, as PCs running
// the test would leave them: mostly complete sessions, some ended with Esc
// or a closed window, some stopped mid-row, some resumed.
#include "report/archive_items.h"
#include "report/error.h"
#include "report/output.h"
#include "tools/report/sim/simulate.h"
#include "host/archive_file.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string_view>
#include <filesystem>
#include <iostream>

int main(int argc, char **argv)
{
    CLI::App app{"report_simulate: simulated session journals for meridoka-report"};
    int sessions = 1000, items = 60, pcs = 10;
    uint64_t seed = 1;
    std::string out, archive;
    report::sim::Population pop;
    app.add_option("-n,--sessions", sessions, "Sessions to write")->check(CLI::PositiveNumber);
    app.add_option("--items", items, "Items of the simulated test (without --archive)")->check(CLI::Range(1, 1000));
    app.add_option("--archive", archive, "Simulate the test of this MERIDOKA.WDL instead");
    app.add_option("--pcs", pcs, "Spread the journals over this many PC folders")->check(CLI::PositiveNumber);
    app.add_option("--seed", seed, "Random seed");
    app.add_option("--mean", pop.mean, "Mean ability (logits)");
    bool complete = false;
    std::vector<std::string> builds;
    app.add_flag("--complete", complete, "Every session answers every item (none stopped or ended early)");
    app.add_option("--builds", builds, "Builds of the runner the sessions come from, in turn (e.g. win32,dos)")
        ->delimiter(',');
    app.add_option("-o,--output", out, "Folder to write (pc01/S0000001.CSV ...)")->required();
    CLI11_PARSE(app, argc, argv);
    if (complete)
        pop.esc_share = pop.closed_share = pop.stopped_share = pop.resumed_share = 0;
    try {
        report::sim::SimTest test;
        if (archive.empty()) {
            test = report::sim::make_test(items, seed);
        } else {
            const std::vector<uint8_t> bytes = host::read_file(archive);
            test = report::sim::test_from_definition(
                report::read_test_definition(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()),
                                             archive),
                seed);
        }
        report::sim::Random rng(seed * 7919 + 1);
        std::vector<int> next(size_t(pcs), 1);
        for (int i = 0; i < sessions; i++) {
            const int pc = i % pcs;
            char dir[16], name[16];
            std::snprintf(dir, sizeof dir, "pc%02d", pc + 1);
            std::snprintf(name, sizeof name, "S%07d.CSV", next[size_t(pc)]++);
            std::filesystem::create_directories(out + "/" + dir);
            report::sim::SessionPlan plan = report::sim::plan_session(test, pop, rng, i + 1);
            if (!builds.empty())
                plan.start.build = builds[size_t(i) % builds.size()];
            report::write_whole_file(out + "/" + dir + "/" + name, report::sim::write_journal(test, plan));
        }
        std::cout << "wrote " << sessions << " journals of a " << test.items.size() << "-item test (archive "
                  << test.archive_crc32 << ") into " << out << "\n";
    } catch (const std::exception &e) {
        std::cerr << "report_simulate: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
