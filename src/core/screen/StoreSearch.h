// Search of the scrollback: finds a text in the line store character-wise (a
// match never starts on a second byte), ASCII letters in either case. Matches
// are named by the line's running number, so they stay right as older lines
// drop out of the store.
#pragma once

#include "core/screen/LineStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace screen {

struct StoreMatch
{
    std::uint64_t line = 0; // running number (LineStore::firstLine() counts)
    std::size_t start = 0;  // 0-based byte in the line's text
    std::size_t length = 0;

    bool operator==(const StoreMatch &) const = default;
};

// Which way a search goes: towards older lines (up the screen) or newer ones.
enum class SearchWay { kOlder, kNewer };

class StoreSearch
{
public:
    // `needle` is core text; an empty one finds nothing.
    explicit StoreSearch(std::string_view needle);

    const std::string &needle() const { return needle_; }

    // The match next to `from` the given way, wrapping round at either end of
    // the store; from nothing (or a match whose line is gone) it starts at
    // the newest line going older, at the oldest going newer. `from` itself
    // is found again only when it is the one match there is.
    std::optional<StoreMatch> Find(const LineStore &store, const std::optional<StoreMatch> &from,
                                   SearchWay way) const;

    // Every match start in `text`, in order, calling `found` until it returns false.
    template <class Found> void Scan(std::string_view text, Found &&found) const;

private:
    std::size_t NextIn(std::string_view text, std::size_t from) const;
    bool MatchesAt(std::string_view text, std::size_t pos) const;

    std::string needle_;     // letters lower-cased where they are whole characters
    std::string fold_;       // 1 where needle_ has such a letter
    std::size_t anchor_ = 0; // the byte the fast scan looks for
    bool anchorFolds_ = false;
};

template <class Found> void StoreSearch::Scan(std::string_view text, Found &&found) const
{
    for (std::size_t p = NextIn(text, 0); p != std::string_view::npos; p = NextIn(text, p + 1))
        if (!found(p))
            return;
}

} // namespace screen
