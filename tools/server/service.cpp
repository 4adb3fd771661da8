#include "tools/server/service.h"

#include "store/error.h"

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

namespace server {

namespace {
bool ends_with(const std::string &s, const char *end)
{
    const std::string e(end);
    return s.size() > e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

// The connections not lent, and how many more may be opened.
std::mutex pool_mutex;
std::condition_variable pool_returned;
std::vector<std::unique_ptr<store::Store>> pool_idle;
int pool_open = 0;
std::mutex log_mutex;
}  // namespace

StoreLease::StoreLease(const Settings &settings)
{
    std::unique_lock<std::mutex> lock(pool_mutex);
    pool_returned.wait(lock, [&] { return !pool_idle.empty() || pool_open < settings.connections; });
    if (!pool_idle.empty()) {
        store_ = std::move(pool_idle.back());
        pool_idle.pop_back();
        return;
    }
    pool_open++;
    lock.unlock();
    try {
        store_ = std::make_unique<store::Store>(settings.store, store::Store::Mode::write, 5000, true);
    } catch (...) {
        lock.lock();
        pool_open--;
        pool_returned.notify_one();
        throw;
    }
}

StoreLease::~StoreLease()
{
    std::lock_guard<std::mutex> lock(pool_mutex);
    if (store_)
        pool_idle.push_back(std::move(store_));
    else
        pool_open--;
    pool_returned.notify_one();
}

int64_t unix_now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void log_line(const std::string &line)
{
    const std::time_t t = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&t));
    std::lock_guard<std::mutex> lock(log_mutex);
    std::cerr << stamp << ' ' << line << '\n';
}

PageFiles read_page_files(const std::string &folder)
{
    namespace fs = std::filesystem;
    PageFiles files;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const bool page_file = ends_with(name, ".html") || ends_with(name, ".js") || ends_with(name, ".wasm") ||
                               ends_with(name, ".css");
        if (!page_file || !entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[name] = bytes.str();
    }
    if (ec || !files.count("index.html") || !files.count("meridoka.wasm"))
        throw store::Error(folder + " holds no browser build of the test (index.html, meridoka.wasm: make web "
                                    "builds one into build-web/); give its folder with --web");
    return files;
}

}  // namespace server
