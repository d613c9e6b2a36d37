// Frames that cost what changed. An image remembers what its rows show; the
// next frame painted into it moves the rows that only moved (the view
// following new text scrolls them up) and paints only the rows that differ.
// The pixels are exactly those of a frame painted whole with PaintRows.
#pragma once

#include "core/screen/FrameLayout.h"
#include "core/screen/Palette.h"

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

namespace screen {

class QtTextMeasure;

// What decides one screen row's pixels.
struct RowPrint
{
    Colours in;        // carried in from the rows above
    bool blank = true; // below the frame's last row
    std::uint64_t hash = 0;
    std::string text;
    std::string attrs;

    bool operator==(const RowPrint &o) const
    {
        return hash == o.hash && blank == o.blank && in.fg == o.in.fg && in.bg == o.in.bg &&
               text == o.text && attrs == o.attrs;
    }
};

// What an image shows: its size, the look it was painted in (a serial the
// caller changes with the look), whether a selection was painted over it, and
// its rows.
struct PaintedImage
{
    int width = -1;
    int height = -1;
    std::uint64_t look = 0;
    bool marked = false;
    std::vector<RowPrint> rows;
};

// The prints of screen rows 0..rows-1 of `frame`; rows past its end are blank.
void PrintRows(const Frame &frame, int rows, std::vector<RowPrint> &out);

// Whether an image showing `shown` already shows `rows` unmarked at this size and look.
bool ShowsRows(const PaintedImage &shown, const std::vector<RowPrint> &rows, int width, int height,
               std::uint64_t look);

// What a repaint did: rows painted, and rows the existing pixels moved up.
struct Repaint
{
    int painted = 0;
    int scrolled = 0;
};

// Brings `image` (32 bits a pixel, `width` x `height`) from `shown` to the
// frame whose row prints are `rows`: scrolls by the shift that keeps the most
// rows, paints the others, and records the new content in `shown`. An image
// of another size or look, or one with a selection painted over it, is
// painted whole.
Repaint RepaintRows(QImage &image, PaintedImage &shown, QtTextMeasure &measure, const Frame &frame,
                    const std::vector<RowPrint> &rows, const ScreenLook &look,
                    std::uint64_t lookSerial);

} // namespace screen
