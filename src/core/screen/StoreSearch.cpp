#include "core/screen/StoreSearch.h"

#include "core/text/GbkText.h"

#include <cstring>

namespace screen {

namespace {

constexpr bool IsUpper(unsigned char c)
{
    return c >= 'A' && c <= 'Z';
}

constexpr bool IsLower(unsigned char c)
{
    return c >= 'a' && c <= 'z';
}

// The first byte at or after `from` that is `lower` or its capital, sixteen
// bytes at a time: a byte OR 0x20 equals a lower-case letter exactly when it
// is that letter in either case.
std::size_t FindFolded(std::string_view text, unsigned char lower, std::size_t from)
{
    using Bytes = unsigned char __attribute__((vector_size(16)));
    const auto *data = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t size = text.size();
    std::size_t p = from;
    const Bytes want = {lower, lower, lower, lower, lower, lower, lower, lower,
                        lower, lower, lower, lower, lower, lower, lower, lower};
    const Bytes bit = (want ^ want) | 0x20;
    for (; p + 16 <= size; p += 16) {
        Bytes block;
        std::memcpy(&block, data + p, 16);
        const auto hit = (block | bit) == want;
        unsigned long long lo, hi;
        std::memcpy(&lo, &hit, 8);
        std::memcpy(&hi, reinterpret_cast<const char *>(&hit) + 8, 8);
        if (lo)
            return p + static_cast<std::size_t>(__builtin_ctzll(lo)) / 8;
        if (hi)
            return p + 8 + static_cast<std::size_t>(__builtin_ctzll(hi)) / 8;
    }
    for (; p < size; ++p)
        if ((data[p] | 0x20) == lower)
            return p;
    return std::string_view::npos;
}

} // namespace

StoreSearch::StoreSearch(std::string_view needle)
    : needle_(needle)
    , fold_(needle.size(), '\0')
{
    // Only letters that are characters of their own fold: the same byte as
    // the second half of a double-byte character is matched exactly.
    for (std::size_t i = 0; i < needle_.size(); i += gbk::CharLength(needle_, i)) {
        const auto c = static_cast<unsigned char>(needle_[i]);
        if (IsUpper(c) || IsLower(c)) {
            needle_[i] = static_cast<char>(c | 0x20);
            fold_[i] = 1;
        }
    }
    // The fast scan looks for the last byte that must match exactly (a
    // second byte varies most in Chinese text), else for the last letter.
    anchor_ = needle_.empty() ? 0 : needle_.size() - 1;
    anchorFolds_ = !needle_.empty() && fold_[anchor_];
    for (std::size_t i = needle_.size(); i-- > 0;) {
        if (!fold_[i]) {
            anchor_ = i;
            anchorFolds_ = false;
            break;
        }
    }
}

bool StoreSearch::MatchesAt(std::string_view text, std::size_t pos) const
{
    if (pos + needle_.size() > text.size())
        return false;
    for (std::size_t i = 0; i < needle_.size(); ++i) {
        const auto h = static_cast<unsigned char>(text[pos + i]);
        const auto n = static_cast<unsigned char>(needle_[i]);
        if (fold_[i] ? (h | 0x20) != n : h != n)
            return false;
    }
    return true;
}

std::size_t StoreSearch::NextIn(std::string_view text, std::size_t from) const
{
    if (needle_.empty() || text.size() < needle_.size())
        return std::string_view::npos;
    const auto anchorByte = static_cast<unsigned char>(needle_[anchor_]);
    const std::size_t last = text.size() - needle_.size(); // the last start that fits
    std::size_t q = from + anchor_;
    while (q <= last + anchor_) {
        if (anchorFolds_) {
            q = FindFolded(text.substr(0, last + anchor_ + 1), anchorByte, q);
        } else {
            const void *hit = std::memchr(text.data() + q, anchorByte, last + anchor_ + 1 - q);
            q = hit ? static_cast<std::size_t>(static_cast<const char *>(hit) - text.data())
                    : std::string_view::npos;
        }
        if (q == std::string_view::npos)
            return q;
        const std::size_t p = q - anchor_;
        if (MatchesAt(text, p) && gbk::AtCharBoundary(text, p))
            return p;
        ++q;
    }
    return std::string_view::npos;
}

std::optional<StoreMatch> StoreSearch::Find(const LineStore &store,
                                            const std::optional<StoreMatch> &from,
                                            SearchWay way) const
{
    const auto &lines = store.lines();
    const std::size_t count = lines.size();
    if (needle_.empty() || count == 0)
        return std::nullopt;
    const std::uint64_t first = store.firstLine();
    const bool older = way == SearchWay::kOlder;
    const bool held = from && from->line >= first && from->line - first < count;
    // The line to start in, and within it the bound a match must stay beyond.
    std::size_t index = held ? static_cast<std::size_t>(from->line - first) : older ? count - 1 : 0;
    auto make = [&](std::size_t i, std::size_t start) {
        return StoreMatch{first + i, start, needle_.size()};
    };
    // One look at every line, starting with the line of `from`, and then at
    // that line once more for what lies on its other side.
    for (std::size_t step = 0; step <= count; ++step) {
        const std::string_view text = lines[index].text;
        const bool own = held && step == 0;
        const bool again = held && step == count;
        if (older) {
            // The last match before the bound.
            std::optional<std::size_t> best;
            Scan(text, [&](std::size_t p) {
                if (own && p >= from->start)
                    return false;
                if (again && p < from->start)
                    return true;
                best = p;
                return true;
            });
            if (best)
                return make(index, *best);
            index = index == 0 ? count - 1 : index - 1;
        } else {
            std::optional<std::size_t> hit;
            Scan(text, [&](std::size_t p) {
                if (own && p <= from->start)
                    return true;
                if (again && p > from->start)
                    return false;
                hit = p;
                return false;
            });
            if (hit)
                return make(index, *hit);
            index = index + 1 == count ? 0 : index + 1;
        }
        if (!held && step + 1 == count)
            break;
    }
    return std::nullopt;
}

} // namespace screen
