// Packs the sample test's resources (data/ when it holds a test, synthetic
// pictures and texts otherwise) and a few standard inputs with the optimal
// encoder and with a textbook greedy one; prints sizes, ratio and times.
//
//   wdl_bench [SOURCE_DIR]
#include "tools/wdl/bench/greedy_lzss.h"
#include "host/error.h"
#include "host/lzss_encode.h"
#include "tools/wdl/test_source.h"

#include "archive/lzss.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;
using Encoder = std::function<Bytes(const Bytes &)>;

struct Input {
    std::string name;
    Bytes data;
};

bool exists(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

// A 352x190 picture like a test item's: a 3x3 grid of framed cells, each with
// a shape that is outlined and often hatched.
host::Picture synthetic_picture(unsigned seed)
{
    std::mt19937 rng(seed);
    host::Picture p;
    p.width = 352;
    p.height = 190;
    p.white.assign(352 * 190, 1);
    auto ink = [&](int x, int y) {
        if (x >= 0 && x < 352 && y >= 0 && y < 190)
            p.white[size_t(y) * 352 + size_t(x)] = 0;
    };
    for (int c = 0; c < 9; c++) {
        const int x0 = 120 * (c % 3), y0 = 70 * (c / 3);
        for (int x = 0; x < 112; x++)
            ink(x0 + x, y0), ink(x0 + x, y0 + 49);
        for (int y = 0; y < 50; y++)
            ink(x0, y0 + y), ink(x0 + 111, y0 + y);
        // an outlined shape, filled with one of a few hatchings
        const int shape = int(rng() % 3), fill = int(rng() % 4), cx = x0 + 56, cy = y0 + 25, r = 8 + int(rng() % 14);
        for (int y = -r; y <= r; y++)
            for (int x = -r; x <= r; x++) {
                const bool inside = shape == 0 ? x * x + y * y <= r * r
                                    : shape == 1 ? true
                                                 : std::abs(x) + std::abs(y) <= r;
                const bool edge = shape == 0 ? (inside && x * x + y * y >= (r - 2) * (r - 2))
                                  : shape == 1 ? (std::abs(x) == r || std::abs(y) == r)
                                               : std::abs(x) + std::abs(y) == r;
                const bool hatch = fill == 1 ? (x + y + 64) % 4 == 0
                                   : fill == 2 ? (x - y + 64) % 5 == 0
                                   : fill == 3 ? ((x + 64) % 3 == 0 && (y + 64) % 3 == 0)
                                               : false;
                if (edge || (inside && hatch))
                    ink(cx + x, cy + y);
            }
    }
    return p;
}

std::vector<Input> sample_inputs(const std::string &source, std::string &origin)
{
    std::vector<Input> in;
    if (!source.empty() && exists(source)) {
        const wdl::Test test = wdl::load_source(source);
        for (const wdl::Resource &r : wdl::test_resources(test))
            in.push_back({r.name, r.data});
        origin = source;
        return in;
    }
    origin = "synthetic (25 items)";
    wdl::Test t;
    for (int c = 0; c < 256; c++)
        for (int r = 0; r < 8; r++)
            t.font[size_t(c) * 8 + size_t(r)] = uint8_t(r == 0 || r == 7 ? 0 : (c * 37 + r * 11) ^ (c >> 1));
    t.has_instruction = true;
    for (int k = 0; k < 20; k++)
        t.instruction += "Look at the picture. One cell is empty: press the number of the piece that fits.\n";
    t.messages = {"Picture test", "Digit: choose, Enter: confirm, Esc: stop", "Wrong, try again", "Results",
                  "Total:", "Press any key to begin"};
    for (int i = 0; i < 25; i++) {
        wdl::Item it;
        it.name = "S" + std::to_string(i);
        it.answer = 1;
        it.cells = 0x1FF;
        it.empty = 1 + i % 9;
        it.text = "Item " + std::to_string(i + 1);
        t.items.push_back(it);
        t.pictures[it.name + "0"] = synthetic_picture(unsigned(2 * i));
        t.pictures[it.name + "1"] = synthetic_picture(unsigned(2 * i + 1));
    }
    for (const wdl::Resource &r : wdl::test_resources(t))
        in.push_back({r.name, r.data});
    return in;
}

std::vector<Input> standard_inputs(const std::string &root)
{
    std::vector<Input> in;
    for (const char *f : {"archive/res_load.cpp", "graphics/text.cpp", "runner/screens.cpp", "README.md"}) {
        std::ifstream s(root + "/" + f, std::ios::binary);
        if (s)
            in.push_back({f, Bytes((std::istreambuf_iterator<char>(s)), std::istreambuf_iterator<char>())});
    }
    std::mt19937 rng(1);
    Bytes random(16384);
    for (auto &b : random)
        b = uint8_t(rng());
    in.push_back({"random 16 KB", random});
    in.push_back({"zeros 16 KB", Bytes(16384, 0)});
    Bytes words;
    const char *w[] = {"cell ", "picture ", "answer ", "the ", "empty ", "item ", "\n"};
    while (words.size() < 25000)
        for (const char *c = w[rng() % 7]; *c; c++)
            words.push_back(uint8_t(*c));
    in.push_back({"words 25 KB", Bytes(words.begin(), words.begin() + 25000)});
    return in;
}

struct Result {
    size_t packed = 0;
    double seconds = 0;
};

// Packs every input (stored plain when packing does not help, as the archive
// does), checks the streams decode, and keeps the best time of a few runs.
Result pack_all(const std::vector<Input> &inputs, const Encoder &encode)
{
    Result r;
    r.seconds = 1e9;
    for (int run = 0; run < 3; run++) {
        size_t total = 0;
        const auto start = std::chrono::steady_clock::now();
        std::vector<Bytes> streams;
        for (const Input &in : inputs) {
            streams.push_back(encode(in.data));
            total += std::min(streams.back().size(), in.data.size());
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (size_t i = 0; i < inputs.size(); i++) {
            Bytes out(inputs[i].data.size());
            lzss_unpack(streams[i].data(), out.data(), uint32_t(streams[i].size()), uint32_t(out.size()));
            if (out != inputs[i].data) {
                std::fprintf(stderr, "wdl_bench: %s does not decode back\n", inputs[i].name.c_str());
                std::exit(1);
            }
        }
        r.packed = total;
        r.seconds = std::min(r.seconds, s);
    }
    return r;
}

size_t total_size(const std::vector<Input> &in)
{
    size_t n = 0;
    for (const Input &i : in)
        n += i.data.size();
    return n;
}

void report(const char *title, const std::vector<Input> &inputs)
{
    const Result opt = pack_all(inputs, wdl::lzss_encode);
    const Result greedy = pack_all(inputs, wdl_bench::greedy_encode);
    std::printf("%s: %zu inputs, %zu bytes\n", title, inputs.size(), total_size(inputs));
    std::printf("  optimal encoder: %9zu bytes packed  %8.3f s\n", opt.packed, opt.seconds);
    std::printf("  greedy encoder:  %9zu bytes packed  %8.3f s\n", greedy.packed, greedy.seconds);
    std::printf("  optimal / greedy: %.4f (%.2f%% smaller)\n", double(opt.packed) / double(greedy.packed),
                100.0 * (1.0 - double(opt.packed) / double(greedy.packed)));
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string root = MERIDOKA_SOURCE_DIR;
    std::string source = argc > 1 ? argv[1] : "";
    if (source.empty() && exists(root + "/data")) {
        // the first test source under data/, in name order
        std::vector<std::string> found;
        for (const auto &f : std::filesystem::recursive_directory_iterator(root + "/data"))
            if (f.path().filename() == "test.json")
                found.push_back(f.path().string());
        std::sort(found.begin(), found.end());
        if (!found.empty())
            source = found.front();
    }
    try {
        std::string origin;
        const std::vector<Input> sample = sample_inputs(source, origin);
        report(("sample test, " + origin).c_str(), sample);
        report("standard inputs", standard_inputs(root));
    } catch (const wdl::Error &e) {
        std::fprintf(stderr, "wdl_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
