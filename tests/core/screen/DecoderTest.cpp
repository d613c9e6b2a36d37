// The one-pass decoder against a plain reference that decodes each line again
// from its start, erasing sequences one by one: the stored result must be the
// same however the stream is cut into reads, while the work stays linear.
#include "core/screen/Decoder.h"

#include "core/screen/AnsiColour.h"
#include "core/screen/FrameLayout.h"
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

// A line being decoded: its bytes, which of them were given back as text by a
// broken sequence (they start or join nothing), and the records so far.
struct Work
{
    std::string line;
    std::vector<bool> literal;
    std::vector<Record> records;

    void Erase(std::size_t at, std::size_t n)
    {
        line.erase(at, n);
        literal.erase(literal.begin() + static_cast<long>(at),
                      literal.begin() + static_cast<long>(at + n));
        PullBack(records, at);
    }
    void MarkLiteral(std::size_t at, std::size_t n)
    {
        for (std::size_t k = at; k < at + n && k < literal.size(); ++k)
            literal[k] = true;
    }
    // Removes the ESC at p and every ESC of the run before it that stands on
    // a boundary; returns where the run began.
    std::size_t EraseEscRun(std::size_t p)
    {
        std::size_t first = p;
        while (first > 0 && line[first - 1] == '\x1b' && !literal[first - 1] &&
               gbk::AtCharBoundary(line, first - 1, 0))
            --first;
        Erase(first, p + 1 - first);
        return first;
    }
};

bool StartsAfterEsc(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

std::size_t FindEscape(const Work &w, std::size_t from)
{
    const std::string &line = w.line;
    for (std::size_t p = from; p + 1 < line.size(); ++p) {
        if (line[p] != '\x1b' || w.literal[p] || w.literal[p + 1] ||
            !gbk::AtCharBoundary(line, p, 0))
            continue;
        const char c = line[p + 1];
        // The line's last byte starts nothing, except that ESC "[" there
        // still loses its ESC.
        if (c == '[' || (StartsAfterEsc(c) && p + 2 < line.size()))
            return p;
    }
    return std::string::npos;
}

struct Colour
{
    long long params = 0;
    std::size_t digits = 0;
    bool hasLast = false, bright = false, brightable = false, sawSep = false;
    int fg = -1, bg = -1;
    int ext = 0;
    bool extBg = false;
    long long rgb[2] = {0, 0};

    void Close()
    {
        const long long v = params;
        hasLast = true;
        params = 0;
        digits = 0;
        const bool valid = v >= 0 && v <= 255;
        if (ext == 1) {
            ext = v == 5 ? 2 : v == 2 ? 3 : 0;
        } else if (ext == 2 || ext == 5) {
            if (valid) {
                const int slot = ext == 2
                                     ? screen::SlotFor256(int(v), extBg)
                                     : screen::SlotForRgb(int(rgb[0]), int(rgb[1]), int(v), extBg);
                (extBg ? bg : fg) = slot;
                if (!extBg)
                    brightable = false;
            }
            ext = 0;
        } else if (ext == 3 || ext == 4) {
            rgb[ext - 3] = valid ? v : 0;
            ++ext;
        } else if (v == 38 || v == 48) {
            ext = 1;
            extBg = v == 48;
        } else {
            if (v >= 30 && v <= 37) {
                fg = int(v - 30);
                brightable = true;
            }
            if (v >= 40 && v <= 47)
                bg = int(v - 40);
            if (v == 1)
                bright = true;
        }
    }
    Record MakeRecord(std::size_t p) const
    {
        Record r{p + 1, 0, 0, 3};
        if (fg >= 0) {
            r.mode = 0;
            r.fg = fg + (bright && brightable ? 8 : 0);
        }
        if (bg >= 0) {
            r.mode = 1;
            r.bg = bg;
        }
        if (fg >= 0 && bg >= 0)
            r.mode = 2;
        return r;
    }
};

bool IsFinalByte(char c)
{
    return c >= 0x40 && c <= 0x7E;
}

// One CSI sequence at p; returns where to look for the next one.
std::size_t DecodeCsi(Work &w, std::size_t p)
{
    const std::size_t last = w.line.size() - 1; // never part of a sequence
    Colour col;
    std::size_t i = p + 2;
    // The colour scan: digits and ";".
    for (; i < last; ++i) {
        const char c = w.line[i];
        if (c >= '0' && c <= '9') {
            if (col.params != -1) {
                col.params = col.params * 10 + (c - '0');
                if (++col.digits > 10 || col.params > 0x7FFFFFFFLL)
                    col.params = -1;
            }
            continue;
        }
        if (c == ';') {
            col.Close();
            col.sawSep = true;
            continue;
        }
        break;
    }
    auto colourEnd = [&](std::size_t e) {
        // Ended by the byte at e, which goes with it.
        w.records.push_back(col.MakeRecord(p));
        if (e + 2 >= w.line.size() && p == 0) {
            w.line.clear();
            w.literal.clear();
        } else {
            w.Erase(p, e + 1 - p);
        }
        return p > 0 ? p - 1 : 0;
    };
    auto abandon = [&](std::size_t upTo) {
        // The ESCs go; "[" up to before `upTo` is text.
        const std::size_t first = w.EraseEscRun(p);
        w.MarkLiteral(first, upTo - p - 1);
        return first > 0 ? first - 1 : 0;
    };
    if (i >= last) {
        if (!col.hasLast)
            return abandon(last);
        w.records.push_back(col.MakeRecord(p));
        if (p == 0) {
            w.line.clear();
            w.literal.clear();
        } else {
            w.Erase(p, last - p);
        }
        return p > 0 ? p - 1 : 0;
    }
    const char c = w.line[i];
    if (c == 'm') {
        col.Close();
        return colourEnd(i);
    }
    if (c == 'J' && col.digits == 1 && col.params == 2 && !col.sawSep) {
        col.hasLast = true;
        return colourEnd(i);
    }
    if (IsFinalByte(c)) {
        w.Erase(p, i + 1 - p);
        return p > 0 ? p - 1 : 0;
    }
    if (c < 0x20 || c > 0x3F) {
        // Broken where the colour scan ended: the colour scan's outcome.
        if (col.hasLast)
            return colourEnd(i);
        return abandon(i);
    }
    const std::size_t scanEnd = i;
    bool inter = c <= 0x2F;
    for (++i; i < last; ++i) {
        const char d = w.line[i];
        if (IsFinalByte(d)) {
            w.Erase(p, i + 1 - p);
            return p > 0 ? p - 1 : 0;
        }
        if ((d >= 0x20 && d <= 0x2F) || (d >= 0x30 && d <= 0x3F && !inter)) {
            inter = inter || d <= 0x2F;
            continue;
        }
        break;
    }
    // Broken at i (or cut by the line's last byte at i == last).
    if (!col.hasLast)
        return abandon(i);
    w.records.push_back(col.MakeRecord(p));
    const std::size_t rest = i - scanEnd - 1;
    if (i == last && p == 0 && rest == 0) {
        w.line.clear();
        w.literal.clear();
        return 0;
    }
    w.Erase(p, scanEnd + 1 - p);
    w.MarkLiteral(p, rest);
    return p > 0 ? p - 1 : 0;
}

// An OSC string or an ESC with intermediates at p.
std::size_t DecodeOther(Work &w, std::size_t p)
{
    constexpr std::size_t kMax = screen::LineMachine::kMaxStringBytes;
    const std::size_t last = w.line.size() - 1;
    const bool osc = w.line[p + 1] == ']';
    std::size_t j = p + 2;
    for (; j < last; ++j) {
        const char c = w.line[j];
        if (osc) {
            if (c == '\x07' || (c == '\\' && j >= p + 3 && w.line[j - 1] == '\x1b')) {
                w.Erase(p, j + 1 - p);
                return p > 0 ? p - 1 : 0;
            }
            if (j - p >= kMax) {
                w.Erase(p, 1);
                w.MarkLiteral(p, j - p);
                return p > 0 ? p - 1 : 0;
            }
        } else {
            if (c >= 0x30 && c <= 0x7E) {
                w.Erase(p, j + 1 - p);
                return p > 0 ? p - 1 : 0;
            }
            if (!(c >= 0x20 && c <= 0x2F) || j - p >= kMax)
                break; // broken at j: the byte at j is read again as usual
        }
    }
    w.Erase(p, 1);
    w.MarkLiteral(p, j - p - 1);
    return p > 0 ? p - 1 : 0;
}

void DecodeEscapes(std::string &line, std::vector<Record> &records)
{
    Work w{line, std::vector<bool>(line.size(), false), {}};
    std::size_t from = 0;
    while (true) {
        const std::size_t p = FindEscape(w, from);
        if (p == std::string::npos)
            break;
        const char c = w.line[p + 1];
        if (c == '[')
            from = DecodeCsi(w, p);
        else if (c == ']' || (c >= 0x20 && c <= 0x2F))
            from = DecodeOther(w, p);
        else {
            w.Erase(p, 2); // ESC and one byte
            from = p > 0 ? p - 1 : 0;
        }
    }
    line = w.line;
    records = w.records;
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
        const std::size_t end =
            gbk::BoundaryAtOrBelow(line, start + LineStore::kMaxLineBytes, start);
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
            // Cut at a character, the byte after the next taken as a digit
            // (a lead and digit before a lead may begin a four-byte character).
            std::string view = data.substr(pos, LineStore::kMaxLineBytes + 1) + '0';
            take = gbk::BoundaryAtOrBelow(view, LineStore::kMaxLineBytes);
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
        "\x1b", "\x1b", "\x1b", "[", "[", "[", "3", "1", "4", "2", "0", ";", "m", "m", "J", "K",
        "\n", "\n", "\r\n", "\t", "a", "b", " ", "\xd6", "\xd0", "\xb5", "\x81", "@", "\xff", "\0",
        "\x1b[", "\x1b[m", "\x1b[1;31m", "\x1b[2J",
        // the sequences that draw nothing, and their pieces
        "]", "?", "(", " ", "\x07", "\\", "7", "H", ":", "5", "8", "\x1b]0;t\x07", "\x1b[?25l",
        "\x1b(B", "\x1b[38;5;", "\x1b[48;2;", "\x1b\\", "\x84\x31\xa4\x37"};
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

TEST(Decoder, EndlessLinesAreNeverCutInsideAFourByteCharacter)
{
    // Four-byte characters (and one double-byte one) straddling the cut at
    // every offset, fed whole and in pieces of every small size.
    std::mt19937 rng(9);
    for (std::size_t shift = 0; shift < 8; ++shift) {
        std::string stream(LineStore::kMaxLineBytes - 8 + shift, 'a');
        for (int k = 0; k < 6; ++k)
            stream += "\x84\x31\xa4\x37";
        stream += shift % 2 ? "\xd6\xd0\x81\x30x\n" : "\n";
        const std::vector<DecodedLine> want = ref::Store(stream);
        ASSERT_GE(want.size(), 2u);
        EXPECT_EQ(want[0].text.size() % 4, (LineStore::kMaxLineBytes - 8 + shift) % 4) << shift;
        Screen whole, pieces;
        whole.Feed(stream);
        ExpectStore(whole, want, stream.substr(LineStore::kMaxLineBytes - 20, 60), "whole");
        FeedInPieces(pieces, stream, rng, 5);
        ExpectStore(pieces, want, stream.substr(LineStore::kMaxLineBytes - 20, 60), "pieces");
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
        {"\x1b\x1b[31m[KX\r\n", "X\r\n", "0001100"},
        {"a\x1b\x1b\x1b[31m[32m[33mX\n", "aX\n", "000210000022000002300"},
        {"\x1b\x1b[31m\x1b[32m[X\n", "\n", "00011000001200"},
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

TEST(Decoder, SequencesTheScreenDoesNotDrawLeaveNothingWhereverTheReadIsCut)
{
    struct Row
    {
        const char *raw;
        const char *text;
        const char *attrs;
    };
    const Row rows[] = {
        // Cursor, erase and modes: whole CSI sequences go without a record.
        {"a\x1b[Kb\r\n", "ab\r\n", " "},
        {"\x1b[H\x1b[2;5Hhome\r\n", "home\r\n", " "},
        {"up\x1b[5A\x1b[?25l\x1b[?1049h\x1b[>0;1c\x1b[1 q!\r\n", "up!\r\n", " "},
        {"x\x1b[1;31Ky\r\n", "xy\r\n", " "},
        {"\x1b[?5m\x1b[38:5:1mz\r\n", "z\r\n", " "},
        // The clear request keeps its meaning.
        {"a\x1b[2Jb\r\n", "ab\r\n", "0002003"},
        // Titles, with either ending, GBK inside.
        {"\x1b]0;\xC4\xE3\xBA\xC3\x07hi\r\n", "hi\r\n", " "},
        {"a\x1b]2;t\x1b\\b\r\n", "ab\r\n", " "},
        // Character sets, saved cursor, keypad, reset.
        {"\x1b(B\x1b)0\x1b#8\x1b"
         "7\x1b"
         "8\x1b=\x1b>\x1bMok\r\n",
         "ok\r\n", " "},
        // 256 colours and truecolour: the nearest slot.
        {"\x1b[38;5;196mR\r\n", "R\r\n", "0001900"},
        {"\x1b[38;5;1mr\x1b[38;5;12mb\r\n", "rb\r\n", "00011000002C00"},
        {"\x1b[1;38;5;2mg\r\n", "g\r\n", "0001200"},
        {"\x1b[48;5;4;38;2;255;255;0mY\r\n", "Y\r\n", "0001B42"},
        {"\x1b[48;2;0;0;200mB\r\n", "B\r\n", "0001041"},
        {"\x1b[48;5;231mW\r\n", "W\r\n", "0001071"},
        {"\x1b[38;5;244mG\x1b[38;5;m.\r\n", "G.\r\n", "00018000002000"}, // empty is 0: black
        {"\x1b[31;38;5;999mX\r\n", "X\r\n", "0001100"},
        // Broken ones give their bytes back, as the colour scan always did.
        {"\x1b[?25\xB0\xA1\r\n", "[?25\xB0\xA1\r\n", " "},
        {"\x1b[31;?\xB0\xA1\r\n", "\xB0\xA1\r\n", "0001100"},
        {"a\x1b]0;never ends\r\n", "a]0;never ends\r\n", " "},
        {"a\x1b(\xB0\xA1\r\n", "a(\xB0\xA1\r\n", " "},
        {"lone\x1b\xB0\xA1\r\n", "lone\x1b\xB0\xA1\r\n", " "},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(Describe(r.raw));
        const std::string raw = r.raw;
        std::vector<std::vector<std::string>> cuts;
        for (std::size_t k = 0; k <= raw.size(); ++k)
            cuts.push_back({raw.substr(0, k), raw.substr(k)});
        std::vector<std::string> bytes;
        for (char c : raw)
            bytes.emplace_back(1, c);
        cuts.push_back(bytes);
        for (const auto &reads : cuts) {
            Screen s;
            for (const std::string &read : reads)
                s.Feed(read);
            ASSERT_EQ(s.store.lines().size(), 1u);
            EXPECT_EQ(s.store.lines()[0].text, r.text);
            EXPECT_EQ(s.store.lines()[0].attrs, r.attrs);
        }
    }
    // An unfinished sequence at the end of a read waits for the next one.
    Screen s;
    s.Feed("prompt\x1b]0;ti");
    s.Feed("tle\x07> ");
    ASSERT_EQ(s.store.lines().size(), 1u);
    EXPECT_EQ(s.store.lines()[0].text, "prompt> ");
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
    std::string hidden;
    while (hidden.size() < 200000)
        hidden += "\x1b]0;title\x07\x1b[K\x1b(B\x1b"
                  "7a\x1b[?25l\x1b[38;5;196m";
    const Case cases[] = {
        {"prompt byte by byte", std::string(3000, 'p'), 1},
        {"long line byte by byte", std::string(60000, 'q'), 1},
        {"colour only in 1 KB reads", colourOnly, 1024},
        {"colour only byte by byte", colourOnly.substr(0, 60000), 1},
        {"escape runs in 7-byte reads", colourLines, 7},
        {"hidden sequences byte by byte", hidden.substr(0, 60000), 1},
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

TEST(Decoder, ColourChangesWithNoTextBetweenKeepALineSmallAndDrawTheSame)
{
    // A server that sends only colour changes, with no line end, must not
    // give a line thousands of records (up to the longest line the decoder
    // takes, 64 KB); what the text after them is drawn in is what the last
    // few changes alone give, while the line is unfinished and once it ends.
    const auto repeat = [](std::string_view piece, int times) {
        std::string s;
        for (int i = 0; i < times; ++i)
            s += piece;
        return s;
    };
    struct Case
    {
        const char *name;
        std::string flood, same; // `same` alone draws what `flood` draws
    };
    const std::string byTurns = repeat("\x1b[31m\x1b[44m", 6000);
    const Case cases[] = {
        {"resets", repeat("\x1b[m", 20000), "\x1b[m"},
        {"by turns, then a reset and a bright one", byTurns + "\x1b[0m\x1b[1;33m",
         "\x1b[0m\x1b[1;33m"},
        {"by turns, then a foreground: the background stays", byTurns + "\x1b[32m",
         "\x1b[44m\x1b[32m"},
        {"a reset before them all still resets", "\x1b[m" + repeat("\x1b[35m", 300),
         "\x1b[m\x1b[35m"},
    };
    const auto drawn = [](const screen::StoredLine &line) {
        screen::Colours carried{5, 6}; // a reset must show against these
        std::vector<screen::ColourRun> runs;
        screen::ColourRuns(line.text, line.attrs, carried, runs);
        std::string out;
        for (const auto &r : runs)
            out += std::to_string(r.start) + "+" + std::to_string(r.length) + ":" +
                   std::to_string(r.fg) + "/" + std::to_string(r.bg) + " ";
        return out;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Screen flooded, plain;
        for (std::size_t pos = 0; pos < c.flood.size(); pos += 4096)
            flooded.Feed(std::string_view(c.flood).substr(pos, 4096));
        flooded.Feed("ab");
        plain.Feed(c.same + "ab");
        for (const char *end : {"", "c\r\n"}) {
            flooded.Feed(end);
            plain.Feed(end);
            ASSERT_EQ(flooded.store.lines().size(), 1u);
            const screen::StoredLine &line = flooded.store.lines().back();
            EXPECT_EQ(line.text, plain.store.lines().back().text);
            EXPECT_LE(line.attrs.size(), 80u * 7u); // seven bytes a record
            EXPECT_EQ(drawn(line), drawn(plain.store.lines().back()));
        }
    }
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
