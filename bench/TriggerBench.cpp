// Triggers whose patterns come in families that share their first words
// ("You slash ...", "你向...") as a player's table does: 100 rows against 1000
// rows over the same lines, once as the receive side runs them (decoding into
// the store, every line through the triggers) and once the trigger scan alone.
// The lines that fire match rows present in both tables, so the two tables
// differ only in what the scan has to tell apart.
#include "GameTextGenerator.h"
#include "ScreenRoad.h"
#include "core/automation/Triggers.h"
#include "core/screen/LineStore.h"

#include <benchmark/benchmark.h>
#include <map>

namespace {

constexpr int kFamilies = 50;
constexpr int kVariants = 20;
constexpr std::size_t kLines = 200000;

struct Family
{
    std::string opening;               // the shared first words
    std::vector<std::string> variants; // what tells the rows apart
    bool chinese = false;
};

std::string Word(std::mt19937 &rng, int letters)
{
    std::string w;
    for (int i = 0; i < letters; ++i)
        w += static_cast<char>('a' + rng() % 26);
    return w;
}

struct FamilyStream
{
    std::vector<Family> families;
    std::vector<std::string> lines;
};

const FamilyStream &Stream()
{
    static const FamilyStream fs = [] {
        bench::GameTextGenerator gen(17);
        auto &rng = gen.rng();
        FamilyStream s;
        static const char *verbs[] = {"slash", "hit",   "say",   "feel", "see",
                                      "get",   "drop",  "give",  "are",  "have",
                                      "kick",  "parry", "dodge", "cast", "learn"};
        for (int f = 0; f < kFamilies; ++f) {
            Family fam;
            fam.chinese = f % 2 == 1;
            if (fam.chinese)
                fam.opening = "\xc4\xe3\xcf\xf2" + gen.Phrase(1); // 你向 + one character
            else
                fam.opening = std::string("You ") + verbs[f % 15] + (f >= 30 ? " the " : " ");
            for (int v = 0; v < kVariants; ++v)
                fam.variants.push_back(fam.chinese ? gen.Phrase(2) : Word(rng, 5));
            s.families.push_back(std::move(fam));
        }
        for (std::size_t i = 0; i < kLines; ++i) {
            const unsigned r = rng() % 100;
            std::string line;
            if (r < 25) {
                // Shares a family's first words but no row's other pieces.
                const Family &fam = s.families[rng() % kFamilies];
                line = fam.opening + (fam.chinese ? gen.Phrase(3) : Word(rng, 6)) + " " +
                       gen.Phrase(2) + "\r\n";
            } else if (r < 26) {
                // Fires a row of variants 0 or 1, present in both tables.
                const Family &fam = s.families[rng() % kFamilies];
                const std::string &v = fam.variants[rng() % 2];
                line = fam.opening + Word(rng, 4) + " " + v + " " + gen.Phrase(1) + "\r\n";
            } else {
                line = gen.Line();
            }
            s.lines.push_back(std::move(line));
        }
        return s;
    }();
    return fs;
}

// Variant v of a family: the opening, a capture, then the variant's word;
// every third row puts the variant right after the opening instead.
automation::TriggerTable FamilyTable(int variantsPerFamily)
{
    const FamilyStream &s = Stream();
    automation::TriggerTable table;
    const std::string on(automation::kTriggerOn);
    for (int v = 0; v < variantsPerFamily; ++v)
        for (const Family &fam : s.families) {
            const std::string &word = fam.variants[static_cast<std::size_t>(v)];
            if (v % 3 == 2)
                table.AddRow(on, fam.opening + "(*)" + word + "(*)", "look\r\n", "G");
            else
                table.AddRow(on, fam.opening + "(*) " + word, "say %1\r\n", "G");
        }
    table.AddRow(" ", " ", " ", "");
    return table;
}

void BM_TriggerFamilies(benchmark::State &state)
{
    const FamilyStream &s = Stream();
    const int rows = static_cast<int>(state.range(0));
    bench::CountingEngine counting(FamilyTable(rows / kFamilies));
    std::size_t lines = 0, bytes = 0;
    for (auto _ : state) {
        for (const std::string &line : s.lines) {
            counting.engine.CheckTriggers(line);
            bytes += line.size();
        }
        lines += s.lines.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(lines));
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["fired_per_line"] = lines ? double(counting.fired) / double(lines) : 0.0;
}
BENCHMARK(BM_TriggerFamilies)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_DecodeTriggerFamilies(benchmark::State &state)
{
    const FamilyStream &s = Stream();
    static const std::vector<std::string> chunks = [&] {
        std::string all;
        for (const std::string &line : s.lines)
            all += line;
        return bench::GameTextGenerator::Chunks(all, 64 << 10);
    }();
    const int rows = static_cast<int>(state.range(0));
    bench::CountingEngine counting(FamilyTable(rows / kFamilies));
    bench::RunScreenRoad(state, counting, chunks);
}
BENCHMARK(BM_DecodeTriggerFamilies)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
