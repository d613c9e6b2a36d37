// Byte-string helpers for the core's text, shared by every part of the core.
// Text is kept as raw GB18030 bytes, the superset of GBK: a lead byte
// 0x81-0xFE takes the next byte with it, and lead, 0x30-0x39, lead, 0x30-0x39
// is one four-byte character. For GBK text nothing changes, since GBK never
// puts a digit after a lead byte. Positions in this API are 0-based.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gbk {

constexpr std::size_t npos = std::string_view::npos;

// A lead byte starts a double-byte character and takes the next byte with it.
constexpr bool IsLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

// The second and fourth bytes of a four-byte character.
constexpr bool IsFourByteDigit(unsigned char c)
{
    return c >= 0x30 && c <= 0x39;
}

// True when the four bytes of `s` at `pos` are one four-byte character.
inline bool IsFourByteAt(std::string_view s, std::size_t pos)
{
    return pos + 3 < s.size() && IsLead(static_cast<unsigned char>(s[pos])) &&
           IsFourByteDigit(static_cast<unsigned char>(s[pos + 1])) &&
           IsLead(static_cast<unsigned char>(s[pos + 2])) &&
           IsFourByteDigit(static_cast<unsigned char>(s[pos + 3]));
}

// True when byte `pos` of `s` starts a character, given that `start` does.
// Walks back to a byte that always ends a character (one below 0x81 that is
// not the digit after a lead byte), then forward character by character.
// A lead byte counts as taking its second byte even past the end of `s`.
bool AtCharBoundary(std::string_view s, std::size_t pos, std::size_t start = 0);

// The largest character boundary of `s` at or below `limit` (at most its
// size), given that `start` (at or below `limit`) is one: where to cut `s`
// so that no character is split.
std::size_t BoundaryAtOrBelow(std::string_view s, std::size_t limit, std::size_t start = 0);

// Character-wise search: the first occurrence of `needle` at or after `from`
// that does not begin on the second byte of a double-byte character. `from`
// must itself be a character boundary. An empty needle is never found.
std::size_t FindCharwise(std::string_view hay, std::string_view needle, std::size_t from = 0);
std::size_t FindCharwise(std::string_view hay, char c, std::size_t from = 0);

// Plain byte search (first occurrence, no character stepping); empty never found.
std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from = 0);

// Length in bytes of the character starting at `pos` (1, 2 or 4; a lead
// byte at the very end is 1).
inline std::size_t CharLength(std::string_view s, std::size_t pos)
{
    if (!IsLead(static_cast<unsigned char>(s[pos])) || pos + 1 >= s.size())
        return 1;
    return IsFourByteAt(s, pos) ? 4 : 2;
}

// What a message may quote of file content or typed text: at most `maxChars`
// characters of `s`, cut at a character boundary, with "…" after a cut.
std::string Excerpt(std::string_view s, std::size_t maxChars = 80);

// Trim removes leading and trailing bytes of value 0x20 or less.
std::string_view Trim(std::string_view s);
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);

// a-z become A-Z byte by byte, skipping the second bytes of double-byte characters
// (a four-byte character holds digits and lead bytes only).
std::string UpperAscii(std::string_view s);

// Decimal integer with an optional sign that fits 32 bits; nothing else, not
// even blanks. std::nullopt when the text does not convert.
std::optional<std::int32_t> ToInt(std::string_view s);

// Splits text into lines at CR LF, LF or CR. A final line end does not start
// an empty last line; an empty text gives no lines.
std::vector<std::string> SplitLines(std::string_view s);

// Joins lines with CR LF after every line.
std::string JoinCrLf(const std::vector<std::string> &lines);

// Four upper-case hexadecimal digits, zero-padded (value must be below 0x10000).
void AppendHex4(std::string &out, unsigned value);
// Value of `count` hexadecimal digits at `s[pos]`; -1 when one is not a digit.
int ParseHex(std::string_view s, std::size_t pos, std::size_t count);

} // namespace gbk
