// The screen thread's road for benchmarks: decode a chunk, run the triggers on
// each finished line and on the present form of a line still arriving, then
// commit to the store.
#pragma once

#include "core/automation/Triggers.h"
#include "core/screen/Decoder.h"
#include "core/screen/LineStore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Returns the finished lines of the chunk.
inline std::size_t DecodeWithTriggers(screen::Decoder &decoder, screen::Decoder::Batch &batch,
                                      screen::LineStore &store, automation::TriggerEngine &engine,
                                      std::string_view chunk)
{
    batch.count = 0;
    decoder.Feed(chunk, batch);
    for (std::size_t k = 0; k < batch.count; ++k)
        engine.CheckTriggers(batch.lines[k].text);
    if (decoder.inLine()) {
        const auto &form = decoder.PartialForm();
        for (const auto &d : form)
            engine.CheckTriggers(d.text);
        engine.MarkUnfinishedLine(decoder.PartialRaw());
        store.Commit(batch.lines.data(), batch.count, &form, decoder.TakeUnchanged());
    } else {
        store.Commit(batch.lines.data(), batch.count);
    }
    return batch.count;
}

// A trigger engine that counts its fires. A second passes per line as far as
// the per-row fire bound is concerned: the benchmarks measure the scan, not
// the bound.
struct CountingEngine
{
    automation::TriggerEngine engine;
    std::size_t fired = 0;
    std::int64_t now = 0;

    explicit CountingEngine(const automation::TriggerTable &table)
    {
        engine.Replace(table);
        engine.SetFire([this](std::string) { ++fired; });
        engine.SetClock([this] { return now += 1000; });
    }
    CountingEngine(const CountingEngine &) = delete;
    CountingEngine &operator=(const CountingEngine &) = delete;
};

// Takes `chunks` down the road once per iteration, each time into a fresh
// store, and reports the bytes and the fires per finished line.
inline void RunScreenRoad(benchmark::State &state, CountingEngine &counting,
                          const std::vector<std::string> &chunks)
{
    std::size_t bytes = 0, lines = 0;
    for (auto _ : state) {
        screen::LineStore store;
        screen::Decoder decoder;
        screen::Decoder::Batch batch;
        for (const auto &c : chunks) {
            lines += DecodeWithTriggers(decoder, batch, store, counting.engine, c);
            bytes += c.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["fired_per_line"] = lines ? double(counting.fired) / double(lines) : 0.0;
}

} // namespace bench
