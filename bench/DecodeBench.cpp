// Throughput of the receive side: decoder plus store, with and without trigger
// rows, next to a plain memchr line split over the same bytes; then the cases a
// hostile or slow server makes (colour sequences only, lines arriving a byte at
// a time), each beside plain text taken the same way. The goal for each is at
// most 3x the time of plain text ("x_plain" counters).
#include "GameTextGenerator.h"
#include "ScreenRoad.h"
#include "core/automation/Triggers.h"
#include "core/screen/Decoder.h"
#include "core/screen/LineStore.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <ctime>
#include <map>

namespace {

using bench::kChunk;
using bench::kStreamBytes;

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
    const auto &chunks = bench::GameChunks();
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

// Decodes and stores `chunks` the way the screen thread does without triggers;
// returns nanoseconds per byte.
double DecodeAll(benchmark::State &state, const std::vector<std::string> &chunks)
{
    std::size_t bytes = 0;
    // Processor time: the machine may be busy with other work.
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        screen::LineStore store;
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        for (const auto &c : chunks) {
            screen::DecodeInto(decoder, batch, store, c);
            bytes += c.size();
        }
        benchmark::DoNotOptimize(store.size());
    }
    const double ns = double(std::clock() - start) * 1e9 / CLOCKS_PER_SEC;
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    return bytes ? ns / double(bytes) : 0.0;
}

double &PlainNsPerByte()
{
    static double ns = 0;
    return ns;
}
double &PlainBytewiseNsPerByte()
{
    static double ns = 0;
    return ns;
}

void Report(benchmark::State &state, double ns, double plain)
{
    if (plain > 0)
        state.counters["x_plain"] = ns / plain;
}

void BM_DecodeChunkNoTriggers(benchmark::State &state)
{
    PlainNsPerByte() = DecodeAll(state, bench::GameChunks());
}
BENCHMARK(BM_DecodeChunkNoTriggers)->Unit(benchmark::kMillisecond);

// Nothing but ESC[m, in the same 64 KiB reads as the plain text.
void BM_DecodeColourOnly(benchmark::State &state)
{
    static const std::vector<std::string> chunks = [] {
        std::string stream;
        while (stream.size() < kStreamBytes)
            stream += "\x1b[m";
        return bench::GameTextGenerator::Chunks(stream, kChunk);
    }();
    Report(state, DecodeAll(state, chunks), PlainNsPerByte());
}
BENCHMARK(BM_DecodeColourOnly)->Unit(benchmark::kMillisecond);

// ESC[m in 1 KB reads, so most reads end inside the line.
void BM_DecodeColourOnly1KReads(benchmark::State &state)
{
    static const std::vector<std::string> chunks = [] {
        std::string stream;
        while (stream.size() < (1u << 20))
            stream += "\x1b[m";
        return bench::GameTextGenerator::Chunks(stream, 1024);
    }();
    Report(state, DecodeAll(state, chunks), PlainNsPerByte());
}
BENCHMARK(BM_DecodeColourOnly1KReads)->Unit(benchmark::kMillisecond);

// Plain game text one byte per read: the cost of a read on its own.
void BM_DecodePlainBytewise(benchmark::State &state)
{
    static const std::vector<std::string> chunks = [] {
        bench::GameTextGenerator gen(4);
        return bench::GameTextGenerator::Chunks(gen.Stream(256 << 10), 1);
    }();
    PlainBytewiseNsPerByte() = DecodeAll(state, chunks);
    Report(state, PlainBytewiseNsPerByte(), PlainNsPerByte());
}
BENCHMARK(BM_DecodePlainBytewise)->Unit(benchmark::kMillisecond);

// 3000-byte prompts without a line end, one byte per read, as a slow server
// sends them; compared with plain text taken one byte per read.
void BM_DecodePartialLineBytewise(benchmark::State &state)
{
    static const std::vector<std::string> chunks = [] {
        bench::GameTextGenerator gen(5);
        std::string stream;
        while (stream.size() < (256u << 10)) {
            std::string prompt;
            while (prompt.size() < 3000)
                prompt += gen.Phrase(4) + "\x1b[1;32m>\x1b[0m ";
            stream += prompt + "\r\n";
        }
        return bench::GameTextGenerator::Chunks(stream, 1);
    }();
    Report(state, DecodeAll(state, chunks), PlainBytewiseNsPerByte());
}
BENCHMARK(BM_DecodePartialLineBytewise)->Unit(benchmark::kMillisecond);

void BM_DecodeChunkWithTriggers(benchmark::State &state)
{
    static std::map<int, TriggerStream> streams;
    const int rows = static_cast<int>(state.range(0));
    if (!streams.count(rows))
        streams.emplace(rows, MakeTriggerStream(rows));
    const TriggerStream &ts = streams.at(rows);
    bench::CountingEngine counting(ts.table);
    bench::RunScreenRoad(state, counting, ts.chunks);
}
BENCHMARK(BM_DecodeChunkWithTriggers)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
