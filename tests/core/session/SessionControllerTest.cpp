#include "core/session/SessionController.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>
#include <zlib.h>

using automation::GroupTable;
using automation::RunnerHost;
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

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string Deflated(const std::string &plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                        reinterpret_cast<const Bytef *>(plain.data()),
                        static_cast<uLong>(plain.size()), 9),
              Z_OK);
    out.resize(size);
    return out;
}

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

TEST(SessionController, AnAgreedCharsetIsReadFromTheNextByteWhereverTheReadsAreCut)
{
    // On automatic the text alone would read as GBK: these Big5 bytes of
    // "你好" are valid GBK too. The agreement must decide.
    const std::string wire = B({255, 251, 42}) + "a" + B({255, 250, 42, 1}) + ";KOI8-R;big5" +
                             B({255, 240}) + "\xA7\x41\xA6\x6E\r\n";
    const std::string text = "a\xC4\xE3\xBA\xC3\r\n";
    const std::string answers = B({255, 253, 42, 255, 250, 42, 2}) + "big5" + B({255, 240});
    for (std::size_t cut = 0; cut < wire.size(); ++cut) {
        Session s;
        s.c.SetNegotiation(true);
        std::string screen = s.Read(wire.substr(0, cut));
        screen += s.Read(wire.substr(cut));
        EXPECT_EQ(screen, text) << cut;
        EXPECT_EQ(s.wire.written, answers) << cut;
        EXPECT_EQ(s.c.encodingStatus(), "Big5\xA3\xA8\xD7\xD4\xB6\xAF\xA3\xA9") << cut;
    }
    // A new connection detects again, and a silent site answers nothing.
    Session s;
    s.c.SetNegotiation(true);
    s.Read(wire);
    s.c.NewConnection();
    EXPECT_EQ(s.c.encodingStatus(), "\xD7\xD4\xB6\xAF");
    s.c.SetNegotiation(false);
    s.wire.written.clear();
    EXPECT_EQ(s.Read(wire), "a\xC4\xE3\xBA\xC3\r\n") << "GBK by detection";
    EXPECT_EQ(s.wire.written, "");
}

TEST(SessionController, ACompressedFloodReachesTheScreenInBoundedPiecesAndWhole)
{
    std::string flood;
    for (int i = 0; flood.size() < 3'000'000; ++i)
        flood += "\x1b[1;3" + std::to_string(i % 8) + "m\xC4\xE3\xBA\xC3 line " +
                 std::to_string(i) + "\r\n";
    const std::string wire = B({255, 251, 86, 255, 250, 86, 255, 240}) + Deflated(flood);
    Session s;
    s.c.SetNegotiation(true);
    const std::size_t bound = session::SessionRoad::kScreenBytesPerCall + 64 * 1024;
    std::string screen;
    s.c.Receive(wire, screen);
    EXPECT_LE(screen.size(), bound);
    int calls = 1;
    while (s.c.receivePending()) {
        std::string piece;
        s.c.ContinueReceive(piece);
        ASSERT_LE(piece.size(), bound);
        ASSERT_FALSE(piece.empty()) << "held work that gives nothing would never end";
        screen += piece;
        ++calls;
    }
    EXPECT_GT(calls, 4);
    EXPECT_TRUE(screen == flood) << screen.size() << " of " << flood.size();
    EXPECT_FALSE(s.c.compressionBroken());

    // A corrupt stream is reported, and nothing after it is read.
    Session broken;
    broken.c.SetNegotiation(true);
    std::string corrupt = wire.substr(0, 200);
    corrupt[20] = static_cast<char>(corrupt[20] ^ 0x5A);
    corrupt[21] = static_cast<char>(corrupt[21] ^ 0x5A);
    broken.Read(corrupt);
    EXPECT_TRUE(broken.c.compressionBroken());
    EXPECT_EQ(broken.Read("more\r\n"), "");
}

TEST(SessionController, TheWindowSizeIsToldWhenTheServerAsksAndAgainWhenItChanges)
{
    const std::string naws80x24 = B({255, 250, 31, 0, 80, 0, 24, 255, 240});
    Session s;
    s.c.SetNegotiation(true);
    s.c.SetWindowSize(80, 24);
    EXPECT_EQ(s.wire.written, "") << "not before the server asked";
    s.Read(B({255, 253, 31}));
    EXPECT_EQ(s.wire.written, B({255, 251, 31}) + naws80x24);
    s.wire.written.clear();
    s.c.SetWindowSize(80, 24);
    EXPECT_EQ(s.wire.written, "") << "the same size is not told twice";
    s.c.SetWindowSize(100, 30);
    EXPECT_EQ(s.wire.written, B({255, 250, 31, 0, 100, 0, 30, 255, 240}));

    Session silent;
    silent.Read(B({255, 253, 31}));
    silent.c.SetWindowSize(80, 24);
    EXPECT_EQ(silent.wire.written, "");
}
