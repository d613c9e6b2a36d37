// Frames that cost what changed. An image remembers what its rows show; the
// next frame painted into it moves the rows that only moved (the view
// following new text scrolls them up) and paints only the rows that differ.
// The pixels are exactly those of a frame painted whole with PaintRows. An
// image may instead keep its rows as a ring: scrolling then moves no pixel,
// it only turns which band shows the top row, and the view draws the ring
// from there (see Unwrapped).
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
// caller changes with the look), whether a selection was painted over it, its
// rows, and the band that holds screen row 0 (0 unless its rows are a ring).
struct PaintedImage
{
    int width = -1;
    int height = -1;
    std::uint64_t look = 0;
    bool marked = false;
    int top = 0;
    std::vector<RowPrint> rows;
};

// How a repaint scrolls: by moving the pixels up, or by turning the ring.
enum class Scrolling {
    kMovePixels,
    kTurnRing,
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
// painted whole, and so is a ring's image when the pixels are to move: its
// rows start at band 0 again.
Repaint RepaintRows(QImage &image, PaintedImage &shown, QtTextMeasure &measure, const Frame &frame,
                    const std::vector<RowPrint> &rows, const ScreenLook &look,
                    std::uint64_t lookSerial, Scrolling scrolling = Scrolling::kMovePixels);

// The image lines of a ring's rows: `top` is the line showing the top of the
// view, and lines 0..height-1 go round (the lines below them stay in place).
struct RingLines
{
    int top = 0;
    int height = 0;
};
RingLines RingOf(const PaintedImage &shown, int rowHeight);

// The picture a ring's image shows, rows in screen order (tests and grabs).
QImage Unwrapped(const QImage &image, RingLines ring);

} // namespace screen
