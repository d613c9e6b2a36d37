// The name-mark watch on its worst text (a long odd run of lead bytes, then the
// mark's bytes misaligned over and over) against plain text of the same size,
// and the splitting of a long command text. Both must stay linear.
#include "core/automation/CommandLanguage.h"
#include "core/automation/CommandSplit.h"
#include "core/session/NameMark.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string WorstCase(std::size_t bytes)
{
    std::string text(bytes / 2 + 1, '\x81');
    while (text.size() < bytes)
        text += "\xC3\xFB";
    return text;
}

void BM_NameMarkWorstCase(benchmark::State &state)
{
    const std::string text = WorstCase(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        session::NameMarkScanner scanner;
        benchmark::DoNotOptimize(scanner.Feed(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_NameMarkWorstCase)->Arg(64 << 10)->Arg(1 << 20);

void BM_NameMarkPlainText(benchmark::State &state)
{
    const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
    for (auto _ : state) {
        session::NameMarkScanner scanner;
        benchmark::DoNotOptimize(scanner.Feed(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_NameMarkPlainText)->Arg(64 << 10)->Arg(1 << 20);

void BM_SplitSeparators(benchmark::State &state)
{
    std::string text;
    while (text.size() < static_cast<std::size_t>(state.range(0)))
        text += "a;";
    for (auto _ : state)
        benchmark::DoNotOptimize(automation::SplitIntoLines(text));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SplitSeparators)->Arg(400 << 10);

} // namespace
