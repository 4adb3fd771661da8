// lzss_unpack throughput on packed pictures and packed text.
#include <benchmark/benchmark.h>

#include "archive/lzss.h"
#include "tests/bench/bench_data.h"
#include "tests/bench/lzss_encoder.h"

namespace {

void unpack(benchmark::State &state, const bench::Bytes &original)
{
    const bench::Bytes packed = bench::lzss_pack(original);
    bench::Bytes out(original.size());
    lzss_unpack(packed.data(), out.data(), uint32_t(packed.size()), uint32_t(out.size()));
    if (out != original) {
        state.SkipWithError("the encoder's stream does not decode to its input");
        return;
    }
    for (auto _ : state) {
        lzss_unpack(packed.data(), out.data(), uint32_t(packed.size()), uint32_t(out.size()));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(original.size()));
    state.counters["unpacked"] = double(original.size());
    state.counters["packed"] = double(packed.size());
}

void BM_LzssUnpackPicture(benchmark::State &state) { unpack(state, bench::item_picture(352, 190, 1)); }
BENCHMARK(BM_LzssUnpackPicture);

void BM_LzssUnpackText(benchmark::State &state) { unpack(state, bench::cp866_text(16000)); }
BENCHMARK(BM_LzssUnpackText);

// The worst case for the decoder: literals only (no compression at all).
void BM_LzssUnpackLiterals(benchmark::State &state)
{
    bench::Bytes data = bench::cp866_text(16000);
    bench::Bytes stream;
    for (size_t i = 0; i < data.size(); i += 8) {
        stream.push_back(0xFF);
        stream.insert(stream.end(), data.begin() + long(i), data.begin() + long(std::min(i + 8, data.size())));
    }
    bench::Bytes out(data.size());
    for (auto _ : state) {
        lzss_unpack(stream.data(), out.data(), uint32_t(stream.size()), uint32_t(out.size()));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_LzssUnpackLiterals);

}  // namespace
