// Paints a laid-out frame into an image: the rows in their colour runs, opaque
// on their backgrounds, and the selection's inversion marks.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/Palette.h"
#include "core/screen/Selection.h"
#include "render/GlyphCache.h"

#include <vector>

#include <QImage>

namespace screen {

class QtTextMeasure;

// Paints single rows of a frame into a canvas, each into its own band of
// lines (k * row height and one row height down): a row's pixels depend only
// on its text, its attributes and the colours carried in from the rows above.
class RowPainter
{
public:
    RowPainter(const Canvas &canvas, QtTextMeasure &measure, const ScreenLook &look);

    // Screen row k; `colours` goes in as the rows above left it and comes out
    // as this row leaves it.
    void Paint(const Row &row, int k, Colours &colours);
    // Screen row k with no text: background slot 0.
    void PaintBlank(int k);
    // Everything below the first `rows` rows: background slot 0.
    void PaintBelow(int rows);

private:
    // Kept by value: a later character's first use may move the cache's masks.
    struct Late
    {
        GlyphMask mask;
        int x;
        std::uint32_t ink;
    };

    Canvas canvas_;
    QtTextMeasure &measure_;
    GlyphCache &glyphs_;
    const ScreenLook &look_;
    std::uint32_t background_;
    int rowHeight_;
    int cellHeight_;
    bool tiles_;
    std::vector<ColourRun> runs_;
    std::vector<Late> late_; // glyphs whose ink leaves their cell
};

QRgb ToRgb(Colour c);

// Fills `image` (32 bits a pixel; another depth is converted) with background
// slot 0 and paints screen rows 0..rows-1 of `frame`. Colours carry from row
// to row, starting at slots 0/0. Glyphs sit at the positions the measure's
// widths give, and their ink stays within the font's cell, above the line
// spacing.
void PaintRows(QImage &image, QtTextMeasure &measure, const Frame &frame, int rows,
               const ScreenLook &look);

// Inverts the spans, then the band of the selected rows when the marks say so.
void PaintSelection(QImage &image, const SelectionMarks &marks, const Selection &sel,
                    int rowHeight);

} // namespace screen
