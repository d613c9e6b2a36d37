// Decompression joined to the telnet stage: a compressed session reads the
// same as a plain one wherever its reads are cut, a broken stream stops it,
// and no step gives more than its share of text.
#include "core/session/TelnetReceiver.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <zlib.h>

using session::TelnetEventKind;
using session::TelnetOutput;
using session::TelnetReceiver;

namespace {

constexpr int IAC = 255, DO = 253, WILL = 251, SB = 250, SE = 240, GA = 249;

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string Deflate(const std::string &plain, int level = 9)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                        reinterpret_cast<const Bytef *>(plain.data()),
                        static_cast<uLong>(plain.size()), level),
              Z_OK);
    out.resize(size);
    return out;
}

const std::string kStart = B({IAC, SB, 86, IAC, SE});

// What the compressed part carries: text, an echo switch and a prompt mark.
const std::string kBody = "\x1b[1;32mCompressed\x1b[0m\r\n" + B({IAC, WILL, 1}) +
                          "\xC4\xE3\xBA\xC3\r\nHP> " + B({IAC, GA}) + "ok\r\n";
const std::string kBodyText = "\x1b[1;32mCompressed\x1b[0m\r\n\xC4\xE3\xBA\xC3\r\nHP> ok\r\n";

struct Session
{
    std::string wire;
    std::string text;
    std::string replies;
};

Session CompressedSession()
{
    Session s;
    s.wire = B({IAC, WILL, 86}) + "plain\r\n" + kStart + Deflate(kBody) + "tail\r\n";
    s.text = "plain\r\n" + kBodyText + "tail\r\n";
    s.replies = B({IAC, DO, 86, IAC, DO, 1});
    return s;
}

TelnetOutput FeedPieces(TelnetReceiver &r, const std::string &wire,
                        std::initializer_list<std::size_t> cuts, std::size_t maxText = 64 * 1024)
{
    TelnetOutput out;
    std::size_t from = 0;
    auto feed = [&](std::size_t to) {
        r.Feed(std::string_view(wire).substr(from, to - from));
        while (r.Step(out, maxText)) {
        }
        from = to;
    };
    for (std::size_t cut : cuts)
        feed(cut);
    feed(wire.size());
    return out;
}

} // namespace

TEST(TelnetReceiver, CompressedSessionReadsLikeThePlainOneWhereverTheReadsAreCut)
{
    const Session s = CompressedSession();
    // Every cut point, one at a time: through the start command, the zlib
    // stream and its end; and then the whole session one byte per read, with
    // a tiny step so the output cap cuts too.
    for (std::size_t cut = 0; cut <= s.wire.size(); ++cut) {
        SCOPED_TRACE(cut);
        TelnetReceiver r;
        const TelnetOutput out = FeedPieces(r, s.wire, {cut});
        EXPECT_EQ(out.text, s.text);
        EXPECT_EQ(out.replies, s.replies);
        EXPECT_TRUE(r.serverEchoes());
        EXPECT_FALSE(r.compressing());
        EXPECT_FALSE(r.broken());
    }
    TelnetReceiver bytewise;
    TelnetOutput out;
    for (char c : s.wire) {
        bytewise.Feed(std::string_view(&c, 1));
        while (bytewise.Step(out, 3)) {
        }
    }
    EXPECT_EQ(out.text, s.text);
    EXPECT_EQ(out.replies, s.replies);
    // The events stand where they happened in the text.
    std::string kinds;
    for (const auto &e : out.events)
        kinds += std::to_string(static_cast<int>(e.kind)) + "@" + std::to_string(e.at) + " ";
    const std::size_t prompt = s.text.find("HP> ") + 4;
    EXPECT_EQ(kinds,
              "2@7 0@" + std::to_string(prompt) + " 3@" + std::to_string(s.text.size() - 6) + " ");
}

TEST(TelnetReceiver, AReadSteppedWhereItIsReadsLikeAQueuedOne)
{
    // FeedAndStep works on the read itself and queues only what its step
    // leaves: with a tiny step most of each read is left, and the second
    // read comes while bytes of the first still wait.
    const Session s = CompressedSession();
    const auto events = [](const TelnetOutput &out) {
        std::string kinds;
        for (const auto &e : out.events)
            kinds += std::to_string(static_cast<int>(e.kind)) + "@" + std::to_string(e.at) + " ";
        return kinds;
    };
    for (const std::size_t step : {std::size_t(3), std::size_t(64 * 1024)}) {
        for (std::size_t cut = 0; cut <= s.wire.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << "step " << step << " cut " << cut);
            TelnetReceiver queued, inPlace;
            const TelnetOutput expected = FeedPieces(queued, s.wire, {cut}, step);
            TelnetOutput out;
            const std::string_view wire = s.wire;
            inPlace.FeedAndStep(wire.substr(0, cut), out, step);
            bool more = inPlace.FeedAndStep(wire.substr(cut), out, step);
            while (more)
                more = inPlace.Step(out, step);
            EXPECT_EQ(out.text, s.text);
            EXPECT_EQ(out.replies, expected.replies);
            EXPECT_EQ(events(out), events(expected));
            EXPECT_FALSE(inPlace.pending());
        }
    }
}

TEST(TelnetReceiver, CompressionCanStartAgainAfterItsStreamEnded)
{
    const std::string wire = B({IAC, WILL, 86}) + kStart + Deflate("one\r\n") + "two\r\n" + kStart +
                             Deflate("three\r\n");
    TelnetReceiver r;
    TelnetOutput out;
    r.FeedAll(wire, out);
    EXPECT_EQ(out.text, "one\r\ntwo\r\nthree\r\n");
}

TEST(TelnetReceiver, CorruptStreamIsReportedAndNothingMoreIsRead)
{
    std::string bad = Deflate(std::string(5000, 'x'));
    bad[bad.size() / 2] ^= 0x55;
    bad[bad.size() / 2 + 1] ^= 0x55;
    const std::string notZlib = "this is not a zlib stream at all";
    for (const std::string &stream : {bad, notZlib}) {
        TelnetReceiver r;
        TelnetOutput out;
        r.FeedAll(B({IAC, WILL, 86}) + "before\r\n" + kStart + stream, out);
        EXPECT_TRUE(r.broken());
        ASSERT_FALSE(out.events.empty());
        EXPECT_EQ(out.events.back().kind, TelnetEventKind::CompressionBroken);
        EXPECT_EQ(out.text.substr(0, 8), "before\r\n");
        const std::size_t shown = out.text.size();
        r.FeedAll("later\r\n", out);
        EXPECT_EQ(out.text.size(), shown);
        EXPECT_FALSE(r.pending());
    }
}

TEST(TelnetReceiver, SmallBurstExpandsOnlyInBoundedSteps)
{
    // 8 MiB of text from about 8 KiB on the wire.
    const std::string flood(8 * 1024 * 1024, 'a');
    const std::string wire = B({IAC, WILL, 86}) + kStart + Deflate(flood);
    ASSERT_LT(wire.size(), 20000u);
    TelnetReceiver r;
    r.Feed(wire);
    std::size_t total = 0, steps = 0;
    bool more = true;
    while (more) {
        TelnetOutput out;
        more = r.Step(out);
        EXPECT_LE(out.text.size(), TelnetReceiver::kStepBytes);
        total += out.text.size();
        ASSERT_LT(++steps, 1000u);
    }
    EXPECT_EQ(total, flood.size());
    EXPECT_GE(steps, flood.size() / TelnetReceiver::kStepBytes);
}

// zlib may hold output of input it has already taken (a match cut by the
// cap): the steps go on for it after the input is used up. Every corruption
// of a stream reads the same in small steps as in one.
TEST(TelnetReceiver, OutputHeldBackByTheCapIsNotLost)
{
    const std::string plain = std::string(124, 'x') + "8xq" + std::string(173, 'x');
    const std::string packed = Deflate(plain, 6);
    auto read = [](const std::string &wire, std::size_t cap) {
        TelnetReceiver r;
        TelnetOutput out;
        r.Feed(wire);
        while (r.Step(out, cap)) {
        }
        EXPECT_FALSE(r.pending());
        return out.text + (r.broken() ? "<broken>" : "");
    };
    const std::string start = B({IAC, WILL, 86}) + kStart;
    EXPECT_EQ(read(start + packed, 65), plain);
    for (std::size_t k = 0; k < packed.size(); ++k) {
        SCOPED_TRACE(k);
        std::string bad = packed;
        bad[k] ^= 0x5A;
        const std::string whole = read(start + bad, SIZE_MAX / 2);
        for (std::size_t cap : {1u, 65u, 300u})
            EXPECT_EQ(read(start + bad, cap), whole);
    }
}

TEST(TelnetReceiver, WithoutNegotiationItIsTheSilentFilter)
{
    TelnetReceiver r(TelnetReceiver::Settings{false, "UTF-8"});
    TelnetOutput out;
    r.FeedAll(B({IAC, WILL, 86, IAC, DO, 24, IAC, WILL, 1}) + "a" + kStart + "b\r\n", out);
    EXPECT_EQ(out.text, "ab\r\n");
    EXPECT_EQ(out.replies, "");
    EXPECT_TRUE(out.events.empty());
    EXPECT_TRUE(r.serverEchoes());
    EXPECT_FALSE(r.compressing());
    std::string replies;
    r.SetWindowSize(80, 24, replies);
    EXPECT_EQ(replies, "");
}
