#include "core/text/GbkText.h"

#include <charconv>
#include <cstring>

namespace gbk {

namespace {

// A boundary at or below `pos` and at or above `start`: the place after the
// nearest byte below 0x81 that must end a character. Such a byte is a single
// character or the last byte of one, unless it is a digit right after a lead
// byte (it may be the second byte of a four-byte character).
std::size_t SyncPoint(std::string_view s, std::size_t pos, std::size_t start)
{
    std::size_t q = pos;
    while (q > start) {
        const auto c = static_cast<unsigned char>(s[q - 1]);
        if (!IsLead(c) &&
            !(IsFourByteDigit(c) && q - 1 > start && IsLead(static_cast<unsigned char>(s[q - 2]))))
            return q;
        --q;
    }
    return start;
}

// One character forward; a lead byte takes its second byte even past the end.
std::size_t Step(std::string_view s, std::size_t p)
{
    if (!IsLead(static_cast<unsigned char>(s[p])))
        return 1;
    return IsFourByteAt(s, p) ? 4 : 2;
}

} // namespace

bool AtCharBoundary(std::string_view s, std::size_t pos, std::size_t start)
{
    std::size_t p = SyncPoint(s, pos, start);
    while (p < pos)
        p += Step(s, p);
    return p == pos;
}

std::size_t BoundaryAtOrBelow(std::string_view s, std::size_t limit, std::size_t start)
{
    if (limit >= s.size())
        return s.size();
    std::size_t p = SyncPoint(s, limit, start);
    while (true) {
        const std::size_t next = p + Step(s, p);
        if (next > limit)
            return p;
        p = next;
    }
}

std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from)
{
    if (needle.empty() || from > hay.size())
        return npos;
    return hay.find(needle, from);
}

std::size_t FindCharwise(std::string_view hay, std::string_view needle, std::size_t from)
{
    std::size_t start = from;
    while (true) {
        std::size_t p = Find(hay, needle, from);
        if (p == npos || AtCharBoundary(hay, p, start))
            return p;
        from = p + 1;
    }
}

std::size_t FindCharwise(std::string_view hay, char c, std::size_t from)
{
    std::size_t start = from;
    while (from < hay.size()) {
        const void *hit = std::memchr(hay.data() + from, c, hay.size() - from);
        if (!hit)
            return npos;
        std::size_t p = static_cast<const char *>(hit) - hay.data();
        if (AtCharBoundary(hay, p, start))
            return p;
        from = p + 1;
    }
    return npos;
}

std::string Excerpt(std::string_view s, std::size_t maxChars)
{
    std::size_t end = 0;
    for (std::size_t chars = 0; end < s.size() && chars < maxChars; ++chars)
        end += CharLength(s, end);
    if (end >= s.size())
        return std::string(s);
    std::string out(s.substr(0, end));
    out += "\xA1\xAD"; // "…"
    return out;
}

std::string_view TrimLeft(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    return s.substr(b);
}

std::string_view TrimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return s.substr(0, e);
}

std::string_view Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

std::string UpperAscii(std::string_view s)
{
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLead(c))
            ++i; // the second byte of a double-byte character is never a letter
        else if (c >= 'a' && c <= 'z')
            out[i] = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::optional<std::int32_t> ToInt(std::string_view s)
{
    if (s.empty())
        return std::nullopt;
    std::size_t b = 0;
    if (s[0] == '+')
        b = 1; // from_chars takes '-' but not '+'
    std::int32_t value = 0;
    const char *first = s.data() + b;
    const char *last = s.data() + s.size();
    if (first == last || (b == 1 && (*first == '+' || *first == '-')))
        return std::nullopt;
    auto [ptr, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

std::vector<std::string> SplitLines(std::string_view s)
{
    std::vector<std::string> lines;
    std::size_t b = 0;
    while (b < s.size()) {
        std::size_t e = b;
        while (e < s.size() && s[e] != '\r' && s[e] != '\n')
            ++e;
        lines.emplace_back(s.substr(b, e - b));
        if (e < s.size() && s[e] == '\r' && e + 1 < s.size() && s[e + 1] == '\n')
            e += 2;
        else if (e < s.size())
            e += 1;
        b = e;
    }
    return lines;
}

std::string JoinCrLf(const std::vector<std::string> &lines)
{
    std::string out;
    for (const auto &l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

void AppendHex4(std::string &out, unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    out += digits[(value >> 12) & 0xF];
    out += digits[(value >> 8) & 0xF];
    out += digits[(value >> 4) & 0xF];
    out += digits[value & 0xF];
}

int ParseHex(std::string_view s, std::size_t pos, std::size_t count)
{
    if (pos + count > s.size())
        return -1;
    int v = 0;
    for (std::size_t k = 0; k < count; ++k) {
        char c = s[pos + k];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return -1;
        v = v * 16 + d;
    }
    return v;
}

} // namespace gbk
