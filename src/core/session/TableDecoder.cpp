#include "core/session/MemoDecoder.h"

#include <bit>

namespace session {

namespace {

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
    // Chinese first: three bytes, tested at once.
    if (left >= 3 && (c & 0xF0) == 0xE0 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        key = (c & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        if (key >= 0x800 && (key < 0xD800 || key > 0xDFFF))
            return 3;
        return -1; // an overlong form or a surrogate
    }
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
// (the library reads 0x80 as U+0080); iconv judges either. The key is the
// bytes.
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

// Whether `s` is exactly one GB18030 character of two or four bytes.
bool OneCharacter(std::string_view s)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (s.size() == 2)
        return byte(0) >= 0x81 && byte(0) <= 0xFE && byte(1) >= 0x40 && byte(1) <= 0xFE;
    return s.size() == 4 && byte(0) >= 0x81 && byte(0) <= 0xFE && byte(1) >= 0x30 &&
           byte(1) <= 0x39;
}

} // namespace

MemoDecoder::MemoDecoder(Encoding from)
    : from_(from)
    , converter_("GB18030", from == Encoding::kBig5 ? Iconv::Big5Name() : "UTF-8")
{}

bool MemoDecoder::Ask(std::string_view bytes, std::string &out)
{
    const std::size_t before = out.size();
    if (converter_.Convert(bytes, out).stop == Iconv::Stop::kEnd)
        return true;
    out.resize(before);
    std::string ignored;
    converter_.Flush(ignored); // back to the initial state
    return false;
}

const MemoDecoder::Entry *MemoDecoder::Lookup(std::uint32_t key, std::string_view bytes)
{
    if (key >= kNoKey)
        return nullptr;
    std::unique_ptr<Page> &page = pages_[key >> 8];
    if (!page)
        page = std::make_unique<Page>();
    Entry &e = (*page)[key & 0xFF];
    if (e.bytes[0] == kUnknown) {
        scratch_.clear();
        if (!Ask(bytes, scratch_))
            e.bytes[0] = kBad;
        else if (!OneCharacter(scratch_))
            e.bytes[0] = kBad, e.bytes[1] = kLong;
        else
            std::memcpy(e.bytes, scratch_.data(), scratch_.size());
    }
    return e.bytes[0] == kBad && e.bytes[1] == kLong ? nullptr : &e;
}

bool MemoDecoder::Convert(std::uint32_t key, std::string_view bytes, std::string &out)
{
    if (const Entry *e = Lookup(key, bytes)) {
        if (!e->known())
            return false;
        out.append(reinterpret_cast<const char *>(e->bytes), e->length());
        return true;
    }
    return Ask(bytes, out);
}

std::size_t MemoDecoder::Decode(std::string_view in, std::string &out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    const std::size_t n = in.size();
    const bool big5 = from_ == Encoding::kBig5;
    // The output gathers on the stack and goes to `out` in large pieces;
    // every step writes at most 16 bytes before the room is looked at again.
    char buffer[8192];
    char *o = buffer;
    char *const full = buffer + sizeof buffer - 16;
    const std::unique_ptr<Page> *const pages = pages_.data();
    std::size_t pos = 0;
    while (pos < n) {
        if (o > full) {
            out.append(buffer, std::size_t(o - buffer));
            o = buffer;
        }
        if (p[pos] < 0x80) {
            // ASCII, eight bytes a step: the word is stored whole and the
            // output moves on by its ASCII bytes.
            if (pos + 8 <= n) {
                std::uint64_t word;
                std::memcpy(&word, p + pos, 8);
                std::memcpy(o, &word, 8);
                const std::uint64_t high = word & 0x8080808080808080ull;
                const std::size_t ascii = high == 0 ? 8 : AsciiBytes(high);
                o += ascii;
                pos += ascii;
            } else {
                *o++ = static_cast<char>(p[pos++]);
            }
            continue;
        }
        std::uint32_t key = kNoKey;
        const int length = big5 ? Big5Char(p + pos, n - pos, key) : Utf8Char(p + pos, n - pos, key);
        if (length == 0)
            break; // unfinished: the next read brings the rest
        if (length > 0 && key < kNoKey) {
            if (const Page *page = pages[key >> 8].get()) {
                const Entry &e = (*page)[key & 0xFF];
                if (e.known()) {
                    std::memcpy(o, e.bytes, sizeof e.bytes);
                    o += e.length();
                    pos += std::size_t(length);
                    continue;
                }
            }
        }
        // Not met before, not kept, or not a character.
        out.append(buffer, std::size_t(o - buffer));
        o = buffer;
        if (length > 0 && Convert(key, in.substr(pos, std::size_t(length)), out)) {
            pos += std::size_t(length);
        } else {
            out += kReplacement;
            ++pos;
        }
    }
    out.append(buffer, std::size_t(o - buffer));
    return pos;
}

} // namespace session
