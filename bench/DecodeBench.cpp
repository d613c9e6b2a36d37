// Throughput of the receive side: DecodeChunk plus the store, with and without
// trigger rows, next to a plain memchr line split over the same bytes.
#include "GameTextGenerator.h"
#include "core/automation/Triggers.h"
#include "core/screen/LineStore.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <map>

namespace {

constexpr std::size_t kStreamBytes = 16 << 20;
constexpr std::size_t kChunk = 64 << 10;

const std::vector<std::string> &Chunks()
{
    static const std::vector<std::string> chunks = [] {
        bench::GameTextGenerator gen;
        return bench::GameTextGenerator::Chunks(gen.Stream(kStreamBytes), kChunk);
    }();
    return chunks;
}

// Trigger rows whose phrases appear in about 1% of the lines of a stream.
struct TriggerStream
{
    automation::TriggerTable table;
    std::vector<std::string> chunks;
};

TriggerStream MakeTriggerStream(int rows)
{
    bench::GameTextGenerator gen(9);
    TriggerStream ts;
    std::vector<std::string> phrases;
    for (int i = 0; i < rows; ++i) {
        phrases.push_back(gen.Phrase(3));
        const std::string on(automation::kTriggerOn);
        switch (i % 3) {
        case 0:
            ts.table.AddRow(on, "(*)" + phrases.back() + "(*)", "say %0\r\n", "G");
            break;
        case 1:
            ts.table.AddRow(on, phrases.back() + "\xa3\xba(*)", "get %0\r\n", "G");
            break;
        default:
            ts.table.AddRow(on, phrases.back(), "look\r\n", "G");
        }
    }
    ts.table.AddRow(" ", " ", " ", "");
    std::string stream;
    while (stream.size() < kStreamBytes) {
        std::string line = gen.Line();
        if (gen.rng()() % 100 == 0)
            line = phrases[gen.rng()() % phrases.size()] + "\xa3\xba" + line;
        stream += line;
    }
    ts.chunks = bench::GameTextGenerator::Chunks(stream, kChunk);
    return ts;
}

void BM_MemchrLineSplit(benchmark::State &state)
{
    const auto &chunks = Chunks();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::size_t lines = 0;
        for (const auto &c : chunks) {
            const char *p = c.data();
            const char *end = p + c.size();
            while ((p = static_cast<const char *>(std::memchr(p, '\n', end - p)))) {
                ++lines;
                ++p;
            }
            bytes += c.size();
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_MemchrLineSplit)->Unit(benchmark::kMillisecond);

void BM_DecodeChunkNoTriggers(benchmark::State &state)
{
    const auto &chunks = Chunks();
    std::size_t bytes = 0;
    for (auto _ : state) {
        screen::LineStore store;
        for (const auto &c : chunks) {
            store.DecodeChunk(c);
            bytes += c.size();
        }
        benchmark::DoNotOptimize(store.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_DecodeChunkNoTriggers)->Unit(benchmark::kMillisecond);

void BM_DecodeChunkWithTriggers(benchmark::State &state)
{
    static std::map<int, TriggerStream> streams;
    const int rows = static_cast<int>(state.range(0));
    if (!streams.count(rows))
        streams.emplace(rows, MakeTriggerStream(rows));
    const TriggerStream &ts = streams.at(rows);
    automation::TriggerEngine engine;
    engine.Replace(ts.table);
    std::size_t fired = 0;
    engine.SetFire([&](std::string) { ++fired; });
    // A second passes per line as far as the per-row fire bound is concerned:
    // the bench measures the scan, not the bound.
    std::int64_t fakeNow = 0;
    engine.SetClock([&] { return fakeNow += 1000; });
    std::size_t bytes = 0, lines = 0;
    for (auto _ : state) {
        screen::LineStore store;
        store.checkTriggers = [&](std::string_view t) { engine.CheckTriggers(t); };
        store.markUnfinishedLine = [&](std::string_view t) { engine.MarkUnfinishedLine(t); };
        for (const auto &c : ts.chunks) {
            lines += store.DecodeChunk(c);
            bytes += c.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["fired_per_line"] = lines ? double(fired) / double(lines) : 0.0;
}
BENCHMARK(BM_DecodeChunkWithTriggers)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
