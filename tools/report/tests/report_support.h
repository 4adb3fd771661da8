// Shared helpers of the report tool's tests: a scratch folder, files in and
// out, running the tool, and small tests with journals written as the
// runner writes them.
#pragma once

#include "store/db.h"
#include "tools/report/sim/simulate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace report_test {

namespace fs = std::filesystem;

// A fresh empty folder for one test, removed afterwards.
class Scratch : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/meridoka-report-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string &name) const { return (dir / name).string(); }
    fs::path dir;
};

// The store a test writes. Normally an SQLite file in the test's folder;
// when MERIDOKA_TEST_POSTGRES gives a server's connection string with
// {db} where the database's name goes (the store stage sets it), a new
// database there, so that the same tests run on PostgreSQL.
inline bool on_postgres()
{
    return std::getenv("MERIDOKA_TEST_POSTGRES") != nullptr;
}

inline std::string new_store(const std::string &sqlite_path)
{
    const char *url = std::getenv("MERIDOKA_TEST_POSTGRES");
    if (!url)
        return sqlite_path;
    static std::atomic<int> serial{0};
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++serial);
    auto in_database = [&](const std::string &db) {
        std::string u = url;
        return u.replace(u.find("{db}"), 4, db);
    };
    store::open_postgres(in_database("postgres"))->exec("CREATE DATABASE " + name);
    return in_database(name);
}

inline void write_file(const std::string &path, const std::string &bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ran {
    int status;
    std::string out;  // standard output and error together
};

// Runs a shell command line; its output and exit status.
inline Ran run(const std::string &command)
{
    Ran r{-1, {}};
    std::FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string quoted(const std::string &s)
{
    return "'" + s + "'";
}

// A six-item test: three training items, then three scored ones with
// fewer than nine answer cells on item 5.
inline report::sim::SimTest small_test()
{
    report::sim::SimTest t;
    t.archive_crc32 = "a1b2c3d4";
    t.archive_bytes = 4321;
    const uint16_t all = 0x1FF;
    t.items = {{"Training 1", all, 5}, {"Training 2", all, 1}, {"Training 3", all, 9},
               {"Item 4", all, 2},     {"Item 5, \"odd\"", 0x0F5, 3}, {"Item 6", all, 7}};
    return t;
}

// A session answering `digits` in order (one per item, from item 1).
inline report::sim::SessionPlan plan(const std::string &id, const std::string &participant,
                                     const std::vector<int> &digits, const std::string &ended_by = "completed")
{
    report::sim::SessionPlan p;
    p.start.session_id = id;
    p.start.participant = participant;
    for (int d : digits) {
        report::sim::Step st;
        st.digit = d;
        st.first_ms = 700;
        st.rt_ms = 1500;
        p.steps.push_back(st);
    }
    p.ended_by = ended_by;
    return p;
}

}  // namespace report_test
