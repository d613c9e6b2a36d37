// How long a command text waits before its first line reaches the window: the
// cost of starting a runner thread plus splitting and echoing one command.
#include "core/automation/CommandRunner.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

class TimingHost : public automation::RunnerHost
{
public:
    void Enqueue(std::string) override {}
    void WriteLine(std::string) override
    {
        std::lock_guard lock(mutex_);
        if (firstWrite_ == Clock::time_point{})
            firstWrite_ = Clock::now();
    }
    void Sleep(int) override {}
    std::optional<std::string> LookupGroup(std::string_view) override { return std::nullopt; }
    void SetTriggerGroupEnabled(std::string_view, bool) override {}
    void AppendAuxLine(std::string) override {}
    void RunnerStarted() override {}
    void RunnerEnded() override
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        done_.notify_one();
    }

    // Waits for the runner to finish, so no thread outlives the iteration, and
    // gives the moment its first line arrived.
    Clock::time_point WaitFirstWrite()
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return ended_; });
        auto at = firstWrite_;
        firstWrite_ = {};
        ended_ = false;
        return at;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    Clock::time_point firstWrite_{};
    bool ended_ = false;
};

void BM_StartToFirstWrite(benchmark::State &state)
{
    auto host = std::make_shared<TimingHost>();
    for (auto _ : state) {
        auto begin = Clock::now();
        automation::MudCommand::Start(host, "get all from corpse;#2 north");
        auto at = host->WaitFirstWrite();
        state.SetIterationTime(std::chrono::duration<double>(at - begin).count());
    }
}
BENCHMARK(BM_StartToFirstWrite)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace
