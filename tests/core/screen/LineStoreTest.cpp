#include "core/screen/LineStore.h"

#include <gtest/gtest.h>

using screen::DecodedLine;
using screen::Decoder;
using screen::LineStore;

namespace {

// A decoder and its store, fed the way the screen thread feeds them.
struct Screen
{
    Decoder decoder;
    Decoder::Batch batch;
    LineStore store;

    explicit Screen(std::size_t maxBytes = LineStore::kDefaultMaxBytes)
        : store(maxBytes)
    {}
    void DecodeChunk(std::string_view chunk) { screen::DecodeInto(decoder, batch, store, chunk); }
    const std::deque<screen::StoredLine> &lines() const { return store.lines(); }
    std::size_t size() const { return store.size(); }
    bool partialPending() const { return store.partialPending(); }
    std::size_t pageCount() const { return store.pageCount(); }
};

struct Decoded
{
    std::string text;
    std::string attrs;
};

Decoded DecodeOne(std::string_view raw)
{
    std::vector<DecodedLine> out;
    screen::DecodeLine(raw, out);
    EXPECT_EQ(out.size(), 1u);
    return {out.at(0).text, out.at(0).attrs};
}

std::vector<std::string> Texts(const Screen &s)
{
    std::vector<std::string> t;
    for (const auto &l : s.lines())
        t.emplace_back(l.text);
    return t;
}

// Feeds a stream one byte at a time.
void FeedBytes(Screen &s, std::string_view stream)
{
    for (char c : stream)
        s.DecodeChunk(std::string_view(&c, 1));
}

} // namespace

TEST(DecodeLine, TableOfSequences)
{
    struct Row
    {
        const char *raw;
        const char *text;
        const char *attrs;
    };
    const Row rows[] = {
        {"hello\r\n", "hello\r\n", " "},
        {"a\x1b[1;31mbc\r\n", "abc\r\n", "0002900"},
        {"\x1b[1;32mOK\x1b[0m\r\n", "OK\r\n", "0001A000003003"},
        {"\x1b[44mX\r\n", "X\r\n", "0001041"},
        {"\x1b[1;33;44mX\r\n", "X\r\n", "0001B42"},
        {"\x1b[mX\r\n", "X\r\n", "0001003"},
        {"\x1b[0mX\r\n", "X\r\n", "0001003"},
        {"a\x1b[2Jb\r\n", "ab\r\n", "0002003"},
        {"a\x1b[Kb\r\n", "ab\r\n", " "},
        {"\x1b[1mX\r\n", "X\r\n", "0001003"},
        {"\x1b[2;37;0mX\r\n", "X\r\n", "0001700"},
        {"a\tb\n", "a      b\n", " "},
        {"\x1b[0m\n", " ", "0001003"},
        {"\n", "\n", " "},
        {"", " ", " "},
        // Parameters do not carry over: the 1 of the first sequence is gone.
        {"\x1b[1m\x1b[31mX\n", "X\n", "00010030001100"},
        // Telnet bytes stay as ordinary text.
        {"\xff\xfb\x01x\n", "\xff\xfb\x01x\n", " "},
        // A parameter too long for 32 bits selects no colour.
        {"\x1b[99999999999mX\n", "X\n", "0001003"},
        {"\x1b[2147483648mX\n", "X\n", "0001003"},
        // 0031 is 31.
        {"\x1b[0031mX\n", "X\n", "0001100"},
        // The line's last byte never belongs to a sequence.
        {"ab\x1b[31m", "ab[31m", " "},
        // An escape-like pair starting on a second byte is not a sequence.
        {"\x81\x1b[31mX\n", "\x81\x1b[31mX\n", " "},
        // A broken sequence loses its ESC, which joins the earlier ESC with
        // the "[": both ESCs go.
        {"\x1b\x1b[\x01X\n", "[\x01X\n", " "},
        // ESC "[[" is a whole sequence; the ESC left before it takes the "3".
        {"\x1b\x1b[[31mX\n", "1mX\n", " "},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.raw);
        Decoded d = DecodeOne(r.raw);
        EXPECT_EQ(d.text, r.text);
        EXPECT_EQ(d.attrs, r.attrs);
    }
}

TEST(DecodeChunk, PartialLineIsReplacedWhenCompleted)
{
    Screen s;
    s.DecodeChunk("abc");
    EXPECT_TRUE(s.partialPending());
    EXPECT_EQ(Texts(s), (std::vector<std::string>{"abc"}));
    s.DecodeChunk("def\r\n");
    EXPECT_FALSE(s.partialPending());
    EXPECT_EQ(Texts(s), (std::vector<std::string>{"abcdef\r\n"}));
}

TEST(DecodeChunk, OneByteAtATimeGivesTheSameStore)
{
    const std::string stream =
        "\x1b[1;32m\xd6\xd0\xce\xc4\x1b[0m ok\r\n"
        "line\ttwo\r\n"
        "\xc7\xeb\xca\xe4\xc8\xeb\xc4\xe3\xb5\xc4\xd3\xa2\xce\xc4\xc3\xfb\xd7\xd6\xa3\xba"
        "\x1b[44mX\x1b[m\n";
    Screen whole, bytes;
    whole.DecodeChunk(stream);
    FeedBytes(bytes, stream);
    ASSERT_EQ(whole.size(), bytes.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(whole.lines()[i].text, bytes.lines()[i].text) << i;
        EXPECT_EQ(whole.lines()[i].attrs, bytes.lines()[i].attrs) << i;
    }
    EXPECT_EQ(whole.size(), 3u);
}

TEST(DecodeChunk, LeadByteBeforeLineFeedSwallowsIt)
{
    Screen s;
    s.DecodeChunk("a\xb5\nb\nc\n");
    EXPECT_EQ(Texts(s), (std::vector<std::string>{"a\xb5\nb\n", "c\n"}));
}

TEST(DecodeChunk, NulBytesAreDroppedBeforeTheSplit)
{
    Screen s;
    s.DecodeChunk(std::string("a\0b\n\0c\n", 7));
    EXPECT_EQ(Texts(s), (std::vector<std::string>{"ab\n", "c\n"}));
    EXPECT_FALSE(s.partialPending());
}

TEST(DecodeChunk, StoreTrimsFrom3500To2000Newest)
{
    Screen s;
    for (int i = 0; i < 3499; ++i)
        s.DecodeChunk("x" + std::to_string(i) + "\n");
    EXPECT_EQ(s.size(), 3499u);
    s.DecodeChunk("x3499\n");
    EXPECT_EQ(s.size(), 2000u);
    EXPECT_EQ(s.lines().front().text, "x1500\n");
    EXPECT_EQ(s.lines().back().text, "x3499\n");
}

TEST(DecodeChunk, EndlessLineIsCutIntoStoredLinesThatFitTheRecordPositions)
{
    Screen s;
    std::string chunk(4096, 'a');
    for (int i = 0; i < 40; ++i) // 160 KiB without a line feed
        s.DecodeChunk(chunk);
    EXPECT_LE(s.decoder.PartialRaw().size(), LineStore::kMaxLineBytes);
    std::size_t total = 0;
    for (const auto &l : s.lines()) {
        EXPECT_LE(l.text.size(), LineStore::kMaxLineBytes);
        total += l.text.size();
    }
    EXPECT_EQ(total, 40u * 4096u); // nothing lost
}

TEST(DecodeChunk, LongCutNeverSplitsADoubleByteCharacter)
{
    Screen s;
    std::string line = "a";
    while (line.size() < 70000)
        line += "\xd6\xd0";
    line += "\n";
    s.DecodeChunk(line);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s.lines()[0].text.size(), LineStore::kMaxLineBytes);
    EXPECT_EQ(s.lines()[0].text.back(), '\xd0');
    EXPECT_EQ(s.lines()[0].text.size() + s.lines()[1].text.size(), line.size());
}

TEST(DecodeLine, TabsThatOverflowThePositionsSplitTheLineAndRebaseRecords)
{
    std::string raw(12000, '\t');
    raw += "\x1b[31mX\n"; // 72000 spaces, then a red X
    std::vector<DecodedLine> out;
    screen::DecodeLine(raw, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text.size(), LineStore::kMaxLineBytes);
    EXPECT_EQ(out[0].attrs, " ");
    EXPECT_EQ(out[1].text.size(), 72000u + 2 - LineStore::kMaxLineBytes);
    // The X stands at 72001 overall: 72001 - 65535 = 6466 = 0x1942.
    EXPECT_EQ(out[1].attrs, "1942100");
}

TEST(DecodeChunk, TriggersSeeEveryDecodedLineAndTheRawRemainder)
{
    // What the screen thread offers the triggers: each finished line, then the
    // present form of an unfinished one and its raw bytes.
    Decoder d;
    Decoder::Batch batch;
    d.Feed("a\r\n\x1b[31mPass", batch);
    ASSERT_EQ(batch.count, 1u);
    EXPECT_EQ(batch.lines[0].text, "a\r\n");
    ASSERT_TRUE(d.inLine());
    ASSERT_EQ(d.PartialForm().size(), 1u);
    EXPECT_EQ(d.PartialForm()[0].text, "Pass");
    EXPECT_EQ(d.PartialForm()[0].attrs, "0001100");
    EXPECT_EQ(d.PartialRaw(), "\x1b[31mPass");
    batch.count = 0;
    d.Feed("word:\r\n", batch);
    ASSERT_EQ(batch.count, 1u);
    EXPECT_EQ(batch.lines[0].text, "Password:\r\n");
    EXPECT_FALSE(d.inLine());
}

TEST(DecodeChunk, MemoryStaysFlatOnceTheStoreIsFull)
{
    Screen s;
    const std::string line(120, 'x');
    std::size_t pagesAfterFirstTrim = 0;
    for (int i = 0; i < 60000; ++i) {
        s.DecodeChunk("\x1b[31m" + line + std::to_string(i) + "\r\n");
        if (i == 4000)
            pagesAfterFirstTrim = s.pageCount();
    }
    EXPECT_LE(s.pageCount(), pagesAfterFirstTrim + 1);
    // 3499 lines of about 150 bytes fit in a few pages.
    EXPECT_LE(s.pageCount(), 4u);
    EXPECT_EQ(s.lines().back().text, line + "59999\r\n");
    EXPECT_EQ(s.lines().back().attrs, "0001100");
}

TEST(DecodeChunk, GrowingPartialLineReusesItsBytes)
{
    Screen s;
    s.DecodeChunk("before\r\n");
    const std::string prompt(3000, 'p');
    FeedBytes(s, prompt);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s.lines()[0].text, "before\r\n");
    EXPECT_EQ(s.lines()[1].text, prompt);
    // 3000 forms of the prompt (4.5 MB in all) never left the first page.
    EXPECT_EQ(s.pageCount(), 1u);
    s.DecodeChunk("\r\nafter\r\n");
    EXPECT_EQ(s.lines()[1].text, prompt + "\r\n");
    EXPECT_EQ(s.lines()[2].text, "after\r\n");
}

// The store's running byte count is what its lines hold, through every kind of
// update: colour records, a prompt growing a byte at a time, a line too long
// for one record, trims by lines and by bytes.
TEST(DecodeChunk, ByteCountIsWhatTheLinesHold)
{
    Screen s(64 * 1024);
    for (int i = 0; i < 6000; ++i) {
        switch (i % 4) {
        case 0:
            s.DecodeChunk("\x1b[1;3" + std::to_string(i % 8) + "mhp " + std::to_string(i) +
                          "\x1b[0m\r\n");
            break;
        case 1:
            FeedBytes(s, "> prompt\x1b[32m" + std::string(i % 50, 'p'));
            break;
        case 2:
            s.DecodeChunk(i % 200 == 2 ? std::string(70000, 'a') : "\r\n");
            break;
        default:
            s.DecodeChunk(std::string(i % 300, 'x') + "\n");
        }
        ASSERT_EQ(s.store.bytes(), s.store.HeldBytes()) << "after update " << i;
        ASSERT_LE(s.store.bytes(), 64u * 1024 + LineStore::kMaxLineBytes * 2) << i;
    }
}
