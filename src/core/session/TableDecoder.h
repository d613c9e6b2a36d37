// UTF-8 or Big5 into the core's text (GB18030), fast: ASCII is copied as it
// is, the bytes of each other character are found by the encoding's own
// structure, and iconv is asked once for each distinct character, its answer
// kept for the next time. Game text repeats a few thousand characters, so
// after its first screens the converter is hardly asked at all, and what a
// character becomes is still always what the library says.
//
// A byte that does not start a character iconv converts becomes one U+FFFD
// (GB18030 84 31 A4 37), and decoding goes on with the next byte.
#pragma once

#include "core/session/Encoding.h"
#include "core/session/Iconv.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace session {

// How many bytes at the start of `s` are ASCII, eight a step.
inline std::size_t AsciiPrefix(std::string_view s)
{
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

class MemoDecoder
{
public:
    static constexpr std::string_view kReplacement = "\x84\x31\xA4\x37"; // U+FFFD

    // `from`: kUtf8 or kBig5.
    explicit MemoDecoder(Encoding from);

    // Appends the text of `in` to `out`; returns how many bytes were taken:
    // all but an unfinished character at the very end (three bytes at most).
    std::size_t Decode(std::string_view in, std::string &out);

private:
    // What one character becomes: one GB18030 character, two or four
    // bytes (the second byte tells which), zeros after two. A first byte of
    // 0 or 0xFF is no GB18030 lead: it marks an entry not asked yet, a
    // character iconv does not convert, or one that is not a single GB18030
    // character (a Big5-HKSCS character may be two code points), asked again
    // every time. Four bytes an entry keep a page of them in the fastest
    // cache.
    struct Entry
    {
        unsigned char bytes[4] = {};
        bool known() const { return bytes[0] != 0 && bytes[0] != 0xFF; }
        std::size_t length() const { return bytes[1] >= 0x30 && bytes[1] <= 0x39 ? 4 : 2; }
    };
    static constexpr unsigned char kUnknown = 0, kBad = 0xFF;
    static constexpr unsigned char kLong = 0xFE; // the second byte of a kept-out entry
    using Page = std::array<Entry, 256>;

    // The entry of a character: its key (below 0x10000: the code point, or
    // lead and second byte) and its bytes, asking iconv the first time; null
    // for one not kept (a code point beyond the first plane, a conversion
    // that is not one GB18030 character).
    const Entry *Lookup(std::uint32_t key, std::string_view bytes);
    // Appends the character's conversion, from the entry or from iconv;
    // false when it does not convert.
    bool Convert(std::uint32_t key, std::string_view bytes, std::string &out);
    // Converts one character as iconv does; false when it does not convert.
    bool Ask(std::string_view bytes, std::string &out);

    Encoding from_;
    Iconv converter_;
    std::string scratch_;
    std::array<std::unique_ptr<Page>, 256> pages_;
};

} // namespace session
