#include "core/session/SessionRoad.h"

#include "core/session/TelnetStage.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using session::ReceiveStage;
using session::ReplyPort;
using session::SendStage;
using session::SessionRoad;

namespace {

struct RecordingWire : session::ServerWire
{
    std::vector<std::string> writes;
    void WriteToServer(std::string_view bytes) override { writes.emplace_back(bytes); }
};

// Feeds `wire` as reads cut at `cuts` and returns everything that reached the screen queue.
std::string ReadAll(SessionRoad &road, std::string_view wire, const std::vector<std::size_t> &cuts)
{
    std::string screen;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        road.Receive(wire.substr(at, cut - at), screen);
        at = cut;
    }
    road.Receive(wire.substr(at), screen);
    return screen;
}

std::vector<std::size_t> EveryByte(std::size_t size)
{
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < size; ++i)
        cuts.push_back(i);
    return cuts;
}

// Stands for decompression: once switched on, every byte is XOR 0x5A.
struct ToyInflate : ReceiveStage
{
    bool on = false;
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &) override
    {
        for (char c : in)
            out += on ? static_cast<char>(c ^ 0x5A) : c;
        return in.size();
    }
    void NewConnection() override { on = false; }
};

// Stands for the telnet stage seeing "compression starts": at 0x01 it switches
// the stage before it on and gives the rest of the read back, so nothing after
// it has seen those bytes yet.
struct ToySwitch : ReceiveStage
{
    ToyInflate *inflate = nullptr;
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &) override
    {
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i] == '\x01' && !inflate->on) {
                inflate->on = true;
                return i + 1;
            }
            out += in[i];
        }
        return in.size();
    }
};

// Answers every '?' at once, and keeps the port to speak later on its own.
struct ToyAnswer : ReceiveStage
{
    ReplyPort *port = nullptr;
    void Attach(ReplyPort &p) override { port = &p; }
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &replies) override
    {
        for (char c : in)
            if (c == '?')
                replies.Reply("!");
        out.append(in);
        return in.size();
    }
};

// Writes its tag before what it passes on, so a test sees who saw what, in which order.
struct Tag : ReceiveStage
{
    std::string tag;
    explicit Tag(std::string t)
        : tag(std::move(t))
    {}
    std::size_t Feed(std::string_view in, std::string &out, ReplyPort &) override
    {
        out += tag + "[" + std::string(in) + "]";
        return in.size();
    }
};

// Only looks: records what it saw, and the text passes it as it is.
struct Watcher : ReceiveStage
{
    std::string seen;
    std::size_t Feed(std::string_view, std::string &, ReplyPort &) override
    {
        ADD_FAILURE() << "an observer is never fed";
        return 0;
    }
    bool observesOnly() const override { return true; }
    void Observe(std::string_view in) override { seen.append(in); }
};

struct DoubleIac : SendStage
{
    void Feed(std::string_view line, std::string &out) override
    {
        for (char c : line) {
            out += c;
            if (c == '\xFF')
                out += c;
        }
    }
};

} // namespace

TEST(SessionRoad, TodaysRoadTakesOutTelnetAndSeesTheMarkHoweverTheReadsAreCut)
{
    // Negotiation, a name prompt whose mark is split, hidden input, IAC IAC.
    const std::string wire = std::string("\xFF\xFB\x01\xFF\xFD\x1F", 6) + "\xC4\xFA\xB5\xC4" +
                             "\xFF\xFA\x18\x01\xFF\xF0" +
                             "\xC3\xFB\xD7\xD6:" + std::string("\xFF\xFF", 2) + "\r\n";
    const std::string text = "\xC4\xFA\xB5\xC4\xC3\xFB\xD7\xD6:\xFF\r\n";
    std::vector<std::vector<std::size_t>> splits = {{}, EveryByte(wire.size())};
    for (std::size_t cut = 1; cut < wire.size(); ++cut)
        splits.push_back({cut});
    for (const auto &cuts : splits) {
        RecordingWire server;
        SessionRoad road(server);
        EXPECT_EQ(ReadAll(road, wire, cuts), text) << cuts.size() << " cuts";
        EXPECT_TRUE(road.nameMark().seen());
        EXPECT_EQ(road.nameMark().bytesScanned(), 6u);
        EXPECT_TRUE(road.telnet().serverEchoes());
        EXPECT_TRUE(server.writes.empty()) << "today nothing is answered";
    }
}

TEST(SessionRoad, StagesSitInTheirPlacesInOrder)
{
    RecordingWire server;
    SessionRoad road(server);
    road.Insert(SessionRoad::Place::kAfterNameMark, std::make_unique<Tag>("z"));
    road.Insert(SessionRoad::Place::kAfterTelnet, std::make_unique<Tag>("t"));
    road.Insert(SessionRoad::Place::kBeforeTelnet, std::make_unique<Tag>("a"));
    road.Insert(SessionRoad::Place::kBeforeTelnet, std::make_unique<Tag>("b"));
    std::string screen;
    road.Receive(std::string("x\xFF\xF9", 3), screen);
    // Both stages before telnet see the command; the ones after it do not.
    EXPECT_EQ(screen, "z[t[b[a[x]]]]");
    EXPECT_FALSE(road.nameMark().seen());
}

TEST(SessionRoad, AStageThatChangesTheStagesBeforeItHasTheRestOfTheReadPassedAgain)
{
    // Plain text, the switch byte, then "compressed" text whose last byte is
    // itself the switch once inflated (0x01 ^ 0x5A): it must not switch twice.
    std::string compressed;
    for (char c : std::string("\xC4\xFA\r\n\x01", 5))
        compressed += static_cast<char>(c ^ 0x5A);
    const std::string wire = "hello\r\n\x01" + compressed;
    const std::string text = std::string("hello\r\n\xC4\xFA\r\n\x01", 12);
    std::vector<std::vector<std::size_t>> splits = {{}, EveryByte(wire.size())};
    for (std::size_t cut = 1; cut < wire.size(); ++cut)
        splits.push_back({cut});
    for (const auto &cuts : splits) {
        RecordingWire server;
        SessionRoad road(server);
        auto inflate = std::make_unique<ToyInflate>();
        auto toggle = std::make_unique<ToySwitch>();
        toggle->inflate = inflate.get();
        road.Insert(SessionRoad::Place::kBeforeTelnet, std::move(inflate));
        road.Insert(SessionRoad::Place::kBeforeTelnet, std::move(toggle));
        EXPECT_EQ(ReadAll(road, wire, cuts), text) << cuts.size() << " cuts";
    }
}

TEST(SessionRoad, RepliesLeaveDuringTheReadOrOnTheirOwnAndSkipTheSendStages)
{
    RecordingWire server;
    SessionRoad road(server);
    auto answer = std::make_unique<ToyAnswer>();
    ToyAnswer *kept = answer.get();
    road.Insert(SessionRoad::Place::kAfterTelnet, std::move(answer));
    road.InsertSend(std::make_unique<DoubleIac>());
    std::string screen;
    road.Receive("a?b?", screen);
    EXPECT_EQ(screen, "a?b?");
    ASSERT_NE(kept->port, nullptr);
    kept->port->Reply(std::string("\xFF\xFA\x1F", 3)); // a size change, no read
    road.SendLine(std::string("x\xFFy\n", 4));
    road.SendReply(std::string("\xFF\xF1", 2));
    EXPECT_EQ(server.writes, (std::vector<std::string>{"!", "!", std::string("\xFF\xFA\x1F", 3),
                                                       std::string("x\xFF\xFFy\n", 5),
                                                       std::string("\xFF\xF1", 2)}));
}

TEST(SessionRoad, WithoutSendStagesALineGoesOutByteForByte)
{
    RecordingWire server;
    SessionRoad road(server);
    const std::string line("\xC4\xE3\xBA\xC3 \xFF\n", 7);
    road.SendLine(line);
    EXPECT_EQ(server.writes, std::vector<std::string>{line});
}

TEST(SessionRoad, ANewConnectionStartsTelnetAfreshButKeepsTheSeenMark)
{
    RecordingWire server;
    SessionRoad road(server);
    std::string screen;
    road.Receive("\xC3\xFB\xFF\xFB\x01\xFF", screen); // ends inside a command
    road.NewConnection();
    road.Receive("\xFF", screen); // a fresh filter: the start of a command, not IAC IAC
    EXPECT_EQ(screen, "\xC3\xFB");
    EXPECT_FALSE(road.telnet().serverEchoes());
    EXPECT_TRUE(road.nameMark().seen());
}

TEST(SessionRoad, EachReadsTextComesWholeIntoAFreshStringOrAfterWhatItHolds)
{
    // As the window takes them: a fresh string per read, the last stage's
    // buffer handed over, small reads after large ones and a read beyond a
    // telnet step; then one read after text the string already holds.
    RecordingWire server;
    SessionRoad road(server);
    road.Insert(SessionRoad::Place::kAfterTelnet, std::make_unique<Tag>("t"));
    auto watcher = std::make_unique<Watcher>();
    Watcher *watch = watcher.get();
    road.Insert(SessionRoad::Place::kAfterNameMark, std::move(watcher));
    std::string expected;
    for (const std::size_t size : {100000, 3, 70000, 1, 200}) {
        const std::string read(size, static_cast<char>('a' + size % 26));
        std::string screen;
        road.Receive(read, screen);
        ASSERT_FALSE(road.pending());
        std::string want;
        for (std::size_t at = 0; at < size; at += session::TelnetReceiver::kStepBytes)
            want += "t[" + read.substr(at, session::TelnetReceiver::kStepBytes) + "]";
        ASSERT_EQ(screen, want) << size;
        expected += want;
    }
    std::string screen = "held";
    road.Receive("xy", screen);
    EXPECT_EQ(screen, "heldt[xy]");
    EXPECT_EQ(watch->seen, expected + "t[xy]");
}
