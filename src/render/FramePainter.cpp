#include "render/FramePainter.h"

#include "core/text/GbkText.h"
#include "render/GlyphCache.h"
#include "render/QtTextMeasure.h"

#include <algorithm>

#include <QPainter>

namespace screen {

QRgb ToRgb(Colour c)
{
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

namespace {

// Fills a rectangle of the canvas, clipped to it.
void Fill(const Canvas &canvas, int x, int y, int width, int height, std::uint32_t pixel)
{
    const int x0 = std::max(x, 0), x1 = std::min(x + width, canvas.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + height, canvas.height);
    for (int line = y0; line < y1 && x0 < x1; ++line)
        std::fill(canvas.Line(line) + x0, canvas.Line(line) + x1, pixel);
}

} // namespace

RowPainter::RowPainter(const Canvas &canvas, QtTextMeasure &measure, const ScreenLook &look)
    : canvas_(canvas)
    , measure_(measure)
    , glyphs_(measure.glyphs())
    , look_(look)
    , background_(ToRgb(look.bgPalette[0]))
    , rowHeight_(look.RowHeight())
    , cellHeight_(std::min(rowHeight_, measure.cellHeight()))
    // Whole cells are copied from tiles when a row's cell is the font's cell
    // (a line spacing below zero cuts it shorter: glyphs are blended then).
    , tiles_(cellHeight_ == glyphs_.cellHeight())
{}

void RowPainter::Paint(const Row &row, int k, Colours &colours)
{
    const Canvas &canvas = canvas_;
    const int y = k * rowHeight_;
    const int cellHeight = cellHeight_;
    ColourRuns(row.text, row.attrs, colours, runs_);
    late_.clear();
    // Every cell takes its background before any ink that reaches out of
    // a cell is drawn, so a run never covers the end of the run before.
    int x = 0;
    for (const ColourRun &run : runs_) {
        const std::uint32_t ink = ToRgb(look_.fgPalette[run.fg]) & 0xFFFFFF;
        const std::uint32_t paper = ToRgb(look_.bgPalette[run.bg]);
        const std::string_view bytes(row.text.data() + run.start, run.length);
        for (std::size_t i = 0; i < bytes.size();) {
            const std::string_view ch = bytes.substr(i, gbk::CharLength(bytes, i));
            i += ch.size();
            const QtTextMeasure::CharGlyph g = measure_.PaintGlyph(ch);
            if (!g.mask || g.advance <= 0)
                continue;
            const std::uint32_t *tile =
                tiles_ ? glyphs_.Tile(g.slot, *g.mask, g.advance, ink, paper & 0xFFFFFF) : nullptr;
            const int x0 = std::max(x, 0), x1 = std::min(x + g.advance, canvas.width);
            if (x0 >= x1) {
                // beyond the right edge: nothing to paint
            } else if (tile) {
                for (int line = 0; line < cellHeight && y + line < canvas.height; ++line)
                    std::copy(tile + line * g.advance + (x0 - x),
                              tile + line * g.advance + (x1 - x), canvas.Line(y + line) + x0);
            } else {
                for (int line = y; line < y + cellHeight && line < canvas.height; ++line)
                    std::fill(canvas.Line(line) + x0, canvas.Line(line) + x1, paper);
                late_.push_back({*g.mask, x, ink});
            }
            x += g.advance;
        }
    }
    for (const Late &l : late_)
        BlendGlyph(canvas, glyphs_, l.mask, l.x, y, y + cellHeight, l.ink);
    // The rest of the row: right of its text, and the line spacing below.
    Fill(canvas, x, y, canvas.width - x, cellHeight, background_);
    Fill(canvas, 0, y + cellHeight, canvas.width, rowHeight_ - cellHeight, background_);
}

void RowPainter::PaintBlank(int k)
{
    Fill(canvas_, 0, k * rowHeight_, canvas_.width, rowHeight_, background_);
}

void RowPainter::PaintBelow(int rows)
{
    Fill(canvas_, 0, rows * rowHeight_, canvas_.width, canvas_.height - rows * rowHeight_,
         background_);
}

void PaintRows(QImage &image, QtTextMeasure &measure, const Frame &frame, int rows,
               const ScreenLook &look)
{
    if (image.depth() != 32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const Canvas canvas(image);
    RowPainter painter(canvas, measure, look);
    Colours colours;
    const int shown = std::min(frame.ScreenRowCount(), std::max(rows, 0));
    for (int k = 0; k < shown; ++k)
        painter.Paint(*frame.ScreenRow(k), k, colours);
    painter.PaintBelow(shown);
}

void PaintSelection(QImage &image, const SelectionMarks &marks, const Selection &sel, int rowHeight)
{
    QPainter painter(&image);
    // XOR with white inverts; a part inverted twice shows normally again.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const InvertSpan &span : marks.spans)
        painter.fillRect(span.x0, span.row * rowHeight, span.x1 - span.x0, rowHeight, Qt::white);
    if (marks.band) {
        const int top = sel.selFirstRow * rowHeight;
        const int bottom = (sel.selLastRow + 1) * rowHeight;
        painter.fillRect(0, top, image.width(), bottom - top, Qt::white);
    }
}

} // namespace screen
