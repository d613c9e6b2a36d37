#include "render/FrameRepaint.h"

#include "render/FramePainter.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace screen {

void PrintRows(const Frame &frame, int rows, std::vector<RowPrint> &out)
{
    out.resize(static_cast<std::size_t>(std::max(rows, 0)));
    Colours colours;
    std::vector<ColourRun> runs;
    const std::hash<std::string_view> hash;
    for (int k = 0; k < static_cast<int>(out.size()); ++k) {
        RowPrint &p = out[static_cast<std::size_t>(k)];
        const Row *row = frame.ScreenRow(k);
        p.blank = row == nullptr;
        p.in = colours;
        if (!row) {
            p.text.clear();
            p.attrs.clear();
            p.hash = 0;
            continue;
        }
        p.text = row->text;
        p.attrs = row->attrs;
        p.hash =
            hash(p.text) * 31 + hash(p.attrs) +
            (std::uint64_t(colours.fg) << 8 | std::uint64_t(colours.bg)) * 0x9E3779B97F4A7C15ull;
        ColourRuns(row->text, row->attrs, colours, runs);
    }
}

bool ShowsRows(const PaintedImage &shown, const std::vector<RowPrint> &rows, int width, int height,
               std::uint64_t look)
{
    return shown.width == width && shown.height == height && shown.look == look && !shown.marked &&
           shown.rows == rows;
}

namespace {

// The shift s (new row k shows what old row k + s showed) that keeps the
// most rows, with how many it keeps; no shift wins a tie.
int BestShift(const std::vector<RowPrint> &old, const std::vector<RowPrint> &now, int &kept)
{
    const int rows = static_cast<int>(now.size());
    int best = 0;
    kept = -1;
    for (int s = 0; s < rows; ++s) {
        if (rows - s <= kept)
            break; // no later shift can keep more
        int same = 0;
        for (int k = 0; k + s < rows; ++k)
            same += now[static_cast<std::size_t>(k)] == old[static_cast<std::size_t>(k + s)];
        if (same > kept) {
            kept = same;
            best = s;
        }
    }
    return best;
}

} // namespace

Repaint RepaintRows(QImage &image, PaintedImage &shown, QtTextMeasure &measure, const Frame &frame,
                    const std::vector<RowPrint> &rows, const ScreenLook &look,
                    std::uint64_t lookSerial, Scrolling scrolling)
{
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
        shown = PaintedImage{};
    }
    const bool ring = scrolling == Scrolling::kTurnRing;
    const bool whole = shown.width != image.width() || shown.height != image.height() ||
                       shown.look != lookSerial || shown.marked ||
                       shown.rows.size() != rows.size() || (!ring && shown.top != 0);
    const Canvas canvas(image);
    RowPainter painter(canvas, measure, look);
    const int count = static_cast<int>(rows.size());
    const int rowHeight = look.RowHeight();
    Repaint done;
    int shift = 0;
    int top = whole ? 0 : shown.top;
    if (!whole) {
        int kept = 0;
        shift = BestShift(shown.rows, rows, kept);
        if (shift > 0 && ring) {
            // The band that showed row `shift` shows the top row now.
            top = (top + shift) % count;
            done.scrolled = count - shift;
        } else if (shift > 0) {
            // Rows keep their whole bands: move lines shift*rowHeight.. up to 0.
            const std::size_t lineBytes = std::size_t(canvas.stride) * 4;
            std::memmove(canvas.Line(0), canvas.Line(shift * rowHeight),
                         std::size_t((count - shift) * rowHeight) * lineBytes);
            done.scrolled = count - shift;
        }
    }
    for (int k = 0; k < count; ++k) {
        const RowPrint &p = rows[static_cast<std::size_t>(k)];
        if (!whole && k + shift < count && p == shown.rows[static_cast<std::size_t>(k + shift)])
            continue;
        const int band = (top + k) % count;
        if (p.blank) {
            painter.PaintBlank(band);
        } else {
            Colours colours = p.in;
            painter.Paint(*frame.ScreenRow(k), band, colours);
        }
        ++done.painted;
    }
    if (whole)
        painter.PaintBelow(count);
    shown.width = image.width();
    shown.height = image.height();
    shown.look = lookSerial;
    shown.marked = false;
    shown.top = top;
    shown.rows = rows;
    return done;
}

RingLines RingOf(const PaintedImage &shown, int rowHeight)
{
    return {shown.top * rowHeight, static_cast<int>(shown.rows.size()) * rowHeight};
}

QImage Unwrapped(const QImage &image, RingLines ring)
{
    if (ring.top <= 0 || ring.top >= ring.height || ring.height > image.height())
        return image;
    QImage out(image.size(), image.format());
    const qsizetype lineBytes = image.bytesPerLine();
    const auto copy = [&](int from, int to, int lines) {
        for (int y = 0; y < lines; ++y)
            std::memcpy(out.scanLine(to + y), image.constScanLine(from + y),
                        std::size_t(lineBytes));
    };
    copy(ring.top, 0, ring.height - ring.top);
    copy(0, ring.height - ring.top, ring.top);
    copy(ring.height, ring.height, image.height() - ring.height);
    return out;
}

} // namespace screen
