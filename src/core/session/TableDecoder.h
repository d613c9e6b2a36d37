// UTF-8 or Big5 into the core's text (GB18030), fast: ASCII is copied as it
// is, eight bytes a step; the bytes of each other character are found by the
// encoding's own structure and looked up in the program's table of what
// iconv makes of each character (CharacterTable), so what a character
// becomes is always what the library says. Runs of Chinese characters, the
// bulk of a Chinese game's text, go through a loop of their own; Big5, whose
// characters mostly keep their length, is read in stretches of 64 bytes.
//
// A byte that does not start a character iconv converts becomes one U+FFFD
// (GB18030 84 31 A4 37), and decoding goes on with the next byte.
#pragma once

#include "core/session/CharacterTable.h"
#include "core/session/Encoding.h"
#include "core/session/Iconv.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
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

class TableDecoder
{
public:
    static constexpr std::string_view kReplacement = "\x84\x31\xA4\x37"; // U+FFFD

    // `from`: kUtf8 or kBig5.
    explicit TableDecoder(Encoding from);

    // Appends the text of `in` to `out`; returns how many bytes were taken:
    // all but an unfinished character at the very end (three bytes at most).
    std::size_t Decode(std::string_view in, std::string &out);

private:
    // Appends the conversion of one character the table has no entry for
    // (a code point beyond the first plane, a Big5-HKSCS character of two
    // code points); false when it does not convert.
    bool Ask(std::string_view bytes, std::string &out);

    bool big5_;
    const CharacterTable &table_;
    Iconv converter_;
};

} // namespace session
