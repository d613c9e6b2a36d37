// The selection fields that cover a found match on a frame, so the frame
// shows the match as it shows a selection.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/Selection.h"

#include <optional>
#include <string_view>
#include <vector>

namespace screen {

// `frame` was built by BuildRows from `lines` with `bottom`; the match is
// bytes [start, start + length) of lines[index]. Nothing when no part of the
// match is on the screen. A match whose top lies above the screen is marked
// from the screen's first row.
template <class Lines>
std::optional<Selection> SelectionForMatch(TextMeasure &measure, const Lines &lines, int bottom,
                                           const Frame &frame, int widthPx, std::size_t index,
                                           std::size_t start, std::size_t length)
{
    if (length == 0 || bottom < 0 || index > static_cast<std::size_t>(bottom) ||
        index >= lines.size())
        return std::nullopt;
    // Rows the lines below the match's line take at the bottom of the screen.
    std::vector<Row> rows;
    int below = 0;
    for (std::size_t i = index + 1; i <= static_cast<std::size_t>(bottom); ++i) {
        rows.clear();
        WrapLine(measure, lines[i].text, lines[i].attrs, widthPx, rows);
        below += static_cast<int>(rows.size());
        if (below >= frame.ScreenRowCount())
            return std::nullopt;
    }
    rows.clear();
    WrapLine(measure, lines[index].text, lines[index].attrs, widthPx, rows);
    const int lastRow = frame.ScreenRowCount() - 1 - below; // screen row of the line's last row
    const int firstRow = lastRow - static_cast<int>(rows.size()) + 1;
    const std::size_t end = start + length;
    Selection sel;
    std::size_t taken = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string_view text = rows[k].text;
        const std::size_t rowEnd = taken + text.size();
        const int screenRow = firstRow + static_cast<int>(k);
        if (start < rowEnd && end > taken && screenRow >= 0) {
            if (sel.selFirstRow < 0) {
                sel.selFirstRow = screenRow;
                sel.selStartX =
                    start > taken ? TextWidth(measure, text.substr(0, start - taken)) : 0;
            }
            sel.selLastRow = screenRow;
            sel.selEndX = TextWidth(measure, text.substr(0, std::min(end, rowEnd) - taken));
        }
        taken = rowEnd;
    }
    if (sel.selFirstRow < 0)
        return std::nullopt;
    return sel;
}

} // namespace screen
