// The negotiating telnet stage: the answers a client gives to what real
// servers offer, the subnegotiations it takes part in, and the text it leaves.
#include "core/session/TelnetNegotiator.h"

#include "core/session/TelnetCodes.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

using session::TelnetEventKind;
using session::TelnetNegotiator;
using session::TelnetOutput;
namespace telnet = session::telnet;

namespace {

constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string Sub(int option, const std::string &data)
{
    return B({IAC, SB, option}) + data + B({IAC, SE});
}

TelnetOutput FeedWhole(TelnetNegotiator &n, const std::string &bytes)
{
    TelnetOutput out;
    EXPECT_EQ(n.Feed(bytes, out), bytes.size());
    return out;
}

TelnetOutput FeedBytewise(TelnetNegotiator &n, const std::string &bytes)
{
    TelnetOutput out;
    for (char c : bytes)
        EXPECT_EQ(n.Feed(std::string_view(&c, 1), out), 1u);
    return out;
}

} // namespace

TEST(TelnetNegotiator, ConnectBurstOfAModernServerIsAnsweredOnceWhereverCut)
{
    // What an LPMUD driver offers at connect, then its welcome.
    const std::string burst = B({IAC, DO, 24, IAC, DO,   31,  IAC, DO,   39, IAC, WILL, 86,
                                 IAC, DO, 91, IAC, WILL, 201, IAC, WILL, 70, IAC, WILL, 42}) +
                              "Welcome\r\n\xBB\xB6\xD3\xAD\r\n";
    const std::string want =
        B({IAC, WILL, 24, IAC, WILL, 31,   IAC, SB,  31,   0,   100, 0,    40, IAC, SE, IAC, WONT,
           39,  IAC,  DO, 86,  IAC,  WONT, 91,  IAC, DONT, 201, IAC, DONT, 70, IAC, DO, 42});
    for (bool bytewise : {false, true}) {
        TelnetNegotiator n;
        std::string early;
        n.SetWindowSize(100, 40, early);
        EXPECT_EQ(early, ""); // nothing before the server asks
        const TelnetOutput out = bytewise ? FeedBytewise(n, burst) : FeedWhole(n, burst);
        EXPECT_EQ(out.text, "Welcome\r\n\xBB\xB6\xD3\xAD\r\n");
        EXPECT_EQ(out.replies, want);
        EXPECT_TRUE(out.events.empty());
        // The same burst again (a server that repeats itself) gets nothing.
        EXPECT_EQ(FeedWhole(n, burst).replies, "");
    }
}

TEST(TelnetNegotiator, EveryOptionFromEitherSideIsTakenOrRefused)
{
    struct Row
    {
        int option;
        int answerToWill, answerToDo;
    };
    const Row rows[] = {
        {telnet::kOptEcho, DO, WONT},
        {telnet::kOptSga, DO, WILL},
        {telnet::kOptTtype, DONT, WILL},
        {telnet::kOptEor, DO, WONT},
        {telnet::kOptNaws, DONT, WILL},
        {telnet::kOptCharset, DO, WILL},
        {telnet::kOptMccp2, DO, WONT},
        {201 /* GMCP */, DONT, WONT},
        {70 /* MSSP */, DONT, WONT},
        {91 /* MXP */, DONT, WONT},
        {39 /* NEW-ENVIRON */, DONT, WONT},
        {0 /* binary */, DONT, WONT},
        {255, DONT, WONT},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.option);
        TelnetNegotiator n;
        EXPECT_EQ(FeedWhole(n, B({IAC, WILL, r.option})).replies,
                  B({IAC, r.answerToWill, r.option}));
        EXPECT_EQ(FeedWhole(n, B({IAC, DO, r.option})).replies, B({IAC, r.answerToDo, r.option}));
        // Ten thousand repeats of either offer get nothing more.
        std::string again;
        for (int i = 0; i < 10000; ++i)
            again += B({IAC, WILL, r.option, IAC, DO, r.option});
        EXPECT_EQ(FeedWhole(n, again).replies, "");
        // Taking back what was accepted is acknowledged once; a refused one needs nothing.
        const TelnetOutput off = FeedWhole(n, B({IAC, WONT, r.option, IAC, DONT, r.option}));
        std::string wantOff;
        if (r.answerToWill == DO)
            wantOff += B({IAC, DONT, r.option});
        if (r.answerToDo == WILL)
            wantOff += B({IAC, WONT, r.option});
        EXPECT_EQ(off.replies, wantOff);
    }
}

TEST(TelnetNegotiator, ServerEchoHidesInputUntilItStops)
{
    TelnetNegotiator n;
    EXPECT_FALSE(n.serverEchoes());
    EXPECT_EQ(FeedWhole(n, B({IAC, WILL, 1}) + "Password: ").replies, B({IAC, DO, 1}));
    EXPECT_TRUE(n.serverEchoes());
    EXPECT_EQ(FeedWhole(n, B({IAC, WILL, 1})).replies, "");
    EXPECT_EQ(FeedWhole(n, B({IAC, WONT, 1})).replies, B({IAC, DONT, 1}));
    EXPECT_FALSE(n.serverEchoes());
    // The server's answer to our DONT needs nothing: no WONT/DONT loop.
    EXPECT_EQ(FeedWhole(n, B({IAC, WONT, 1, IAC, WONT, 1})).replies, "");
}

TEST(TelnetNegotiator, TerminalTypesNameTheClientThenTheTerminalThenWhatItDraws)
{
    struct Row
    {
        const char *encoding;
        const char *mtts;
    };
    const Row rows[] = {{"", "MTTS 1"}, {"GBK", "MTTS 1"}, {"utf-8", "MTTS 5"}};
    const std::string send = Sub(24, B({1}));
    for (const Row &r : rows) {
        TelnetNegotiator n(r.encoding);
        EXPECT_EQ(FeedWhole(n, send).replies, ""); // not agreed yet
        FeedWhole(n, B({IAC, DO, 24}));
        std::string answers;
        for (int i = 0; i < 4; ++i)
            answers += FeedWhole(n, send).replies;
        EXPECT_EQ(answers, Sub(24, B({0}) + "QUORVEL") + Sub(24, B({0}) + "ANSI") +
                               Sub(24, B({0}) + r.mtts) + Sub(24, B({0}) + r.mtts));
    }
}

TEST(TelnetNegotiator, WindowSizeIsSentOnAcceptanceAndAgainOnlyWhenItChanges)
{
    TelnetNegotiator n;
    std::string replies;
    n.SetWindowSize(80, 25, replies);
    EXPECT_EQ(FeedWhole(n, B({IAC, DO, 31})).replies,
              B({IAC, WILL, 31}) + Sub(31, B({0, 80, 0, 25})));
    n.SetWindowSize(80, 25, replies);
    EXPECT_EQ(replies, "");
    n.SetWindowSize(255, 300, replies); // 255 is doubled, 300 is two bytes
    EXPECT_EQ(replies, B({IAC, SB, 31, 0, 255, 255, 1, 44, IAC, SE}));
    replies.clear();
    // Off again: sizes are kept but not sent.
    FeedWhole(n, B({IAC, DONT, 31}));
    n.SetWindowSize(90, 30, replies);
    EXPECT_EQ(replies, "");
    EXPECT_EQ(FeedWhole(n, B({IAC, DO, 31})).replies,
              B({IAC, WILL, 31}) + Sub(31, B({0, 90, 0, 30})));
}

TEST(TelnetNegotiator, CharsetRequestIsAnsweredWithTheSitesEncodingOrTheFirstWeDecode)
{
    struct Row
    {
        const char *site;
        std::string request;  // after REQUEST
        const char *accepted; // nullptr: rejected
        const char *charset;
    };
    const Row rows[] = {
        {"", ";ISO-8859-1;utf-8;GBK", "utf-8", "UTF-8"},
        {"", " KOI8-R GB18030", "GB18030", "GB18030"},
        {"", ";ISO-8859-1;US-ASCII", nullptr, nullptr},
        {"GBK", ";UTF-8;gbk", "gbk", "GBK"},
        {"GBK", ";UTF-8;GB18030", nullptr, nullptr},
        {"BIG5", "[TTABLE]\x01;UTF-8;Big5", "Big5", "BIG5"},
        {"", "", nullptr, nullptr},
        {"", ";", nullptr, nullptr},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.request);
        TelnetNegotiator n(r.site);
        FeedWhole(n, B({IAC, WILL, 42}));
        const std::string wire = "a" + Sub(42, B({1}) + r.request) + "b";
        TelnetOutput out;
        // An accepted request ends the feed, so the caller can switch before "b".
        const std::size_t taken = n.Feed(wire, out);
        EXPECT_EQ(taken, wire.size() - (r.accepted ? 1 : 0));
        n.Feed(std::string_view(wire).substr(taken), out);
        EXPECT_EQ(out.text, "ab");
        if (r.accepted) {
            EXPECT_EQ(out.replies, Sub(42, B({2}) + r.accepted));
            ASSERT_EQ(out.events.size(), 1u);
            EXPECT_EQ(out.events[0].kind, TelnetEventKind::CharsetAccepted);
            EXPECT_EQ(out.events[0].charset, r.charset);
            EXPECT_EQ(out.events[0].at, 1u); // the next byte is in the new encoding
        } else {
            EXPECT_EQ(out.replies, Sub(42, B({3})));
            EXPECT_TRUE(out.events.empty());
        }
    }
    // Before CHARSET is agreed a request is not answered.
    TelnetNegotiator n;
    EXPECT_EQ(FeedWhole(n, Sub(42, B({1}) + ";UTF-8")).replies, "");
}

TEST(TelnetNegotiator, PromptsEndedByGaOrEorAreReported)
{
    TelnetNegotiator n;
    const TelnetOutput out =
        FeedBytewise(n, "line\r\nHP:10> " + B({IAC, 249}) + "more> " + B({IAC, 239, IAC, 241}));
    EXPECT_EQ(out.text, "line\r\nHP:10> more> ");
    ASSERT_EQ(out.events.size(), 2u);
    EXPECT_EQ(out.events[0].kind, TelnetEventKind::PromptEnd);
    EXPECT_EQ(out.events[0].at, 13u);
    EXPECT_EQ(out.events[1].at, 19u);
}

TEST(TelnetNegotiator, OverlongSubnegotiationIsDiscardedUpToItsEnd)
{
    TelnetNegotiator n;
    FeedWhole(n, B({IAC, DO, 24}));
    // A terminal-type request buried in more than the cap is not answered,
    // and none of its payload becomes text.
    std::string big = B({IAC, SB, 24, 1}) + std::string(TelnetNegotiator::kMaxSubnegotiation, 'A') +
                      B({IAC, IAC}) + std::string(1000, 'B') + B({IAC, SE}) + "after\r\n";
    const TelnetOutput out = FeedWhole(n, big);
    EXPECT_EQ(out.text, "after\r\n");
    EXPECT_EQ(out.replies, "");
    // The stage goes on as before.
    EXPECT_EQ(FeedWhole(n, Sub(24, B({1}))).replies, Sub(24, B({0}) + "QUORVEL"));
}

TEST(TelnetNegotiator, CompressionStartsOnlyWhereItWasAgreed)
{
    const std::string start = Sub(86, "") + "zz";
    TelnetNegotiator unasked;
    TelnetOutput out;
    EXPECT_EQ(unasked.Feed(start, out), start.size());
    EXPECT_FALSE(unasked.TakeCompressionStart());
    EXPECT_EQ(out.text, "zz");

    TelnetNegotiator agreed;
    FeedWhole(agreed, B({IAC, WILL, 86}));
    out.Clear();
    EXPECT_EQ(agreed.Feed("x" + start, out), 6u); // stops right after IAC SE
    EXPECT_TRUE(agreed.TakeCompressionStart());
    EXPECT_FALSE(agreed.TakeCompressionStart());
    EXPECT_EQ(out.text, "x");
}
