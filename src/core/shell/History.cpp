#include "core/shell/History.h"

#include <algorithm>
#include <limits>

namespace shell {

bool CommandHistory::StoreEnteredLine(std::string_view line)
{
    if (line.size() <= kShortLine)
        return false;
    if (commandHistory.size() >= kLimit)
        commandHistory.erase(commandHistory.begin(), commandHistory.begin() + kDropCount);
    auto copy = std::find(commandHistory.begin(), commandHistory.end(), line);
    if (copy != commandHistory.end())
        commandHistory.erase(copy);
    commandHistory.emplace_back(line);
    historyPos = 0;
    return true;
}

HistoryStep CommandHistory::ShowPos() const
{
    if (historyPos < 1 || commandHistory.size() < static_cast<std::size_t>(historyPos))
        return {};
    return {commandHistory[commandHistory.size() - historyPos], true};
}

HistoryStep CommandHistory::Up()
{
    // Held Up keys keep counting past the oldest entry; stop short of overflow.
    if (historyPos < std::numeric_limits<std::int32_t>::max())
        ++historyPos;
    return ShowPos();
}

HistoryStep CommandHistory::Down()
{
    --historyPos;
    if (historyPos <= 0) {
        historyPos = 0;
        return {std::string(), false};
    }
    return ShowPos();
}

} // namespace shell
