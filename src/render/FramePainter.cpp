#include "render/FramePainter.h"

#include "render/QtTextMeasure.h"

#include <QPainter>

namespace screen {

QRgb ToRgb(Colour c)
{
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void PaintRows(QImage &image, QtTextMeasure &measure, const Frame &frame, int rows,
               const ScreenLook &look)
{
    image.fill(ToRgb(look.bgPalette[0]));
    QPainter painter(&image);
    painter.setFont(measure.font());
    const QFontMetrics &fm = measure.metrics();
    const int rowHeight = look.RowHeight();
    const int cellHeight = std::min(rowHeight, fm.height());
    const int ascent = fm.ascent();
    Colours colours;
    std::vector<ColourRun> runs;
    QString text;
    const int shown = std::min(frame.ScreenRowCount(), std::max(rows, 0));
    for (int k = 0; k < shown; ++k) {
        const Row &row = *frame.ScreenRow(k);
        const int y = k * rowHeight;
        int x = 0;
        ColourRuns(row.text, row.attrs, colours, runs);
        for (const ColourRun &run : runs) {
            const std::string_view bytes(row.text.data() + run.start, run.length);
            const int runWidth = TextWidth(measure, bytes);
            // Opaque text: the run's cells take the current background first.
            painter.fillRect(x, y, runWidth, cellHeight, QColor(ToRgb(look.bgPalette[run.bg])));
            painter.setPen(QColor(ToRgb(look.fgPalette[run.fg])));
            text.clear();
            measure.AppendText(bytes, text);
            if (!text.isEmpty())
                painter.drawText(x, y + ascent, text);
            x += runWidth;
        }
    }
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
