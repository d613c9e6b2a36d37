#include "core/session/SessionController.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

using session::SessionController;

namespace {

// Records what the window's runners asked for; Settle waits until every runner ended.
class RecordingHost : public RunnerHost
{
public:
    std::vector<std::string> writes, echoes;

    void Enqueue(std::string item) override
    {
        Locked([&] { echoes.push_back(std::move(item)); });
    }
    void WriteLine(std::string line) override
    {
        Locked([&] { writes.push_back(std::move(line)); });
    }
    void Sleep(int) override {}
    std::optional<std::string> LookupGroup(std::string_view) override { return std::nullopt; }
    void SetTriggerGroupEnabled(std::string_view, bool) override {}
    void AppendAuxLine(std::string) override {}
    void RunnerStarted() override
    {
        Locked([&] { ++running_; });
    }
    void RunnerEnded() override
    {
        Locked([&] { --running_; });
    }

    void Settle()
    {
        std::unique_lock lock(mutex_);
        ASSERT_TRUE(
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return running_ == 0; }));
    }

private:
    template <class F> void Locked(F f)
    {
        std::lock_guard lock(mutex_);
        f();
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    int running_ = 0;
};

struct NoWire : session::ServerWire
{
    std::string written;
    void WriteToServer(std::string_view bytes) override { written.append(bytes); }
};

struct Session
{
    std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
    NoWire wire;
    SessionController c{host, std::make_shared<GroupTable>(), wire};

    std::string Read(std::string_view bytes)
    {
        std::string screen;
        c.Receive(bytes, screen);
        return screen;
    }
};

const std::string kWillEcho("\xFF\xFB\x01", 3), kWontEcho("\xFF\xFC\x01", 3);

} // namespace

TEST(SessionController, TheNamePromptArmsTheCaptureForOneLineOnly)
{
    struct Row
    {
        const char *typed;
        std::optional<std::string> name;
    };
    const Row rows[] = {{"wizard ", "wizard"}, {"connect wizard secret", std::nullopt}, {"", {}}};
    for (const Row &row : rows) {
        Session s;
        EXPECT_FALSE(s.c.SendTypedLine("look").captionName); // no prompt yet
        s.Read("\xC7\xEB\xCA\xE4\xC8\xEB\xC3");              // the mark split between reads
        EXPECT_EQ(s.c.nameCaptureStage(), 0);
        EXPECT_EQ(s.Read("\xFB:"), "\xFB:");
        EXPECT_EQ(s.c.nameCaptureStage(), 1);
        EXPECT_EQ(s.c.SendTypedLine(row.typed).captionName, row.name) << row.typed;
        EXPECT_FALSE(s.c.SendTypedLine("again").captionName);
        EXPECT_EQ(s.c.nameCaptureStage(), 2);
        s.host->Settle();
    }
}

TEST(SessionController, AHiddenLineIsSentUnechoedAndLeavesNoTrace)
{
    Session s;
    s.c.ToggleRecording();
    std::string screen;
    EXPECT_TRUE(s.c.Receive("Password:" + kWillEcho, screen));
    EXPECT_EQ(screen, "Password:");
    EXPECT_FALSE(s.c.Receive("", screen)) << "no change, no report";
    const SessionController::TypedLine sent = s.c.SendTypedLine("secret");
    EXPECT_TRUE(sent.hidden);
    EXPECT_FALSE(sent.captionName);
    s.host->Settle();
    EXPECT_EQ(s.host->writes, std::vector<std::string>{"secret\n"});
    EXPECT_TRUE(s.host->echoes.empty());
    EXPECT_EQ(s.c.ToggleRecording(), SessionController::Recording::kNothingRecorded);

    EXPECT_TRUE(s.c.Receive(kWontEcho, screen));
    EXPECT_FALSE(s.c.inputHidden());
    s.Read(kWillEcho);
    EXPECT_TRUE(s.c.NewConnection()) << "a dropped connection never leaves typing hidden";
    EXPECT_FALSE(s.c.inputHidden());
    EXPECT_FALSE(s.c.NewConnection());
}

TEST(SessionController, RecordingKeepsTypedLinesButNotHotkeysAndWalksReverse)
{
    Session s;
    s.c.SetHotkeys({{"F1"}, {"hp"}});
    EXPECT_EQ(s.c.ToggleRecording(), SessionController::Recording::kStarted);
    // One runner each: settled in turn, so the writes keep this order.
    s.c.SendTypedLine("n");
    s.host->Settle();
    s.c.FireHotkey("F1");
    s.c.FireHotkey("F2"); // unbound: nothing
    s.host->Settle();
    s.c.SendTypedLine("e");
    EXPECT_EQ(s.c.ToggleRecording(), SessionController::Recording::kRecorded);
    EXPECT_EQ(s.c.walk().recordedPath, "n\r\ne\r\n");
    s.host->Settle();
    EXPECT_EQ(s.host->writes, (std::vector<std::string>{"n\n", "hp\n", "e\n"}));

    s.host->writes.clear();
    s.c.SetPaths({{"home"}, {s.c.walk().recordedPath}});
    s.c.SetWalkForward(false);
    EXPECT_FALSE(s.c.WalkPath(1, false));
    EXPECT_FALSE(s.c.WalkPath(-1, false));
    EXPECT_TRUE(s.c.WalkPath(0, false));
    s.host->Settle();
    EXPECT_EQ(s.host->writes, (std::vector<std::string>{"w\n", "s\n"}));
}

TEST(SessionController, TheKeepAliveRunsOnItsMinuteAndTheHangUpSaysItsWords)
{
    Session s;
    s.c.SetKeepAlive({"hp", 2, 0, "quit"});
    s.c.MinuteTick();
    s.host->Settle();
    EXPECT_TRUE(s.host->writes.empty());
    s.c.MinuteTick();
    s.host->Settle();
    s.c.HangUp();
    s.host->Settle();
    EXPECT_EQ(s.host->writes, (std::vector<std::string>{"hp\n", "quit\n"}));
}
