// res_load of one entry in an archive of 100 entries, written to a scratch
// directory: a whole lookup (open, header, directory, data, unpack, close).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/archive.h"
#include "base/memory.h"
#include "tests/bench/bench_data.h"
#include "tests/bench/lzss_encoder.h"
#include "headless/headless.h"

namespace {

void put16(bench::Bytes &b, size_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// 100 pictures named PIC00..PIC99, every second one packed.
bench::Bytes hundred_entries()
{
    std::vector<bench::Bytes> stored(100);
    std::vector<size_t> unpacked(100, 0);
    for (unsigned i = 0; i < 100; i++) {
        bench::Bytes pic = bench::item_picture(352, 190, i);
        if (i % 2) {
            stored[i] = bench::lzss_pack(pic);
            unpacked[i] = pic.size();
        } else {
            stored[i] = pic;
        }
    }
    bench::Bytes out = {'W', 'D', 'L', 'Z'};
    put16(out, 100);
    put16(out, 0);
    put16(out, 12);
    put16(out, 0);
    size_t offset = 12 + 16 * 100;
    for (unsigned i = 0; i < 100; i++) {
        put16(out, offset & 0xFFFF);
        put16(out, offset >> 16);
        put16(out, stored[i].size());
        put16(out, unpacked[i]);
        char name[9];
        std::snprintf(name, sizeof name, "PIC%02u", i);
        for (int k = 0; k < 8; k++)
            out.push_back(uint8_t(k < 5 ? name[k] : 0));
        offset += stored[i].size();
    }
    for (const bench::Bytes &s : stored)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

// The archive in a scratch directory that is the working directory while
// a benchmark runs.
class ArchiveDir {
public:
    ArchiveDir()
    {
        char tmpl[] = "/tmp/meridoka-bench-XXXXXX";
        if (!mkdtemp(tmpl) || getcwd(home_, sizeof home_) == nullptr)
            std::abort();
        dir_ = tmpl;
        static const bench::Bytes bytes = hundred_entries();  // made once: packing takes a while
        std::FILE *f = std::fopen((dir_ + "/MERIDOKA.WDL").c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
            std::abort();
        if (chdir(dir_.c_str()) != 0)
            std::abort();
    }
    ~ArchiveDir()
    {
        if (chdir(home_) != 0)
            std::abort();
        std::remove((dir_ + "/MERIDOKA.WDL").c_str());
        rmdir(dir_.c_str());
    }

private:
    char home_[4096];
    std::string dir_;
};

void load(benchmark::State &state, const char *name, bool present)
{
    headless::reset();
    ArchiveDir dir;
    if (present) {
        // the entry must come back as the picture it was made from
        unsigned index = unsigned(std::atoi(name + 3));
        bench::Bytes want = bench::item_picture(352, 190, index);
        uint32_t length;
        uint8_t *got = static_cast<uint8_t *>(res_load(name, &length));
        bool same = got && length == want.size() && std::memcmp(got, want.data(), want.size()) == 0;
        mem_free(got);
        if (!same) {
            state.SkipWithError("the archive entry does not load as written");
            return;
        }
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        uint32_t length;
        void *block = res_load(name, &length);
        if (!block != !present) {
            state.SkipWithError(present ? "resource not found" : "missing resource found");
            break;
        }
        bytes += length;
        mem_free(block);
    }
    state.SetBytesProcessed(bytes);
}

void BM_ResLoadFirstPlain(benchmark::State &state) { load(state, "PIC00", true); }
BENCHMARK(BM_ResLoadFirstPlain);

void BM_ResLoadLastPacked(benchmark::State &state) { load(state, "pic99", true); }
BENCHMARK(BM_ResLoadLastPacked);

// the whole directory searched in vain
void BM_ResLoadMissing(benchmark::State &state) { load(state, "NOSUCH", false); }
BENCHMARK(BM_ResLoadMissing);

}  // namespace
