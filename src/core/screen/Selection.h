// The screen's mouse selection: the drag rules of the game window, and the
// selected text and inversion marks a frame derives from the selection fields.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/TextMeasure.h"

#include <string>
#include <vector>

namespace screen {

// Selection fields shared by the game window (mouse) and the screen (frame).
// Rows are screen rows; x values are pixels from the left of the drawing area.
struct Selection
{
    int dragAnchorRow = -1; // -1: no drag in progress
    int dragAnchorX = -1;
    int selFirstRow = -1; // -1: no selection
    int selLastRow = -1;
    int selStartX = -1; // where the selection starts on its first row
    int selEndX = -1;   // where it ends on its last row
    bool selectionReady = false;

    bool HasSelection() const { return selFirstRow != -1; }

    // Starts a drag at the row under (x, y). The caller also stops the scroll
    // lock when it is scrolling and requests a redraw.
    void LeftButtonDown(int x, int y, int rowHeight, int screenRowCount);
    // Extends the selection while dragging. Returns true when it changed the
    // fields (a redraw is then due).
    bool PointerMove(int x, int y, int rowHeight, int screenRowCount);
    void LeftButtonUp() { dragAnchorRow = -1; }
    void EndDrag() { dragAnchorRow = -1; }
    void Clear() { selFirstRow = -1; }
    // The rows under the selection moved `delta` rows (negative: up), as
    // when the split view's upper part loses or gains rows at its top: the
    // selection follows its text. What moves above row 0 is cut there; a
    // selection moved wholly above it goes.
    void ShiftRows(int delta);
};

// Screen row under pixel y: y / rowHeight, kept within the rows on screen.
int RowUnder(int y, int rowHeight, int screenRowCount);

// A stretch of one screen row to invert: pixels [x0, x1).
struct InvertSpan
{
    int row = 0;
    int x0 = 0;
    int x1 = 0;
};

// What a frame with a selection produces. The painter inverts every span
// once, then, when `band` is set, the rows selFirstRow..selLastRow across the
// full width: the spans cover the unselected ends, so only the selected text
// shows inverted.
struct SelectionMarks
{
    std::vector<std::string> selectedText; // one entry per selected row, bytes as stored
    std::vector<InvertSpan> spans;
    bool band = false;
};

// Rebuilds the selected text and the inversion marks of `frame` for the
// selection fields of `sel`. Nothing is marked when nothing is selected.
void MarkSelection(TextMeasure &measure, const Frame &frame, const Selection &sel, int viewWidth,
                   SelectionMarks &out);

// Clipboard text of a copy: each entry trimmed of bytes <= 32, joined by ":".
std::string CopyText(const std::vector<std::string> &selectedText);

// Text for the paste sender: each entry, bytes kept, followed by CR LF.
std::string PasteText(const std::vector<std::string> &selectedText);

} // namespace screen
