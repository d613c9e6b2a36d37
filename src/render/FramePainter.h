// Paints a laid-out frame into an image: the rows in their colour runs, opaque
// on their backgrounds, and the selection's inversion marks.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/Palette.h"
#include "core/screen/Selection.h"

#include <QImage>

namespace screen {

class QtTextMeasure;

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
