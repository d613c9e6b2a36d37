#include "core/session/TableDecoder.h"

#include "core/session/ByteMasks.h"

#include <algorithm>
#include <bit>

namespace session {

namespace {

using Entry = CharacterTable::Entry;
using Pair = CharacterTable::Pair;

constexpr std::uint32_t kNoKey = 0x10000;

// The ASCII bytes at the start of a word whose bytes at or above 0x80 are
// marked in `high` (never zero).
std::size_t AsciiBytes(std::uint64_t high)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::size_t(std::countr_zero(high)) / 8;
    else
        return std::size_t(std::countl_zero(high)) / 8;
}

// The character at `p` (`left` bytes from there on) in UTF-8: its length and
// key; a length of 0 when it is unfinished at the end, -1 when the first
// byte starts no well-formed sequence (stray continuations, overlong forms,
// surrogates, beyond U+10FFFF).
int Utf8Char(const unsigned char *p, std::size_t left, std::uint32_t &key)
{
    const unsigned c = p[0];
    int need;
    unsigned lo = 0x80, hi = 0xBF; // the second byte's range
    if (c < 0xC2)
        return -1;
    if (c <= 0xDF) {
        need = 2;
    } else if (c <= 0xEF) {
        need = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c <= 0xF4) {
        need = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return -1;
    }
    for (int k = 1; k < need; ++k) {
        if (std::size_t(k) >= left)
            return 0;
        const unsigned b = p[k];
        if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF))
            return -1;
    }
    if (need == 2)
        key = (c & 0x1F) << 6 | (p[1] & 0x3F);
    else if (need == 3)
        key = (c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    else
        key = kNoKey;
    return need;
}

// The same in Big5: a lead byte and whatever follows it, or a byte alone
// (the library reads 0x80 as U+0080); the table holds what iconv makes of
// either. The key is the bytes.
int Big5Char(const unsigned char *p, std::size_t left, std::uint32_t &key)
{
    if (p[0] < 0x81 || p[0] > 0xFE) {
        key = p[0];
        return 1;
    }
    if (left < 2)
        return 0;
    key = std::uint32_t(p[0]) << 8 | p[1];
    return 2;
}

void Put(char *&o, const Entry &e)
{
    std::memcpy(o, e.bytes, sizeof e.bytes);
    o += e.length();
}

// ASCII from `pos` on, eight bytes a step: each word is stored whole and
// the output moves on by its ASCII bytes. Stops at the first other byte, or
// soon after `stop`; returns where.
std::size_t AsciiRun(const unsigned char *p, std::size_t pos, std::size_t stop, std::size_t n,
                     char *&o)
{
    char *w = o;
    while (pos + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, p + pos, 8);
        std::memcpy(w, &word, 8);
        const std::uint64_t high = word & 0x8080808080808080ull;
        if (high != 0) {
            const std::size_t ascii = AsciiBytes(high);
            o = w + ascii;
            return pos + ascii;
        }
        w += 8;
        pos += 8;
        if (pos >= stop) {
            o = w;
            return pos;
        }
    }
    while (pos < n && p[pos] < 0x80)
        *w++ = static_cast<char>(p[pos++]);
    o = w;
    return pos;
}

// Characters of `width` bytes from `pos` up to `stop`, one at a time, while
// `keyOf` finds one at each place (kNoKey: none) whose table entry is a
// pair (a surrogate has none); returns where the run ended.
template <std::size_t width, typename KeyOf>
std::size_t OneByOne(const unsigned char *p, std::size_t pos, std::size_t stop, const Pair *pairs,
                     char *&w, KeyOf keyOf)
{
    while (pos + width <= stop) {
        const std::uint32_t key = keyOf(p + pos);
        if (key >= kNoKey || !pairs[key].known())
            break;
        std::memcpy(w, pairs[key].bytes, 2);
        w += 2;
        pos += width;
    }
    return pos;
}

// Three-byte UTF-8 characters from `pos` up to `stop` while each becomes two
// bytes; returns where the run ended.
std::size_t Utf8Run(const unsigned char *p, std::size_t pos, std::size_t stop, const Pair *pairs,
                    char *&o)
{
    char *w = o;
    if constexpr (std::endian::native == std::endian::little) {
        // Two characters a step, their six bytes tested at once, while both
        // are three-byte forms with pairs.
        while (pos + 8 <= stop) {
            std::uint64_t word;
            std::memcpy(&word, p + pos, 8);
            if ((word & 0xC0C0F0C0C0F0ull) != 0x8080E08080E0ull)
                break;
            const auto key = [](std::uint64_t bytes) {
                return std::uint32_t((bytes & 0x0F) << 12 | (bytes >> 2 & 0xFC0) |
                                     (bytes >> 16 & 0x3F));
            };
            const std::uint32_t k0 = key(word), k1 = key(word >> 24);
            const Pair &e0 = pairs[k0], &e1 = pairs[k1];
            if (k0 < 0x800 || k1 < 0x800 || !e0.known() || !e1.known())
                break;
            std::memcpy(w, e0.bytes, 2);
            std::memcpy(w + 2, e1.bytes, 2);
            w += 4;
            pos += 6;
        }
    }
    pos = OneByOne<3>(p, pos, stop, pairs, w, [](const unsigned char *c) {
        if ((((c[0] & 0xF0) ^ 0xE0) | ((c[1] & 0xC0) ^ 0x80) | ((c[2] & 0xC0) ^ 0x80)) != 0)
            return kNoKey;
        const std::uint32_t key = (c[0] & 0x0Fu) << 12 | (c[1] & 0x3Fu) << 6 | (c[2] & 0x3Fu);
        return key < 0x800 ? kNoKey : key; // below 0x800 the form is overlong
    });
    o = w;
    return pos;
}

// The same for Big5's two-byte characters.
std::size_t Big5Run(const unsigned char *p, std::size_t pos, std::size_t stop, const Pair *pairs,
                    char *&o)
{
    return OneByOne<2>(p, pos, stop, pairs, o, [](const unsigned char *c) {
        return c[0] < 0x81 || c[0] > 0xFE ? kNoKey : std::uint32_t(c[0]) << 8 | c[1];
    });
}

// Big5 sixty-four bytes at a time, while every character of a stretch
// becomes a pair: then the text keeps the bytes' places, so the stretch is
// copied whole and each character overwritten. Where the characters start is
// read off masks of the bytes, so that a change between ASCII and a run of
// Chinese, which the loops above pay for in a mispredicted branch, costs
// nothing here. A lead byte takes whatever follows it; in a row of
// lead-range bytes the first is a lead, so every other one is: the leads are
// the bytes of each row at an even distance from its start. A stretch
// holding anything else (a character whose entry is not a pair, 0x80 or 0xFF
// alone) is left to the loops: `pos` comes back. Writes up to kStretch
// bytes past `o`.
constexpr std::size_t kStretch = 64;
constexpr std::uint64_t kEven = 0x5555555555555555ull, kOdd = ~kEven;

std::size_t Big5Stretch(const unsigned char *p, std::size_t pos, const Pair *pairs, char *&o)
{
    const unsigned char *s = p + pos;
    const std::uint64_t high = HighBytes(s);
    std::memcpy(o, s, kStretch);
    if (high == 0) {
        o += kStretch;
        return pos + kStretch;
    }
    const std::uint64_t rows = BytesIn(s, 0x81, 0xFE);
    const std::uint64_t starts = rows & ~(rows << 1);
    // Adding a row's first bit carries through the row: what it clears are
    // the rows that start at an even place.
    const std::uint64_t evenRows = rows & ~(rows + (starts & kEven));
    std::uint64_t leads = (evenRows & kEven) | (rows & ~evenRows & kOdd);
    // A lead in the last byte has its second byte past the stretch, which
    // then ends before it.
    const std::uint64_t cut = leads >> 63;
    leads &= ~(cut << 63);
    if ((high & ~(leads | leads << 1 | cut << 63)) != 0)
        return pos; // 0x80 or 0xFF alone
    while (leads != 0) {
        const std::size_t at = std::size_t(std::countr_zero(leads));
        leads &= leads - 1;
        const Pair &pair = pairs[std::uint32_t(s[at]) << 8 | s[at + 1]];
        if (!pair.known())
            return pos;
        std::memcpy(o + at, pair.bytes, 2);
    }
    o += kStretch - cut;
    return pos + kStretch - cut;
}

} // namespace

TableDecoder::TableDecoder(Encoding from)
    : big5_(from == Encoding::kBig5)
    , table_(CharacterTable::For(big5_ ? Encoding::kBig5 : Encoding::kUtf8))
    , converter_("GB18030", big5_ ? Iconv::Big5Name() : "UTF-8")
{}

bool TableDecoder::Ask(std::string_view bytes, std::string &out)
{
    const std::size_t before = out.size();
    if (converter_.Convert(bytes, out).stop == Iconv::Stop::kEnd)
        return true;
    out.resize(before);
    std::string ignored;
    converter_.Flush(ignored); // back to the initial state
    return false;
}

std::size_t TableDecoder::Decode(std::string_view in, std::string &out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    const std::size_t n = in.size();
    const Entry *const table = table_.entries();
    const Pair *const pairs = table_.pairs();
    // The output gathers on the stack and goes to `out` a block at a time:
    // no byte in becomes more than four out, and no step writes more than
    // kStretch bytes past where its output starts, so none looks at the
    // room left.
    constexpr std::size_t kBlock = 2000;
    char buffer[4 * kBlock + kStretch];
    std::size_t pos = 0;
    std::size_t careful = 0; // the loops go on to here after a stretch was left to them
    bool unfinished = false;
    while (pos < n && !unfinished) {
        const std::size_t stop = std::min(n, pos + kBlock);
        char *o = buffer;
        while (pos < stop) {
            if (big5_ && pos >= careful && pos + kStretch <= n) {
                const std::size_t next = Big5Stretch(p, pos, pairs, o);
                if (next != pos) {
                    pos = next;
                    continue;
                }
                careful = pos + kStretch;
            }
            pos = AsciiRun(p, pos, stop, n, o);
            if (pos >= stop)
                break;
            const std::size_t ran =
                big5_ ? Big5Run(p, pos, stop, pairs, o) : Utf8Run(p, pos, stop, pairs, o);
            if (ran != pos) {
                pos = ran;
                continue;
            }
            // Any other character, one at a time.
            std::uint32_t key = kNoKey;
            const int length =
                big5_ ? Big5Char(p + pos, n - pos, key) : Utf8Char(p + pos, n - pos, key);
            if (length == 0) {
                unfinished = true; // the next read brings the rest
                break;
            }
            if (length > 0 && key < kNoKey && table[key].known()) {
                Put(o, table[key]);
                pos += std::size_t(length);
                continue;
            }
            if (length > 0 && (key >= kNoKey || table[key].ask())) {
                out.append(buffer, std::size_t(o - buffer));
                o = buffer;
                if (Ask(in.substr(pos, std::size_t(length)), out)) {
                    pos += std::size_t(length);
                    continue;
                }
            }
            std::memcpy(o, kReplacement.data(), kReplacement.size());
            o += kReplacement.size();
            ++pos;
        }
        out.append(buffer, std::size_t(o - buffer));
    }
    return pos;
}

} // namespace session
