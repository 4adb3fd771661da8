// The cost of keeping an answer: one journal row written and committed to
// the disk through the platform's file layer (fsync on Linux,
// FlushFileBuffers on Windows), as the program does before it reads the
// next key. Prints the median and the worst of 1,000 rows.
//
//   journal_commit_bench [FOLDER]     (default: the current folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

int main(int argc, char **argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::string name = folder + "/S9999998.CSV";
    file_delete(name.c_str());
    FileHandle f = file_open(name.c_str(), "wxb");
    if (!f) {
        std::fprintf(stderr, "journal_commit_bench: cannot create %s\n", name.c_str());
        return 1;
    }
    // a row as long as an answer_confirmed row of a real session
    const std::string row = "9f0c2a41d3b87e65,P017,answer_confirmed,7904,2026-12-08T10:15:10,1,2,3,3,1,3694,2802"
                            ",,,,,,,,,,,,,,,\r\n";
    std::vector<double> ms;
    for (int i = 0; i < 1000; i++) {
        auto start = std::chrono::steady_clock::now();
        bool ok = file_write(row.data(), 1, uint32_t(row.size()), f) == row.size() && file_commit(f) == 0;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!ok) {
            std::fprintf(stderr, "journal_commit_bench: row %d could not be written\n", i + 1);
            return 1;
        }
    }
    file_close(f);
    file_delete(name.c_str());
    std::sort(ms.begin(), ms.end());
    std::printf("journal row write + commit (%zu bytes, %zu rows, in %s): median %.3f ms, worst %.3f ms\n",
                row.size(), ms.size(), folder.c_str(), ms[ms.size() / 2], ms.back());
    return 0;
}
