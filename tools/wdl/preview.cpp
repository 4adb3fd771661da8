// wdl preview: the screen exactly as the runner draws it, taken by running
// the runner itself on the headless platform over a copy of the archive.
#include "tools/wdl/commands.h"

#include "host/error.h"
#include "headless/headless.h"
#include "posix/files_folder.h"
#include "runner/runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

// Runs fn(folder) with the runner's files in a fresh temporary folder, which
// is removed afterwards even on errors. The process's working folder stays.
template <class Fn>
void in_temp_folder(Fn fn)
{
    char tmpl[] = "/tmp/wdl-preview-XXXXXX";
    if (!mkdtemp(tmpl))
        throw Error(std::string("cannot make a temporary folder: ") + std::strerror(errno));
    const std::string dir = tmpl;
    const int fd = open(tmpl, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    auto cleanup = [&] {
        files_folder_set(AT_FDCWD);
        if (fd >= 0)
            close(fd);
        // the archive, the result file and the run's session journal
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    };
    try {
        if (fd < 0)
            throw Error(dir + ": cannot open");
        files_folder_set(fd);
        fn(dir);
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
}

}  // namespace

std::vector<uint8_t> preview_screen(const std::vector<uint8_t> &archive, int item)
{
    const std::vector<StoredEntry> entries = read_archive(archive, "the archive");
    const Test test = test_from_archive(entries, "the archive");
    const bool intro = test.has_instruction;
    if (item == 0 && !intro)
        throw Error("the archive has no instruction text (TESTTEXT), so there is no instruction screen");
    if (item < 0 || size_t(item) > test.items.size())
        throw Error("there is no item " + std::to_string(item) + "; the test has " +
                    std::to_string(test.items.size()) + " items (counted from 1)");

    // leave the instruction with a space, then answer every earlier item right
    std::vector<headless::Step> script;
    if (item > 0) {
        if (intro)
            script.push_back({headless::Action::key, uint8_t(headless::scan_code("space"))});
        for (int k = 0; k + 1 < item; k++) {
            // the digit keys' codes follow each other from "1" (a damaged answer byte gives some other key)
            const int key = headless::scan_code("1") + test.items[size_t(k)].answer - 1;
            script.push_back({headless::Action::key, uint8_t(key)});
            script.push_back({headless::Action::key, uint8_t(headless::scan_code("enter"))});
        }
    }
    const size_t expected_waits = (intro ? 1 : 0) + (item > 0 ? 2 * size_t(item - 1) + 1 : 0);

    std::vector<uint8_t> screen;
    in_temp_folder([&](const std::string &dir) {
        FILE *f = std::fopen((dir + "/MERIDOKA.WDL").c_str(), "wb");
        if (!f || std::fwrite(archive.data(), 1, archive.size(), f) != archive.size() || std::fclose(f) != 0)
            throw Error("cannot write a copy of the archive into a temporary folder");
        headless::Run &run = headless::reset(script);
        const int status = program_main();
        if (status != 0)
            throw Error("the runner could not start on this archive (exit status " + std::to_string(status) +
                        "); run wdl check");
        if (run.waits.size() < expected_waits)
            throw Error("the runner did not reach item " + std::to_string(item) + "; run wdl check");
        screen = run.waits[expected_waits - 1];
    });
    return screen;
}

void preview_command(const std::string &archive, int item, const std::string &png)
{
    const std::vector<uint8_t> screen = preview_screen(read_file(archive), item);
    Picture p;
    p.width = 640;
    p.height = 480;
    p.white.resize(640 * 480);
    for (size_t i = 0; i < p.white.size(); i++)
        p.white[i] = (screen[i / 8] >> (7 - i % 8)) & 1;
    write_png(png, p);
}

}  // namespace wdl
