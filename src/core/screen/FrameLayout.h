// Lays out one screen frame without painting it: picks the stored lines a
// screen shows, wraps them into rows by pixel width and turns attribute
// records into colour runs for the painter.
#pragma once

#include "core/screen/TextMeasure.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// One row of a frame: its bytes and its attribute records ("PPPPFBM" each,
// positions 1-based within the row), or " " when the row has none.
struct Row
{
    std::string text;
    std::string attrs;
};

// The rows of a frame, top to bottom. The list may begin with rows of the
// topmost line that lie above the screen; `first` is the entry painted as
// screen row 0, so screen row k is rows[first + k].
struct Frame
{
    std::vector<Row> rows;
    std::size_t first = 0;

    // Number of rows actually on the screen.
    int ScreenRowCount() const { return static_cast<int>(rows.size() - first); }
    // Screen row k, or nullptr when the frame has no such row.
    const Row *ScreenRow(int k) const
    {
        if (k < 0 || k >= ScreenRowCount())
            return nullptr;
        return &rows[first + static_cast<std::size_t>(k)];
    }
};

// Width in pixels of `text`, measured character by character.
int TextWidth(TextMeasure &measure, std::string_view text);

// How many leading bytes of `text` fit in `widthPx` pixels. Characters are
// taken whole, so the count never ends inside a double-byte character.
std::size_t FitBytes(TextMeasure &measure, std::string_view text, int widthPx);

// Wraps one stored line into rows of at most `widthPx` pixels and appends
// them to `out`. Every line starts with the record "0001001" (background slot
// 0, foreground left as the line before left it); records move to the row
// holding their byte with positions rebased to that row. A row always holds
// at least one whole character, so a view narrower than a character still
// makes progress.
void WrapLine(TextMeasure &measure, std::string_view text, std::string_view storedAttrs,
              int widthPx, std::vector<Row> &out);

// Rows a view shows: one row height (font size + line spacing) is kept free
// at the bottom. 0 when nothing fits or the row height is not positive.
int RowsFor(int viewHeight, int fontSize, int lineSpacing);

// Index of the stored line shown at the bottom of the screen, -1 when the
// store is empty. scrollPos -1 follows the newest line; a position inside the
// first page shows the first page whole, from the top.
int ChooseBottomLine(int scrollPos, int storedCount, int rows);

// Wraps lines from `bottom` upwards until at least `rows` rows exist. A line
// is always wrapped whole, so its top rows may lie above the screen; `first`
// skips them. `lines` is any random-access list of items with `text` and
// `attrs` (the line store).
template <class Lines>
void BuildRows(TextMeasure &measure, const Lines &lines, int bottom, int rows, int widthPx,
               Frame &frame)
{
    frame.rows.clear();
    frame.first = 0;
    if (rows <= 0)
        return;
    const int count = static_cast<int>(lines.size());
    // Each line's rows are appended reversed and the whole list is turned
    // round at the end, instead of inserting at the front line by line.
    for (int b = std::min(bottom, count - 1); b >= 0 && static_cast<int>(frame.rows.size()) < rows;
         --b) {
        const std::size_t before = frame.rows.size();
        const auto &line = lines[static_cast<std::size_t>(b)];
        WrapLine(measure, line.text, line.attrs, widthPx, frame.rows);
        std::reverse(frame.rows.begin() + static_cast<std::ptrdiff_t>(before), frame.rows.end());
    }
    std::reverse(frame.rows.begin(), frame.rows.end());
    if (frame.rows.size() > static_cast<std::size_t>(rows))
        frame.first = frame.rows.size() - static_cast<std::size_t>(rows);
}

// Palette slots in force while painting; they carry from row to row and from
// line to line within one frame, and a frame starts at {0, 0}.
struct Colours
{
    int fg = 0; // foreground slot 0-15
    int bg = 0; // background slot 0-7
};

// A stretch of a row painted in one pair of colours; start is 0-based.
struct ColourRun
{
    std::size_t start = 0;
    std::size_t length = 0;
    int fg = 0;
    int bg = 0;
};

// Splits one row into colour runs, in order, applying its records to
// `colours` (modes: 0 foreground, 1 background, 2 both, 3 back to slots 0/0).
// Bytes before the first record keep the colours carried in; empty runs are
// left out. `colours` holds the colours carried out. `out` is replaced.
void ColourRuns(std::string_view rowText, std::string_view rowAttrs, Colours &colours,
                std::vector<ColourRun> &out);

} // namespace screen
