// The receive side with the telnet filter in front of the decoder, over the same
// stream as the decode benchmark: the filter alone, and filter plus DecodeChunk
// (compare with BM_DecodeChunkNoTriggers).
#include "GameTextGenerator.h"
#include "core/screen/LineStore.h"
#include "core/session/TelnetFilter.h"

#include <benchmark/benchmark.h>

namespace {

void BM_TelnetFilterOnly(benchmark::State &state)
{
    const auto &chunks = bench::GameChunks();
    std::size_t bytes = 0;
    for (auto _ : state) {
        session::TelnetFilter filter;
        std::size_t kept = 0;
        for (const auto &c : chunks) {
            std::string text;
            filter.Feed(c, text);
            kept += text.size();
            bytes += c.size();
        }
        benchmark::DoNotOptimize(kept);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_TelnetFilterOnly)->Unit(benchmark::kMillisecond);

// What a window does per read: filter into a fresh string (the copy the queue
// took before the filter existed), then decode it.
void BM_TelnetFilterThenDecode(benchmark::State &state)
{
    const auto &chunks = bench::GameChunks();
    std::size_t bytes = 0;
    for (auto _ : state) {
        session::TelnetFilter filter;
        screen::LineStore store;
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        for (const auto &c : chunks) {
            std::string text;
            filter.Feed(c, text);
            screen::DecodeInto(decoder, batch, store, text);
            bytes += c.size();
        }
        benchmark::DoNotOptimize(store.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_TelnetFilterThenDecode)->Unit(benchmark::kMillisecond);

} // namespace
