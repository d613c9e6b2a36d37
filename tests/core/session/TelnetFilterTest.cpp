#include "core/session/TelnetFilter.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using session::TelnetFilter;

namespace {

// What a real server sent at connect, before its welcome.
const std::string kConnectBurst("\xFF\xFB\x19\xFF\xFD\x19\xFF\xFD\x03\xFF\xFD\x18"
                                "\xFF\xFD\x1F\xFF\xFD\x27\xFF\xFB\x2A\xFF\xFD\x2A",
                                24);
const std::string kWelcome = "Welcome to the game!\r\n\xBB\xB6\xD3\xAD\r\n";

std::string FeedAll(TelnetFilter &filter, const std::vector<std::string> &reads)
{
    std::string out;
    for (const auto &r : reads)
        filter.Feed(r, out);
    return out;
}

std::string FeedWhole(std::string_view bytes)
{
    TelnetFilter filter;
    std::string out;
    filter.Feed(bytes, out);
    return out;
}

} // namespace

TEST(TelnetFilter, ConnectBurstLeavesTheWelcomeWhereverTheReadIsCut)
{
    const std::string wire = kConnectBurst + kWelcome;
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        TelnetFilter filter;
        EXPECT_EQ(FeedAll(filter, {wire.substr(0, cut), wire.substr(cut)}), kWelcome)
            << "cut at " << cut;
        EXPECT_FALSE(filter.serverEchoes());
    }
    TelnetFilter bytewise;
    std::vector<std::string> bytes;
    for (char c : wire)
        bytes.emplace_back(1, c);
    EXPECT_EQ(FeedAll(bytewise, bytes), kWelcome);
}

TEST(TelnetFilter, CommandsAreRemovedAndIacIacIsOneDataByte)
{
    struct Row
    {
        const char *name;
        std::string wire;
        std::string text;
    };
    // clang-format off
    const Row rows[] = {
        {"IAC IAC", std::string("a\xFF\xFF" "b"), std::string("a\xFF" "b")},
        {"two IAC IAC", std::string("\xFF\xFF\xFF\xFF"), std::string("\xFF\xFF")},
        {"GA after a prompt", std::string("> \xFF\xF9"), "> "},
        {"EOR after a prompt", std::string("> \xFF\xEF"), "> "},
        {"NOP inside a line", std::string("ab\xFF\xF1" "cd\r\n"), "abcd\r\n"},
        {"option verbs", std::string("\xFF\xFB\x01x\xFF\xFC\x01y\xFF\xFD\x18z\xFF\xFE\x18"), "xyz"},
        {"option byte 0xFF", std::string("\xFF\xFD\xFFq"), "q"},
        {"subnegotiation", std::string("a\xFF\xFA\x18\x01\xFF\xF0" "b"), "ab"},
        {"IAC IAC inside a subnegotiation",
         std::string("a\xFF\xFA\x18\xFF\xFF\xFF\xF0" "b"), "ab"},
        {"IAC then other byte stays inside",
         std::string("a\xFF\xFA\x18\xFF\x41zz\xFF\xF0" "b"), "ab"},
        {"SE outside a subnegotiation", std::string("a\xFF\xF0" "b"), "ab"},
        {"ESC sequences untouched", std::string("\x1b[1;31mred\x1b[0m"), std::string("\x1b[1;31mred\x1b[0m")},
    };
    // clang-format on
    for (const Row &row : rows)
        EXPECT_EQ(FeedWhole(row.wire), row.text) << row.name;
}

TEST(TelnetFilter, EchoIsHiddenFromWillEchoToWontEcho)
{
    struct Row
    {
        const char *name;
        std::string wire;
        bool hidden;
    };
    const Row rows[] = {
        {"WILL ECHO", std::string("\xFF\xFB\x01", 3), true},
        {"WILL then WONT", std::string("\xFF\xFB\x01pw:\xFF\xFC\x01", 9), false},
        {"WONT then WILL", std::string("\xFF\xFC\x01\xFF\xFB\x01", 6), true},
        // DO ECHO asks the client to echo to the server: nothing to hide.
        {"DO ECHO", std::string("\xFF\xFD\x01", 3), false},
        {"WILL other option", std::string("\xFF\xFB\x03", 3), false},
        // Data bytes of a subnegotiation are not commands.
        {"inside a subnegotiation", std::string("\xFF\xFA\xFF\xFF\xFB\x01\xFF\xF0", 8), false},
        // Escaped 0xFF in text followed by what looks like WILL ECHO.
        {"after IAC IAC", std::string("\xFF\xFF\xFB\x01", 4), false},
    };
    for (const Row &row : rows) {
        // Whole, and one byte a read.
        TelnetFilter whole;
        std::string out;
        whole.Feed(row.wire, out);
        EXPECT_EQ(whole.serverEchoes(), row.hidden) << row.name;
        TelnetFilter split;
        for (char c : row.wire)
            split.Feed(std::string_view(&c, 1), out);
        EXPECT_EQ(split.serverEchoes(), row.hidden) << row.name << " byte by byte";
    }
}

TEST(TelnetFilter, SubnegotiationAcrossThreeReadsIsRemoved)
{
    TelnetFilter filter;
    EXPECT_EQ(
        FeedAll(filter, {std::string("before\xFF\xFA\x18", 9), std::string("\x00xterm\xFF", 7),
                         std::string("\xF0"
                                     "after",
                                     6)}),
        "beforeafter");
    // The next read starts in plain text again.
    EXPECT_EQ(FeedAll(filter, {"next"}), "next");
}

TEST(TelnetFilter, SubnegotiationOfAnyLengthIsDiscardedUpToItsEnd)
{
    // A payload far past anything a real server sends, which reads like game
    // text, with a doubled IAC and a stray IAC inside: none of it may show.
    std::string payload;
    for (int i = 0; i < 160; ++i)
        payload += std::string(65535, 'A') + "\r\n";
    payload += std::string("\xFF\xFF\xFF\x01tail", 8);
    const std::string wire =
        std::string("hi\xFF\xFA\x18", 5) + payload + std::string("\xFF\xF0welcome\xFF\xF9\r\n", 13);
    EXPECT_EQ(FeedWhole(wire), "hiwelcome\r\n");
    // Cut into reads of any size, down to one byte a read.
    for (std::size_t read : {std::size_t(1), std::size_t(4096), std::size_t(65537)}) {
        TelnetFilter filter;
        std::string out;
        for (std::size_t at = 0; at < wire.size(); at += read)
            filter.Feed(std::string_view(wire).substr(at, read), out);
        EXPECT_EQ(out, "hiwelcome\r\n") << "reads of " << read;
    }
    // Nothing of it is held.
    EXPECT_LE(sizeof(TelnetFilter), 32u);
}

TEST(TelnetFilter, ResetForgetsAnOpenCommandAndTheHiddenEcho)
{
    TelnetFilter filter;
    std::string out;
    filter.Feed(std::string("\xFF\xFB\x01\xFF\xFA", 5), out);
    ASSERT_TRUE(filter.serverEchoes());
    filter.Reset();
    EXPECT_FALSE(filter.serverEchoes());
    filter.Feed("text", out);
    EXPECT_EQ(out, "text");
}

// Random GBK text (ASCII, double-byte characters, colour sequences) never holds
// 0xFF, so it must come through byte for byte however the reads are cut.
TEST(TelnetFilter, GbkTextWithoutIacPassesUnchangedProperty)
{
    std::mt19937 rng(20261208);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int pieces = std::uniform_int_distribution<int>(0, 300)(rng);
        for (int i = 0; i < pieces; ++i) {
            switch (rng() % 4) {
            case 0:
                text += static_cast<char>(std::uniform_int_distribution<int>(0x00, 0x7F)(rng));
                break;
            case 1:
            case 2: {
                text += static_cast<char>(std::uniform_int_distribution<int>(0x81, 0xFE)(rng));
                int trail = std::uniform_int_distribution<int>(0x40, 0xFE)(rng);
                if (trail == 0x7F)
                    trail = 0x80;
                text += static_cast<char>(trail);
                break;
            }
            default:
                text += "\x1b[1;3" + std::to_string(rng() % 8) + "m";
            }
        }
        TelnetFilter filter;
        std::string out;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 40)(rng);
            filter.Feed(std::string_view(text).substr(at, n), out);
            at += n;
        }
        ASSERT_EQ(out, text) << "round " << round;
        EXPECT_FALSE(filter.serverEchoes());
    }
}

// Text mixed with commands: cutting the reads anywhere changes neither the text
// nor the echo state from what one whole read gives.
TEST(TelnetFilter, SplitReadsMatchOneWholeReadProperty)
{
    const std::string parts[] = {
        "text ",
        std::string("\xC4\xE3\xBA\xC3"),
        std::string("\xFF\xFF"),
        std::string("\xFF\xF9"),
        std::string("\xFF\xFB\x01"),
        std::string("\xFF\xFC\x01"),
        std::string("\xFF\xFD\x18"),
        std::string("\xFF\xFA\x18\x01\xFF\xFF\xFF\xF0"),
        "\r\n",
    };
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::string wire;
        const int n = std::uniform_int_distribution<int>(1, 30)(rng);
        for (int i = 0; i < n; ++i)
            wire += parts[rng() % std::size(parts)];
        TelnetFilter whole;
        std::string expected;
        whole.Feed(wire, expected);

        TelnetFilter split;
        std::string out;
        std::size_t at = 0;
        while (at < wire.size()) {
            const std::size_t len = std::uniform_int_distribution<std::size_t>(0, 7)(rng);
            split.Feed(std::string_view(wire).substr(at, len), out);
            at += len;
        }
        ASSERT_EQ(out, expected) << "round " << round;
        ASSERT_EQ(split.serverEchoes(), whole.serverEchoes()) << "round " << round;
        ASSERT_EQ(out.find(std::string("\xFF\xF9")), std::string::npos);
    }
}
