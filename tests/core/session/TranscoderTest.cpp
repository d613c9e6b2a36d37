#include "core/session/Transcoder.h"

#include "core/session/CharacterTable.h"
#include "core/session/EncodingDetector.h"
#include "core/session/SendEncoder.h"
#include "support/GameTexts.h"
#include "support/PlainTranscode.h"

#include <gtest/gtest.h>
#include <random>

using namespace session;
using testsupport::Convert;

namespace {

struct Sent
{
    const char *name;
    Encoding encoding;
    const char *iconvName;
    std::string_view text; // UTF-8
};

const Sent kSent[] = {
    {"UTF-8 simplified", Encoding::kUtf8, "UTF-8", testsupport::kSimplifiedGame},
    {"UTF-8 traditional", Encoding::kUtf8, "UTF-8", testsupport::kTraditionalGame},
    {"GB18030", Encoding::kGb18030, "GB18030", testsupport::kSimplifiedGame},
    {"Big5", Encoding::kBig5, "BIG5-HKSCS", testsupport::kTraditionalGame},
    {"GBK", Encoding::kGbk, "GBK", testsupport::kSimplifiedGame},
};

std::string FeedPieces(Transcoder &t, std::string_view bytes, std::size_t cut, std::size_t step)
{
    std::string out;
    std::size_t pos = 0;
    if (cut > 0) {
        t.Feed(bytes.substr(0, cut), out);
        pos = cut;
    }
    while (pos < bytes.size()) {
        t.Feed(bytes.substr(pos, step), out);
        pos += step;
    }
    return out;
}

} // namespace

TEST(Transcoder, EveryEncodingGivesTheGbkTextWholeSplitAndByteByByte)
{
    for (const Sent &s : kSent) {
        SCOPED_TRACE(s.name);
        const auto gbk = Convert(s.text, "GBK");
        const auto wire = Convert(s.text, s.iconvName);
        ASSERT_TRUE(gbk && wire);
        Transcoder whole(s.encoding);
        EXPECT_EQ(FeedPieces(whole, *wire, 0, wire->size()), *gbk);
        for (std::size_t cut = 1; cut < wire->size(); ++cut) {
            Transcoder split(s.encoding);
            ASSERT_EQ(FeedPieces(split, *wire, cut, wire->size()), *gbk) << "cut at " << cut;
        }
        Transcoder bytes(s.encoding);
        EXPECT_EQ(FeedPieces(bytes, *wire, 0, 1), *gbk);
        // Detection finds the same on any first read that holds at least the
        // room's name (two characters after its colour).
        const Encoding expected = s.encoding == Encoding::kGb18030 ? Encoding::kGbk : s.encoding;
        for (std::size_t cut = 16; cut <= wire->size(); ++cut) {
            Transcoder detecting;
            ASSERT_EQ(FeedPieces(detecting, *wire, cut, 7), *gbk) << "first read " << cut;
            ASSERT_EQ(detecting.current(), expected) << "first read " << cut;
        }
    }
}

TEST(Transcoder, FourByteCharactersComeOutWholeFromEverySplit)
{
    // U+20000 and U+00E4 have no GBK form: GB18030 gives them four bytes.
    const std::string text = "a\xF0\xA0\x80\x80 \xC3\xA4\r\n";
    const std::string internal = "a\x95\x32\x82\x36 \x81\x30\x8A\x31\r\n";
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        Transcoder t(Encoding::kUtf8);
        EXPECT_EQ(FeedPieces(t, text, cut, 1), internal) << cut;
    }
}

TEST(Transcoder, BadBytesBecomeOneReplacementEachAndNeverTakeTheNextControl)
{
    const std::string r(Transcoder::kReplacement);
    struct Case
    {
        Encoding encoding;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        // A UTF-8 lead cut short by ESC, CR or LF: the control stays.
        {Encoding::kUtf8, "\xE4\xBD\x1b[0m", r + r + "\x1b[0m"},
        {Encoding::kUtf8, "\xE4\r\n", r + "\r\n"},
        {Encoding::kUtf8, "x\xFF\xFEy", "x" + r + r + "y"},
        {Encoding::kUtf8, "\xC0\x80", r + r}, // an overlong form
        // A Big5 lead before a byte that is no second byte.
        {Encoding::kBig5, "\xA4\n", r + "\n"},
        {Encoding::kBig5, "\xA4\x1b[1m", r + "\x1b[1m"},
        {Encoding::kBig5, "\xFFz", r + "z"},
    };
    for (const Case &c : cases) {
        Transcoder whole(c.encoding);
        std::string out;
        whole.Feed(c.in, out);
        EXPECT_EQ(out, c.out) << c.in;
        Transcoder bytes(c.encoding);
        EXPECT_EQ(FeedPieces(bytes, c.in, 0, 1), c.out) << c.in;
    }
    // An unfinished character at the end of the connection's bytes is kept
    // back, and a new connection forgets it.
    Transcoder t(Encoding::kUtf8);
    std::string out;
    t.Feed("ok\xE4\xBD", out);
    EXPECT_EQ(out, "ok");
    t.NewConnection();
    t.Feed("\xA0", out);
    EXPECT_EQ(out, "ok" + r);
}

TEST(Transcoder, GivesWhatIconvGivesOverTheWholeInputFirstAndRepeated)
{
    // Pieces of what a server may send, good and broken; a soup of them in
    // random order, fed twice to one stage (the second time every character
    // is one the stage has met, and in longer reads), must read as iconv
    // reads the whole soup. The last soup is good Big5 with a rare piece in
    // it that the stage must read the careful way wherever it falls.
    struct Pieces
    {
        Encoding encoding;
        const char *iconvName;
        std::vector<std::string> pieces;
        std::vector<std::string> rare = {};
    };
    const Pieces kinds[] = {
        {Encoding::kUtf8,
         "UTF-8",
         {"look ",
          "\x1b[1;32m",
          "\r\n",
          "\xE4\xBD\xA0",
          "\xE5\xA5\xBD",
          "\xC3\xA4",
          "\xC2\x80",
          "\xEF\xBF\xBF",
          "\xEE\x80\x80",
          "\xF0\xA0\x80\x80",
          "\xF4\x8F\xBF\xBF",
          "\xE4",
          "\xE4\xBD",
          "\xBD",
          "\x80",
          "\xC0\xAF",
          "\xE0\x80\xAF",
          "\xED\xA0\x80",
          "\xF4\x90\x80\x80",
          "\xF5\x80",
          "\xF8\x88\x80\x80\x80",
          "\xFE",
          "\xFF",
          "\xEF\xBB\xBF",
          "\xE3\x80\x80"}},
        {Encoding::kBig5,
         Iconv::Big5Name(),
         {"look ", "\x1b[1;32m", "\r\n", "\xA7\x41", "\xA5\x5C", "\xB3\x5C", "\xA1\x40", "\x88\x62",
          "\x88\x64", "\xC6\xA1", "\xF9\xFE", "\xFE\xFE", "\xA4", "\x80", "\xFF", "\xA4\x7F",
          "\xA4\x1b", "\xC8\x40", "\x81\x40"}},
        {Encoding::kBig5,
         Iconv::Big5Name(),
         {"look ", "\x1b[1;32m", "\r\n", "\xA7\x41", "\xA5\x5C", "\xB3\x5C", "\xA1\x40", "\xC6\xA1",
          "\xA4\xA4", "\xB0\xDA", "7"},
         {"\x80", "\xFF", "\xA4", "\xA4\x1b", "\x88\x62", "\xF9\xFE", "\xC8\x40"}},
    };
    std::mt19937 rng(23);
    for (const Pieces &k : kinds) {
        SCOPED_TRACE(k.iconvName);
        std::string soup;
        for (int i = 0; i < 4000; ++i) {
            const auto &from = !k.rare.empty() && rng() % 48 == 0 ? k.rare : k.pieces;
            soup += from[rng() % from.size()];
        }
        soup += "\r\n";
        const std::string expected = testsupport::PlainTranscode(k.iconvName, soup);
        Transcoder t(k.encoding);
        for (const std::size_t read : {61, 4093}) {
            std::string out;
            for (std::size_t pos = 0; pos < soup.size(); pos += read)
                t.Feed(std::string_view(soup).substr(pos, read), out);
            ASSERT_EQ(out, expected) << "reads of " << read;
        }
    }
}

TEST(Transcoder, EveryCharacterReadsAsIconvReadsItInLongAndShortReads)
{
    // Every character of UTF-8's first plane and every Big5 lead with every
    // byte after it, in runs of one to seven between ASCII of one to eleven
    // bytes, the stream fed whole, in reads of 4099 bytes and of 7: each
    // must read as iconv reads it (the table behind the stage is iconv's,
    // whatever the read and the run around a character).
    std::string utf8, big5;
    std::uint32_t k = 0;
    const auto ascii = [&k](std::string &s) {
        for (std::uint32_t i = 0; i <= k % 11; ++i)
            s += static_cast<char>('a' + i);
    };
    for (std::uint32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        utf8 += session::Utf8Bytes(cp);
        if (++k % 7 == 0)
            ascii(utf8);
    }
    for (std::uint32_t lead = 0x80; lead <= 0xFF; ++lead)
        for (std::uint32_t second = 0; second <= 0xFF; ++second) {
            big5 += static_cast<char>(lead);
            big5 += static_cast<char>(second);
            if (++k % 5 == 0)
                ascii(big5);
        }
    const struct
    {
        Encoding encoding;
        const char *iconvName;
        std::string wire;
    } streams[] = {{Encoding::kUtf8, "UTF-8", utf8 + "\r\n"},
                   {Encoding::kBig5, Iconv::Big5Name(), big5 + "\r\n"}};
    for (const auto &s : streams) {
        SCOPED_TRACE(s.iconvName);
        const std::string expected = testsupport::PlainTranscode(s.iconvName, s.wire);
        for (const std::size_t read : {s.wire.size(), std::size_t(4099), std::size_t(7)}) {
            Transcoder t(s.encoding);
            ASSERT_EQ(FeedPieces(t, s.wire, 0, read), expected) << "reads of " << read;
        }
    }
}

TEST(Transcoder, SwitchingAppliesFromTheNextByte)
{
    const std::string ni_utf8 = "\xE4\xBD\xA0", ni_big5 = "\xA7\x41", ni = "\xC4\xE3";
    Transcoder t(Encoding::kUtf8);
    std::string out;
    t.Feed(ni_utf8, out);
    // An agreed charset holds for this connection; the choice stays.
    EXPECT_TRUE(t.AgreeCharset("BIG5"));
    EXPECT_EQ(t.current(), Encoding::kBig5);
    EXPECT_EQ(t.setting(), Encoding::kUtf8);
    t.Feed(ni_big5, out);
    EXPECT_FALSE(t.AgreeCharset("KOI8-R"));
    EXPECT_EQ(t.current(), Encoding::kBig5);
    t.NewConnection();
    EXPECT_EQ(t.current(), Encoding::kUtf8);
    // The window's choice holds for later connections too.
    t.SetEncoding(Encoding::kGbk);
    t.Feed(ni, out);
    t.NewConnection();
    EXPECT_EQ(t.current(), Encoding::kGbk);
    EXPECT_EQ(out, ni + ni + ni);
}

TEST(EncodingDetection, HardCases)
{
    const auto u = [](std::string_view s, const char *to) { return *Convert(s, to); };
    struct Case
    {
        const char *what;
        std::vector<std::string> reads;
        std::string expectedOut;
        Encoding decided; // kAuto: still undecided
    };
    const std::string gbkWelcome = u("欢迎来到扬州！请输入你的名字：", "GBK");
    const Case cases[] = {
        {"pure ASCII passes at once and decides nothing",
         {"Welcome\r\n", "login: "},
         "Welcome\r\nlogin: ",
         Encoding::kAuto},
        {"first non-ASCII byte at the very end of a read (UTF-8)",
         {"Hello \xE4", "\xBD\xA0\xE5\xA5\xBD\r\n"},
         "Hello " + u("你好", "GBK") + "\r\n",
         Encoding::kUtf8},
        {"first non-ASCII byte at the very end of a read (GBK)",
         {"Hi " + gbkWelcome.substr(0, 1), gbkWelcome.substr(1)},
         "Hi " + gbkWelcome,
         Encoding::kGbk},
        {"first non-ASCII byte at the very end of a read (Big5)",
         {"Hi \xA7", "\x41\xA6\x6E\r\n"},
         "Hi " + u("你好", "GBK") + "\r\n",
         Encoding::kBig5},
        {"an unfinished UTF-8 start alone is held", {"\xE4\xBD"}, "", Encoding::kAuto},
        {"a single UTF-8 character",
         {"Name: \xE4\xBD\xA0\r\n"},
         "Name: \xC4\xE3\r\n",
         Encoding::kUtf8},
        {"a single GBK character", {"Name: \xC4\xE3\r\n"}, "Name: \xC4\xE3\r\n", Encoding::kGbk},
        {"a single Big5 character with an ASCII second byte",
         {"Name: \xA7\x41\r\n"},
         "Name: \xC4\xE3\r\n",
         Encoding::kBig5},
        {"Big5 with \\ and letters as second bytes",
         {u("許多功夫你", "BIG5-HKSCS")},
         u("許多功夫你", "GBK"),
         Encoding::kBig5},
        {"GBK that starts like UTF-8",
         {u("名字：张三", "GBK")},
         u("名字：张三", "GBK"),
         Encoding::kGbk},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Transcoder t;
        std::string out;
        for (const std::string &read : c.reads)
            t.Feed(read, out);
        EXPECT_EQ(out, c.expectedOut);
        EXPECT_EQ(t.current(), c.decided);
    }
    // The chat line and the prompt alone are enough for each encoding.
    const std::string chat = "【闲聊】张三：大家好，今天有谁一起去雪山吗？";
    const std::string chatTrad = "【閒聊】張三：大家好，今天有誰一起去練功嗎？";
    EXPECT_EQ(DetectEncoding(u(chat, "GBK")), Encoding::kGbk);
    EXPECT_EQ(DetectEncoding(u(chatTrad, "BIG5-HKSCS")), Encoding::kBig5);
    EXPECT_EQ(DetectEncoding(u(chatTrad, "GBK")), Encoding::kGbk);
    EXPECT_EQ(DetectEncoding(u("气血：100/120 > ", "UTF-8")), Encoding::kUtf8);
    EXPECT_EQ(DetectEncoding(u("氣血：100/120 > ", "BIG5-HKSCS")), Encoding::kBig5);
    EXPECT_EQ(DetectEncoding(u("𠀀" + chat, "GB18030")), Encoding::kGb18030);
}

TEST(SendEncoder, EveryEncodingRoundTripsWhatThePlayerTypes)
{
    struct Case
    {
        Encoding encoding;
        std::string typed; // UTF-8
        const char *wireName;
    };
    const Case cases[] = {
        {Encoding::kGbk, "say 你好，大家！", "GBK"},
        {Encoding::kGb18030, "say 你好 𠀀 ä", "GB18030"},
        {Encoding::kUtf8, "say 你好 𠀀 ä", "UTF-8"},
        {Encoding::kBig5, "say 你好，大家！許功", "BIG5-HKSCS"},
        {Encoding::kAuto, "look", "GBK"},
    };
    for (const Case &c : cases) {
        const std::string internal = *Convert(c.typed, "GB18030");
        SendEncoder e(c.encoding);
        std::string wire;
        const SendEncoder::Result r = e.Encode(internal, wire);
        EXPECT_EQ(r.unsent, 0u) << c.typed;
        EXPECT_EQ(wire, *Convert(c.typed, c.wireName)) << c.typed;
        Transcoder back(c.encoding);
        std::string again;
        back.Feed(wire, again);
        EXPECT_EQ(again, internal) << c.typed;
    }
}

TEST(SendEncoder, WhatTheTargetCannotCarryIsSentAsAQuestionMarkAndNamed)
{
    const std::string zhe = "\xD5\xE2"; // 这, simplified only
    const std::string plane2 = "\x95\x32\x82\x36";
    struct Case
    {
        Encoding encoding;
        std::string line;
        std::string wire;
        std::size_t unsent;
        std::string first;
    };
    const Case cases[] = {
        {Encoding::kBig5, "say " + zhe + "a" + zhe, "say ?a?", 2, zhe},
        {Encoding::kGbk, "x" + plane2 + "y", "x?y", 1, plane2},
        {Encoding::kUtf8, "a\xFF", "a?", 1, "\xFF"},
    };
    for (const Case &c : cases) {
        SendEncoder e(c.encoding);
        std::string wire;
        const SendEncoder::Result r = e.Encode(c.line, wire);
        EXPECT_EQ(wire, c.wire);
        EXPECT_EQ(r.unsent, c.unsent);
        EXPECT_EQ(r.firstUnsent, c.first);
    }
}

TEST(Encoding, NamesReadBackAndUnknownNamesAreRefused)
{
    for (Encoding e : kEncodings)
        EXPECT_EQ(EncodingFromName(EncodingName(e)), e);
    EXPECT_EQ(EncodingFromName("utf8"), Encoding::kUtf8);
    EXPECT_EQ(EncodingFromName("big5-hkscs"), Encoding::kBig5);
    EXPECT_EQ(EncodingFromName("latin1"), std::nullopt);
    // The status panel's text: "UTF-8（自动）" once detection chose, "自动" before.
    EXPECT_EQ(EncodingStatusText(Encoding::kAuto, Encoding::kUtf8),
              "UTF-8\xA3\xA8\xD7\xD4\xB6\xAF\xA3\xA9");
    EXPECT_EQ(EncodingStatusText(Encoding::kAuto, Encoding::kAuto), "\xD7\xD4\xB6\xAF");
    EXPECT_EQ(EncodingStatusText(Encoding::kGbk, Encoding::kBig5), "Big5"); // an agreed charset
}
