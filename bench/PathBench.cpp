// Reversing a long walking path when the player walks it back: 1000 steps
// (words, repeats, brace blocks and command groups) over 200 command groups
// and the 17 seeded direction pairs. The goal is 1 ms or less per reversal.
#include "core/session/PathReversal.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

automation::GroupTable::Groups TwoHundredGroups()
{
    automation::GroupTable::Groups groups;
    for (int i = 0; i < 200; ++i) {
        groups.groupNames.push_back("grp" + std::to_string(i));
        groups.groupContents.push_back("n;e\r\nsouthup;#2 w");
    }
    return groups;
}

// A recorded path: one step a line, CR LF between lines.
std::string ThousandStepPath()
{
    static const char *const kWords[] = {"n",  "e",     "s",         "w",  "ne", "sw", "up",
                                         "se", "north", "southeast", "ed", "nu", "out"};
    std::string path;
    for (int i = 0; i < 1000; ++i) {
        if (i % 50 == 0)
            path += "grp" + std::to_string(i % 200);
        else if (i % 25 == 0)
            path += "{n;e;up}";
        else if (i % 10 == 0)
            path += "#3 e";
        else
            path += kWords[i % std::size(kWords)];
        path += "\r\n";
    }
    return path;
}

void BM_ReversePath1000Steps(benchmark::State &state)
{
    const automation::GroupTable::Groups groups = TwoHundredGroups();
    const session::DirectionPairs pairs = session::DirectionPairs::Seeded();
    const std::string path = ThousandStepPath();
    std::size_t bytes = 0;
    for (auto _ : state) {
        // The window reverses each walk afresh from its current pairs and groups.
        std::string reversed = session::ReversePath(path, pairs, groups);
        bytes += reversed.size();
        benchmark::DoNotOptimize(reversed);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(path.size() * state.iterations()));
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ReversePath1000Steps)->Unit(benchmark::kMicrosecond);

} // namespace
