// Loading a large profile as the user-interface thread does it: read the file,
// parse it whole, and hand the triggers and groups to the window's tables. The
// goal is 20 ms for 1000 trigger rows, 200 hotkeys, 200 groups and 200 paths.
#include "core/automation/GroupTable.h"
#include "core/automation/Triggers.h"
#include "core/session/ProfileFile.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace {

// "prefix" followed by the number (built by appending: GCC 12 warns falsely on
// a literal plus a std::string here).
std::string Named(const char *prefix, int number)
{
    return std::string(prefix).append(std::to_string(number));
}

std::string Text(const std::string &stem, int lines)
{
    std::string text;
    for (int k = 0; k < lines; ++k) {
        if (k > 0)
            text += "\r\n";
        text.append(stem).append(std::to_string(k));
    }
    return text;
}

std::string LargeProfile()
{
    session::Profile p;
    session::PutLook(p, screen::ScreenLook{});
    for (int i = 0; i < 1000; ++i) {
        // Patterns with and without captures, some with GBK text (告诉你).
        const std::string n = std::to_string(i);
        std::string pattern;
        if (i % 3 == 0) {
            pattern.append("(*)\xB8\xE6\xCB\xDF\xC4\xE3").append(n).append("(*)");
        } else {
            pattern.append(i % 3 == 1 ? "You feel hungry " : "(*) hits you ").append(n);
        }
        p.triggers.AddRow(i % 4 ? std::string(automation::kTriggerOn) : " ", pattern,
                          Text("say %1 ", 1 + i % 3), Named("G", i / 50));
    }
    p.hotkeys = session::HotkeyLists{};
    for (int i = 0; i < 200; ++i) {
        p.hotkeys->hotkeyNames.push_back(Named("Ctrl+", i));
        p.hotkeys->hotkeyCommands.push_back(Text("kill rat ", 2));
        p.groups.groupNames.push_back(Named("group", i));
        p.groups.groupContents.push_back(Text("eat ", 4));
        p.paths.pathNames.push_back(Named("path", i));
        p.paths.pathTexts.push_back(Text("n;e;", 12));
    }
    p.directions = session::DirectionPairs::Seeded();
    return session::WriteProfile(p);
}

class ProfileFile
{
public:
    ProfileFile()
        : path_(std::filesystem::temp_directory_path() /
                (Named("quorvel-bench-", ::getpid()) + ".qvl"))
    {
        std::ofstream out(path_, std::ios::binary);
        const std::string bytes = LargeProfile();
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~ProfileFile() { std::filesystem::remove(path_); }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

// What the window does on "读取设置" once the file is chosen.
void LoadInto(const std::filesystem::path &path, automation::TriggerEngine &engine,
              automation::GroupTable &groups)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    session::ProfileReadResult read = session::ReadProfile(bytes);
    if (!read.profile)
        std::abort();
    const bool wasEnabled = engine.triggersEnabled.exchange(false);
    automation::TriggerTable table = std::move(read.profile->triggers);
    table.AddRow(" ", " ", " ", " ");
    engine.Replace(std::move(table));
    groups.Replace(std::move(read.profile->groups.groupNames),
                   std::move(read.profile->groups.groupContents));
    engine.triggersEnabled = wasEnabled;
}

void BM_LoadLargeProfile(benchmark::State &state)
{
    ProfileFile file;
    automation::TriggerEngine engine;
    automation::GroupTable groups;
    for (auto _ : state)
        LoadInto(file.path(), engine, groups);
    state.counters["bytes"] = double(std::filesystem::file_size(file.path()));
}
BENCHMARK(BM_LoadLargeProfile)->Unit(benchmark::kMillisecond);

// The same load while another thread scans lines against the table, as the
// screen thread does: the scans go on during the loads (the counter says how
// many lines were checked per load).
void BM_LoadLargeProfileWhileScanning(benchmark::State &state)
{
    ProfileFile file;
    automation::TriggerEngine engine;
    automation::GroupTable groups;
    LoadInto(file.path(), engine, groups);
    std::atomic<bool> stop{false};
    std::atomic<long> scanned{0};
    std::thread screen([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            engine.CheckTriggers("A guard hits you 17 times.");
            scanned.fetch_add(1, std::memory_order_relaxed);
        }
    });
    const long before = scanned.load();
    for (auto _ : state)
        LoadInto(file.path(), engine, groups);
    const long during = scanned.load() - before;
    stop = true;
    screen.join();
    state.counters["linesScannedPerLoad"] =
        benchmark::Counter(double(during) / double(state.iterations()));
}
BENCHMARK(BM_LoadLargeProfileWhileScanning)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
