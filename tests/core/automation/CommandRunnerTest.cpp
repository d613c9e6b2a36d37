#include "core/automation/CommandRunner.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

using automation::MudCommand;
using automation::RunnerHost;

namespace {

// What the runners left behind; outlives the host so a test can read it after
// the last reference to the host is gone.
struct Sink
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> writes;
    std::vector<std::string> echoes;
    std::vector<std::string> auxLines;
    int started = 0;
    int ended = 0;
    int lowest = 0; // lowest running count ever seen; below 0 means an unbalanced end
    bool hostDestroyed = false;

    bool WaitFor(const std::function<bool()> &done)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 20s, done);
    }
};

class ThreadedHost : public RunnerHost
{
public:
    explicit ThreadedHost(std::shared_ptr<Sink> sink)
        : sink_(std::move(sink))
    {}
    ~ThreadedHost() override
    {
        std::lock_guard lock(sink_->mutex);
        sink_->hostDestroyed = true;
        sink_->changed.notify_all();
    }

    void Enqueue(std::string item) override
    {
        std::lock_guard lock(sink_->mutex);
        sink_->echoes.push_back(std::move(item));
    }
    void WriteLine(std::string line) override
    {
        std::lock_guard lock(sink_->mutex);
        sink_->writes.push_back(std::move(line));
        sink_->changed.notify_all();
    }
    void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    std::optional<std::string> LookupGroup(std::string_view) override { return std::nullopt; }
    void SetTriggerGroupEnabled(std::string_view, bool) override {}
    void AppendAuxLine(std::string text) override
    {
        std::lock_guard lock(sink_->mutex);
        sink_->auxLines.push_back(std::move(text));
    }
    void RunnerStarted() override
    {
        std::lock_guard lock(sink_->mutex);
        ++sink_->started;
    }
    void RunnerEnded() override
    {
        std::lock_guard lock(sink_->mutex);
        ++sink_->ended;
        sink_->lowest = std::min(sink_->lowest, sink_->started - sink_->ended);
        sink_->changed.notify_all();
    }

private:
    std::shared_ptr<Sink> sink_;
};

} // namespace

TEST(MudCommand, ManyRunnersBalanceNoticesAndKeepTheirOwnOrder)
{
    constexpr int kRunners = 24;
    constexpr int kLines = 40;
    auto sink = std::make_shared<Sink>();
    auto host = std::make_shared<ThreadedHost>(sink);

    for (int r = 0; r < kRunners; ++r) {
        std::string text;
        for (int i = 0; i < kLines; ++i) {
            if (i > 0)
                text += i % 7 == 0 ? "\r\n" : ";";
            text += "r" + std::to_string(r) + " " + std::to_string(i);
        }
        ASSERT_TRUE(MudCommand::Start(host, text));
    }
    {
        // The start notice is given in the creator's thread, before Start returns.
        std::lock_guard lock(sink->mutex);
        EXPECT_EQ(sink->started, kRunners);
    }
    ASSERT_TRUE(sink->WaitFor([&] { return sink->ended == kRunners; }));

    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(sink->started, kRunners);
    EXPECT_GE(sink->lowest, 0);
    ASSERT_EQ(sink->writes.size(), std::size_t(kRunners * kLines));
    std::map<int, int> next;
    for (const auto &line : sink->writes) {
        int r = 0, i = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "r%d %d\n", &r, &i), 2) << line;
        EXPECT_EQ(i, next[r]++) << "runner " << r << " out of order";
        EXPECT_EQ(line.back(), '\n');
    }
    EXPECT_EQ(sink->echoes.size(), sink->writes.size());
}

TEST(MudCommand, RunnerOutlivesItsCreatorsReference)
{
    auto sink = std::make_shared<Sink>();
    auto host = std::make_shared<ThreadedHost>(sink);
    ASSERT_TRUE(MudCommand::Start(host, "#WA 50;a;b"));
    host.reset(); // the window goes away while the runner still waits

    ASSERT_TRUE(sink->WaitFor([&] { return sink->hostDestroyed; }));
    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(sink->writes, (std::vector<std::string>{"a\n", "b\n"}));
    EXPECT_EQ(sink->ended, 1);
}

TEST(MudCommand, CreatorSetsSlowMode)
{
    auto sink = std::make_shared<Sink>();
    auto host = std::make_shared<ThreadedHost>(sink);
    auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(MudCommand::Start(host, "n;s", true, 60));
    ASSERT_TRUE(sink->WaitFor([&] { return sink->ended == 1; }));
    // A pause after each of the two lines.
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 120ms);
    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(sink->writes, (std::vector<std::string>{"n\n", "s\n"}));
}

TEST(MudCommand, NoHostNoRunner)
{
    EXPECT_FALSE(MudCommand::Start(nullptr, "look"));
}

// Hidden input: a line the server asked not to show is sent like any other and
// leaves nothing on the screen or in the auxiliary window.
TEST(MudCommand, UnechoedRunnerSendsButShowsNothing)
{
    auto sink = std::make_shared<Sink>();
    auto host = std::make_shared<ThreadedHost>(sink);
    ASSERT_TRUE(MudCommand::StartUnechoed(host, "s3cret;#HP s3cret;#2 x"));
    ASSERT_TRUE(sink->WaitFor([&] { return sink->ended == 1; }));
    std::lock_guard lock(sink->mutex);
    EXPECT_EQ(sink->started, 1);
    EXPECT_EQ(sink->writes, (std::vector<std::string>{"s3cret\n", "x\n", "x\n"}));
    EXPECT_TRUE(sink->echoes.empty());
    EXPECT_TRUE(sink->auxLines.empty());
    EXPECT_FALSE(MudCommand::StartUnechoed(nullptr, "look"));
}
