#include "tools/report/pdf_print.h"

#include "report/error.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

extern char **environ;

namespace report {

namespace {

namespace fs = std::filesystem;

std::string on_path(const char *name)
{
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t from = 0;
    while (from <= dirs.size()) {
        const size_t colon = std::min(dirs.find(':', from), dirs.size());
        const fs::path p = fs::path(dirs.substr(from, colon - from)) / name;
        std::error_code ec;
        if (fs::is_regular_file(p, ec))
            return p.string();
        from = colon + 1;
    }
    return {};
}

}  // namespace

void print_to_pdf(const std::string &html, const std::string &pdf)
{
    std::string browser;
    for (const char *name : {"chromium", "chromium-browser"})
        if (browser.empty())
            browser = on_path(name);
    if (browser.empty())
        throw Error("--pdf prints through headless Chromium, which is not installed here (Debian: apt-get install "
                    "chromium); the page " + html + " was written, print it from a browser");
    // a profile of its own: another Chromium running never locks this one out
    char profile[] = "/tmp/meridoka-print-XXXXXX";
    if (!mkdtemp(profile))
        throw Error("no temporary folder for Chromium's profile");
    const std::string url = "file://" + fs::absolute(html).string();
    std::vector<std::string> args = {browser, "--headless", "--no-sandbox", "--disable-gpu",
                                     "--no-pdf-header-footer", std::string("--user-data-dir=") + profile,
                                     "--print-to-pdf=" + fs::absolute(pdf).string(), url};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;  // its D-Bus and GPU chatter is not ours to show
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    std::error_code ec;
    fs::remove(pdf, ec);
    const int spawned = posix_spawn(&pid, browser.c_str(), &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    if (spawned == 0)
        waitpid(pid, &status, 0);
    fs::remove_all(profile, ec);
    std::ifstream in(pdf, std::ios::binary);
    char head[5] = {};
    in.read(head, 4);
    if (spawned != 0 || std::string(head) != "%PDF")
        throw Error("headless Chromium (" + browser + ") did not print " + html + " to " + pdf +
                    "; the page was written, print it from a browser");
}

}  // namespace report
