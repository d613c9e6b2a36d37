// Stopping a window's runners: a thrown switch ends a runner at its next step
// or wait (even a long "#WA"), sends nothing more, still balances the start
// and end notices, and runners started afterwards are not affected.
#include "core/automation/RunnerStop.h"

#include "core/automation/CommandRunner.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

using automation::MudCommand;
using automation::RunnerHost;

namespace {

class RecordingHost : public RunnerHost
{
public:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> writes;
    int running = 0;

    void Enqueue(std::string) override {}
    void WriteLine(std::string line) override
    {
        std::lock_guard lock(mutex);
        writes.push_back(std::move(line));
        changed.notify_all();
    }
    void Sleep(int) override {}
    std::optional<std::string> LookupGroup(std::string_view) override { return std::nullopt; }
    void SetTriggerGroupEnabled(std::string_view, bool) override {}
    void AppendAuxLine(std::string) override {}
    void RunnerStarted() override
    {
        std::lock_guard lock(mutex);
        ++running;
    }
    void RunnerEnded() override
    {
        std::lock_guard lock(mutex);
        --running;
        changed.notify_all();
    }

    template <class Done> bool WaitFor(Done done)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 20s, done);
    }
};

} // namespace

TEST(RunnerStop, StopEndsAWaitingRunnerAndSendsNothingMore)
{
    auto host = std::make_shared<RecordingHost>();
    automation::RunnerStops stops;
    // The walk sends its first step, then waits far longer than the test runs.
    ASSERT_TRUE(MudCommand::Start(stops.Wrap(host), "n;#WA 600000;e;#100000 s"));
    ASSERT_TRUE(host->WaitFor([&] { return host->writes.size() == 1; }));
    stops.StopAll();
    ASSERT_TRUE(host->WaitFor([&] { return host->running == 0; }));
    EXPECT_EQ(host->writes, (std::vector<std::string>{"n\n"}));

    // A runner started after the stop runs to its end.
    ASSERT_TRUE(MudCommand::Start(stops.Wrap(host), "u;d"));
    ASSERT_TRUE(host->WaitFor([&] { return host->running == 0 && host->writes.size() == 3; }));
    EXPECT_EQ(host->writes, (std::vector<std::string>{"n\n", "u\n", "d\n"}));
}

TEST(RunnerStop, SlowModePauseIsCutShort)
{
    auto host = std::make_shared<RecordingHost>();
    automation::RunnerStops stops;
    // Slow mode waits through the host after every line.
    ASSERT_TRUE(MudCommand::Start(stops.Wrap(host), "a;b;c", true, 600000));
    ASSERT_TRUE(host->WaitFor([&] { return !host->writes.empty(); }));
    stops.StopAll();
    ASSERT_TRUE(host->WaitFor([&] { return host->running == 0; }));
    EXPECT_EQ(host->writes, (std::vector<std::string>{"a\n"}));
}

TEST(StopSwitch, WaitReportsTheThrow)
{
    automation::StopSwitch stop;
    EXPECT_FALSE(stop.WaitFor(0));
    EXPECT_FALSE(stop.WaitFor(1));
    stop.Stop();
    EXPECT_TRUE(stop.stopped());
    EXPECT_TRUE(stop.WaitFor(600000)); // returns at once once thrown
}
