// The one-pass decoder against a plain reference that decodes each line again
// from its start, erasing sequences one by one: the stored result must be the
// same however the stream is cut into reads, while the work stays linear.
#include "core/screen/Decoder.h"

#include "core/screen/LineStore.h"
#include "core/text/GbkText.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>

using screen::DecodedLine;
using screen::Decoder;
using screen::LineStore;

namespace {

// ---------------------------------------------------------------------------
// The reference: the straightforward reading of the decoding rules, quadratic
// and simple. One correction over the rules as written: removing bytes before
// a record moves the record back with the text it pointed at, so records stay
// in position order.
namespace ref {

struct Record
{
    std::size_t pos; // 1-based
    int fg, bg, mode;
};

void PullBack(std::vector<Record> &records, std::size_t p)
{
    for (Record &r : records)
        if (r.pos > p + 1)
            r.pos = p + 1;
}

std::size_t FindEscape(const std::string &line, std::size_t from)
{
    while (true) {
        std::size_t p = line.find("\x1b[", from);
        if (p == std::string::npos || gbk::AtCharBoundary(line, p, 0))
            return p;
        from = p + 1;
    }
}

void DecodeEscapes(std::string &line, std::vector<Record> &records)
{
    std::size_t from = 0;
    while (true) {
        std::size_t p = FindEscape(line, from);
        if (p == std::string::npos)
            return;
        const std::size_t len = line.size();
        std::size_t i = p + 2;
        long long params = 0;
        std::size_t digits = 0;
        bool hasLast = false, bright = false, ended = false;
        int fg = -1, bg = -1;
        while (!ended && i + 1 < len) {
            const char c = line[i];
            if (c >= '0' && c <= '9') {
                if (params != -1) {
                    params = params * 10 + (c - '0');
                    if (++digits > 10 || params > 0x7FFFFFFFLL)
                        params = -1;
                }
            } else if (c == ';' || c == 'm') {
                hasLast = true;
                if (params >= 30 && params <= 37)
                    fg = static_cast<int>(params);
                if (params >= 40 && params <= 47)
                    bg = static_cast<int>(params);
                if (params == 1)
                    bright = true;
                ended = c == 'm';
                params = 0;
                digits = 0;
            } else if (c == 'J') {
                if (digits == 1 && params == 2)
                    hasLast = true;
                ended = true;
            } else {
                ended = true;
            }
            ++i;
        }
        if (!hasLast) {
            line.erase(p, 1);
            PullBack(records, p);
        } else {
            Record r{p + 1, 0, 0, 3};
            if (fg >= 0) {
                r.mode = 0;
                r.fg = fg - 30 + (bright ? 8 : 0);
            }
            if (bg >= 0) {
                r.mode = 1;
                r.bg = bg - 40;
            }
            if (fg >= 0 && bg >= 0)
                r.mode = 2;
            records.push_back(r);
            if (i + 1 >= len && p == 0) {
                line.clear();
            } else {
                line.erase(p, i - p);
                PullBack(records, p);
            }
        }
        from = p > 0 ? p - 1 : 0;
    }
}

void AppendRecord(std::string &attrs, std::size_t pos, const Record &r)
{
    static const char hex[] = "0123456789ABCDEF";
    gbk::AppendHex4(attrs, static_cast<unsigned>(pos));
    attrs += hex[r.fg & 0xF];
    attrs += hex[r.bg & 0xF];
    attrs += static_cast<char>('0' + r.mode);
}

void DecodeRawLine(std::string_view raw, std::vector<DecodedLine> &out)
{
    std::string line;
    for (char c : raw) {
        if (c == '\t')
            line.append(6, ' ');
        else
            line += c;
    }
    std::vector<Record> records;
    DecodeEscapes(line, records);
    if (line.empty())
        line = " ";
    std::size_t start = 0, next = 0;
    while (start < line.size()) {
        std::size_t end = std::min(line.size(), start + LineStore::kMaxLineBytes);
        if (end < line.size() && !gbk::AtCharBoundary(line, end, start))
            --end;
        DecodedLine piece;
        piece.text.assign(line, start, end - start);
        const bool lastPiece = end == line.size();
        while (next < records.size() && (lastPiece || records[next].pos <= end)) {
            std::size_t pos = records[next].pos > start ? records[next].pos - start : 1;
            AppendRecord(piece.attrs, std::min(pos, piece.text.size()), records[next]);
            ++next;
        }
        if (piece.attrs.empty())
            piece.attrs = " ";
        out.push_back(std::move(piece));
        start = end;
    }
}

// The whole stream at once: lines split at character-wise line feeds, NULs
// dropped, endless lines cut at the record positions' reach.
std::vector<DecodedLine> Store(std::string_view stream)
{
    std::string data;
    for (char c : stream)
        if (c != 0)
            data += c;
    std::vector<DecodedLine> out;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t lf = gbk::FindCharwise(data, '\n', pos);
        std::size_t take = lf == gbk::npos ? data.size() - pos : lf - pos + 1;
        if (take > LineStore::kMaxLineBytes) {
            take = LineStore::kMaxLineBytes;
            if (!gbk::AtCharBoundary(data, pos + take, pos))
                --take;
        }
        DecodeRawLine(std::string_view(data).substr(pos, take), out);
        pos += take;
    }
    return out;
}

} // namespace ref

struct Screen
{
    Decoder decoder;
    Decoder::Batch batch;
    LineStore store;
    void Feed(std::string_view chunk) { screen::DecodeInto(decoder, batch, store, chunk); }
};

std::string Describe(std::string_view s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "<%02X>", c);
            out += buf;
        }
    }
    return out;
}

void ExpectStore(const Screen &s, const std::vector<DecodedLine> &want, std::string_view stream,
                 const char *how)
{
    const auto &got = s.store.lines();
    ASSERT_EQ(got.size(), want.size()) << how << ": " << Describe(stream);
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i].text, want[i].text) << how << " line " << i << ": " << Describe(stream);
        ASSERT_EQ(got[i].attrs, want[i].attrs) << how << " line " << i << ": " << Describe(stream);
    }
}

// Bytes that matter to the decoder, weighted towards the tricky ones.
std::string RandomStream(std::mt19937 &rng, std::size_t length)
{
    static const char *const pieces[] = {
        "\x1b", "\x1b", "\x1b", "[",     "[",      "[",          "3",      "1",    "4",
        "2",    "0",    ";",    "m",     "m",      "J",          "K",      "\n",   "\n",
        "\r\n", "\t",   "a",    "b",     " ",      "\xd6",       "\xd0",   "\xb5", "\x81",
        "@",    "\xff", "\0",   "\x1b[", "\x1b[m", "\x1b[1;31m", "\x1b[2J"};
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    while (s.size() < length) {
        const char *p = pieces[pick(rng)];
        if (*p == 0)
            s += '\0';
        else
            s += p;
    }
    return s;
}

// With `everyStep`, the store is checked after each read as well: the form of
// a line still growing is what the reference makes of the bytes so far.
void FeedInPieces(Screen &s, std::string_view stream, std::mt19937 &rng, std::size_t most,
                  bool everyStep = false)
{
    std::uniform_int_distribution<std::size_t> size(1, most);
    for (std::size_t pos = 0; pos < stream.size();) {
        const std::size_t n = std::min(size(rng), stream.size() - pos);
        s.Feed(stream.substr(pos, n));
        pos += n;
        if (everyStep)
            ExpectStore(s, ref::Store(stream.substr(0, pos)), stream.substr(0, pos), "so far");
    }
}

} // namespace

TEST(Decoder, SameStoreAsTheReferenceHoweverTheStreamIsCut)
{
    std::mt19937 rng(12);
    for (int round = 0; round < 3000; ++round) {
        const std::string stream = RandomStream(rng, 1 + rng() % 80);
        const std::vector<DecodedLine> want = ref::Store(stream);
        Screen whole, pieces, bytes;
        whole.Feed(stream);
        ExpectStore(whole, want, stream, "whole");
        FeedInPieces(pieces, stream, rng, 7, round % 4 == 0);
        ExpectStore(pieces, want, stream, "pieces");
        FeedInPieces(bytes, stream, rng, 1, round % 4 == 1);
        ExpectStore(bytes, want, stream, "bytes");
    }
}

TEST(Decoder, EndlessLinesAreCutAsTheReferenceCutsThem)
{
    // Long lines ending in every kind of byte around the cut, tabs included.
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        std::string stream(LineStore::kMaxLineBytes - 12 - round % 5, round % 3 ? 'a' : '\xd6');
        stream += RandomStream(rng, 40);
        stream += std::string(round % 2 ? 70000 : 20, round % 4 ? '\xb5' : '\t');
        stream += RandomStream(rng, 20);
        const std::vector<DecodedLine> want = ref::Store(stream);
        Screen whole, pieces;
        whole.Feed(stream);
        ExpectStore(whole, want, stream.substr(LineStore::kMaxLineBytes - 60, 120), "whole");
        FeedInPieces(pieces, stream, rng, 3000);
        ExpectStore(pieces, want, stream.substr(LineStore::kMaxLineBytes - 60, 120), "pieces");
    }
}

TEST(Decoder, RecordsAreAlwaysInPositionOrder)
{
    struct Row
    {
        const char *raw;
        const char *text;
        const char *attrs;
    };
    // A removal that joins an earlier ESC to a later "[" moves the records
    // behind it back with their text: both colours apply to the X, in order.
    const Row rows[] = {
        {"\x1b\x1b[31m[32mX\r\n", "X\r\n", "00011000001200"},
        {"\x1b\x1b[31m[KX\r\n", "[KX\r\n", "0001100"},
        {"a\x1b\x1b\x1b[31m[32m[33mX\n", "aX\n", "000210000022000002300"},
        {"\x1b\x1b[31m\x1b[32m[X\n", "[X\n", "00011000001200"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(Describe(r.raw));
        std::vector<DecodedLine> out;
        screen::DecodeLine(r.raw, out);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].text, r.text);
        EXPECT_EQ(out[0].attrs, r.attrs);
    }
}

TEST(Decoder, WorkIsLinearInTheBytesReceived)
{
    struct Case
    {
        const char *name;
        std::string stream;
        std::size_t read;
    };
    std::string colourOnly;
    while (colourOnly.size() < 200000)
        colourOnly += "\x1b[m";
    std::string colourLines;
    while (colourLines.size() < 200000)
        colourLines += std::string(200, '\x1b') + "[31mX\x1b[1;32;44mY\r\n";
    const Case cases[] = {
        {"prompt byte by byte", std::string(3000, 'p'), 1},
        {"long line byte by byte", std::string(60000, 'q'), 1},
        {"colour only in 1 KB reads", colourOnly, 1024},
        {"colour only byte by byte", colourOnly.substr(0, 60000), 1},
        {"escape runs in 7-byte reads", colourLines, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Screen s;
        for (std::size_t pos = 0; pos < c.stream.size(); pos += c.read)
            s.Feed(std::string_view(c.stream).substr(pos, c.read));
        // Each byte is stepped once; each read adds only its own bytes to the
        // form of the line in progress.
        EXPECT_LE(s.decoder.work(), 6 * c.stream.size() + 64);
    }
}

TEST(Decoder, BuffersShrinkBackAfterABurst)
{
    Decoder d;
    Decoder::Batch batch;
    // A burst of bare line feeds in slices, as the screen thread takes them.
    const std::string feeds(4 << 20, '\n');
    std::string_view rest = feeds;
    std::size_t most = 0;
    while (!rest.empty()) {
        batch.count = 0;
        rest.remove_prefix(d.Feed(rest, batch, 64 * 1024));
        most = std::max(most, batch.count);
    }
    EXPECT_LE(most, 64u * 1024u);
    // One huge line, then the drain.
    batch.count = 0;
    d.Feed(std::string(300000, '\t') + "\n", batch);
    d.Feed(std::string(60000, 'x'), batch);
    EXPECT_GT(d.capacity(), Decoder::kKeepCapacity);
    batch.count = 0;
    d.Feed("\n", batch);
    d.Shrink();
    batch.Shrink();
    EXPECT_LE(d.capacity(), 4 * Decoder::kKeepCapacity);
    EXPECT_LE(batch.lines.size(), Decoder::kKeepBatchLines);
    for (const DecodedLine &l : batch.lines)
        EXPECT_LE(l.text.capacity(), Decoder::kKeepCapacity);
}

TEST(LineStoreCap, BytesAreBoundedOldestLinesFirst)
{
    const std::size_t cap = 256 * 1024;
    Screen s{Decoder{}, {}, LineStore(cap)};
    std::string colour;
    while (colour.size() < 2000)
        colour += "\x1b[31mx";
    std::size_t most = 0;
    for (int i = 0; i < 2000; ++i) {
        s.Feed(colour + std::to_string(i) + "\r\n");
        most = std::max(most, s.store.bytes());
    }
    EXPECT_LE(most, cap);
    EXPECT_LT(s.store.size(), 2000u);
    EXPECT_EQ(s.store.lines().back().text, std::string(colour.size() / 6, 'x') + "1999\r\n");
    // Below the cap the line rule alone applies.
    Screen small;
    for (int i = 0; i < 3500; ++i)
        small.Feed("x\n");
    EXPECT_EQ(small.store.size(), LineStore::kKeep);
}
