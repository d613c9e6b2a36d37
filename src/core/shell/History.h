// The program-wide history of sent command lines, shared by all game windows,
// and its browsing with the Up and Down keys of the input line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// What the input line does after Up or Down.
struct HistoryStep
{
    // When set, the input line's text becomes this (empty: the line is
    // emptied); otherwise the line keeps its text.
    std::optional<std::string> lineText;
    // The key is consumed; this happens exactly when an entry is shown, and the
    // input line then selects its whole text.
    bool consumed = false;

    bool operator==(const HistoryStep &) const = default;
};

class CommandHistory
{
public:
    // Lines of this many bytes or fewer are sent but not remembered.
    static constexpr std::size_t kShortLine = 4;
    // When the history holds this many entries, the oldest kDropCount go first.
    static constexpr std::size_t kLimit = 50;
    static constexpr std::size_t kDropCount = 20;

    // Oldest first; no two entries are equal.
    std::vector<std::string> commandHistory;
    // 0: not browsing; n >= 1: the n-th entry back from the newest. It may run
    // past the oldest entry (Up keeps counting).
    std::int32_t historyPos = 0;

    // Enter: a line longer than kShortLine bytes becomes the newest entry (an
    // equal older copy is removed) and browsing starts over. Returns whether
    // the line was remembered.
    bool StoreEnteredLine(std::string_view line);

    // Up, whatever the modifiers.
    HistoryStep Up();
    // Down, whatever the modifiers.
    HistoryStep Down();

private:
    HistoryStep ShowPos() const;
};

} // namespace shell
