#include "core/screen/Selection.h"

#include "core/text/GbkText.h"

#include <algorithm>

namespace screen {

int RowUnder(int y, int rowHeight, int screenRowCount)
{
    const int row = rowHeight > 0 ? y / rowHeight : 0;
    return std::max(std::min(row, screenRowCount - 1), 0);
}

void Selection::LeftButtonDown(int x, int y, int rowHeight, int screenRowCount)
{
    dragAnchorRow = RowUnder(y, rowHeight, screenRowCount);
    selFirstRow = selLastRow = dragAnchorRow;
    selStartX = selEndX = dragAnchorX = x;
    selectionReady = true;
}

bool Selection::PointerMove(int x, int y, int rowHeight, int screenRowCount)
{
    if (dragAnchorRow == -1 || y < 0)
        return false;
    const int row = RowUnder(y, rowHeight, screenRowCount);
    // Below the anchor the pointer always moves the end, above it always the
    // start, whatever row the previous move was on.
    if (row > dragAnchorRow) {
        selFirstRow = dragAnchorRow;
        selLastRow = row;
        selStartX = dragAnchorX;
        selEndX = x;
    } else if (row < dragAnchorRow) {
        selFirstRow = row;
        selLastRow = dragAnchorRow;
        selStartX = x;
        selEndX = dragAnchorX;
    } else {
        selFirstRow = selLastRow = row;
        selStartX = std::min(x, dragAnchorX);
        selEndX = std::max(x, dragAnchorX);
    }
    return true;
}

void Selection::ShiftRows(int delta)
{
    if (!HasSelection() || delta == 0)
        return;
    selFirstRow += delta;
    selLastRow += delta;
    if (dragAnchorRow != -1)
        dragAnchorRow = std::max(dragAnchorRow + delta, 0);
    if (selLastRow < 0) {
        Clear();
    } else if (selFirstRow < 0) {
        selFirstRow = 0;
        selStartX = 0;
    }
}

void MarkSelection(TextMeasure &measure, const Frame &frame, const Selection &sel, int viewWidth,
                   SelectionMarks &out)
{
    out.selectedText.clear();
    out.spans.clear();
    out.band = false;
    if (sel.selFirstRow < 0 || sel.selLastRow < sel.selFirstRow)
        return;

    auto span = [&](int row, int x0, int x1) {
        if (x1 > x0)
            out.spans.push_back({row, x0, x1});
    };
    // Characters wholly left of selStartX stay out; those wholly left of
    // selEndX are in. Cuts fall between characters, never inside one.
    if (const Row *row = frame.ScreenRow(sel.selFirstRow)) {
        const std::string_view text = row->text;
        const std::size_t s = FitBytes(measure, text, sel.selStartX);
        if (s == text.size()) {
            // The start lies beyond the row's end: the row adds nothing, and its
            // text is kept out of the band so it does not look selected.
            span(sel.selFirstRow, 0, TextWidth(measure, text));
        } else if (sel.selFirstRow == sel.selLastRow) {
            const std::size_t e = FitBytes(measure, text, sel.selEndX);
            if (e >= 1) {
                out.selectedText.emplace_back(text.substr(s, e > s ? e - s : 0));
                span(sel.selFirstRow, 0, TextWidth(measure, text.substr(0, s)));
                span(sel.selFirstRow, TextWidth(measure, text.substr(0, e)) + 1, viewWidth);
            }
        } else {
            out.selectedText.emplace_back(text.substr(s));
            span(sel.selFirstRow, 0, TextWidth(measure, text.substr(0, s)));
        }
    }
    for (int k = sel.selFirstRow + 1; k < sel.selLastRow; ++k) {
        if (const Row *row = frame.ScreenRow(k))
            out.selectedText.push_back(row->text);
    }
    if (sel.selLastRow > sel.selFirstRow) {
        if (const Row *row = frame.ScreenRow(sel.selLastRow)) {
            const std::string_view text = row->text;
            const std::size_t e = FitBytes(measure, text, sel.selEndX);
            if (e >= 1) {
                out.selectedText.emplace_back(text.substr(0, e));
                span(sel.selLastRow, TextWidth(measure, text.substr(0, e)) + 1, viewWidth);
            } else {
                span(sel.selLastRow, 0, viewWidth);
            }
        }
    }
    // Without a band a span would show on its own as a selection of nothing.
    if (out.selectedText.empty())
        out.spans.clear();
    else
        out.band = true;
}

std::string CopyText(const std::vector<std::string> &selectedText)
{
    std::string out;
    for (std::size_t i = 0; i < selectedText.size(); ++i) {
        if (i > 0)
            out += ':';
        out += gbk::Trim(selectedText[i]);
    }
    return out;
}

std::string PasteText(const std::vector<std::string> &selectedText)
{
    std::string out;
    for (const std::string &entry : selectedText) {
        out += entry;
        out += "\r\n";
    }
    return out;
}

} // namespace screen
