// The scrollback tools under load. A 100 MB flood taken down the screen's
// road with a log writing it to a file, beside the same flood without one
// (goal: "x_not_logging" at most 1.2, the file written whole). A search of a
// full 64 MiB store for a text it does not hold, which looks at every line
// (goal: at most 50 ms a search).
#include "GameTextGenerator.h"
#include "core/screen/Decoder.h"
#include "core/screen/LineStore.h"
#include "core/screen/LogWriter.h"
#include "core/screen/StoreSearch.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::size_t kFloodBytes = 100u << 20;

// Seconds to take the flood down the road, the log (when given) fed as the
// screen thread feeds it, and closed (everything on the disk) before the clock stops.
struct FloodTimes
{
    double total = 0; // seconds, the log closed
    double fed = 0;   // seconds until the last chunk was taken down the road
    std::uint64_t missed = 0;
};

FloodTimes Flood(const std::vector<std::string> &chunks, const std::string *logPath,
                 const screen::LogOptions &options)
{
    FloodTimes times;
    const auto start = std::chrono::steady_clock::now();
    std::shared_ptr<screen::LogWriter> log;
    if (logPath) {
        std::string error;
        log = screen::LogWriter::Open(*logPath, options, screen::ScreenLook{}, error);
        if (!log)
            return {-1, -1, 0};
    }
    screen::LineStore store;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    std::size_t bytes = 0;
    while (bytes < kFloodBytes) {
        for (const std::string &chunk : chunks) {
            screen::DecodeInto(decoder, batch, store, chunk);
            if (log)
                log->TakeLines(batch.lines.data(), batch.count);
            bytes += chunk.size();
        }
    }
    times.fed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (log) {
        log->Close();
        if (log->failed())
            return {-1, -1, 0};
        times.missed = log->linesMissed();
    }
    times.total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return times;
}

void BM_LogFlood(benchmark::State &state)
{
    const auto &chunks = bench::GameChunks();
    screen::LogOptions options;
    options.format = state.range(0) ? screen::LogFormat::kHtml : screen::LogFormat::kPlain;
    options.timeStamps = state.range(0) != 0;
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("quorvel-bench-log-" + std::to_string(::getpid()) + (state.range(0) ? ".html" : ".txt")))
            .string();
    double plain = 0, logged = 0, fed = 0;
    std::uint64_t missed = 0;
    for (auto _ : state) {
        plain += Flood(chunks, nullptr, options).total;
        // A log starts a new file; emptying the last run's 100 MB is not the flood's cost.
        std::filesystem::remove(path);
        const FloodTimes times = Flood(chunks, &path, options);
        if (times.total < 0) {
            state.SkipWithError("the log failed");
            return;
        }
        logged += times.total;
        fed += times.fed;
        missed += times.missed;
    }
    std::filesystem::remove(path);
    // Lines a log cannot keep up with are counted, never waited for.
    state.counters["missed_lines"] = double(missed);
    state.counters["fed_s"] = fed / double(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFloodBytes * 2));
    state.counters["x_not_logging"] = logged / plain;
    state.counters["flood_s"] = plain / double(state.iterations());
    state.counters["logged_s"] = logged / double(state.iterations());
}
BENCHMARK(BM_LogFlood)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// A store at its byte cap: long game lines until the next would trim it.
screen::LineStore &FullStore()
{
    static screen::LineStore store = [] {
        screen::LineStore s;
        bench::GameTextGenerator gen(5);
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        const std::size_t limit = s.maxBytes() - (1u << 20);
        while (true) {
            std::string line;
            while (line.size() < 18000)
                line += gen.Line().substr(0, 60);
            std::string clean;
            for (char c : line)
                if (c != '\r' && c != '\n')
                    clean += c;
            clean += "\r\n";
            if (s.bytes() + clean.size() * 2 > limit || s.size() + 1 >= screen::LineStore::kTrimAt)
                break;
            screen::DecodeInto(decoder, batch, s, clean);
        }
        return s;
    }();
    return store;
}

void BM_SearchFullStore(benchmark::State &state)
{
    screen::LineStore &store = FullStore();
    // Letters only (the folded scan), then Chinese (an exact anchor byte).
    const screen::StoreSearch search(state.range(0) ? "\xC4\xE3\xBA\xC3\xC2\xF0" : "Zebrafish");
    std::size_t found = 0;
    for (auto _ : state) {
        auto hit = search.Find(store, std::nullopt, screen::SearchWay::kOlder);
        found += hit.has_value();
        benchmark::DoNotOptimize(hit);
    }
    state.counters["store_MiB"] = double(store.bytes()) / double(1u << 20);
    state.counters["lines"] = double(store.size());
    state.counters["found"] = double(found);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * store.bytes()));
}
BENCHMARK(BM_SearchFullStore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
