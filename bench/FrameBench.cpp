// One full frame of a 1920 x 1080 view, every row coloured GBK/ASCII text:
// building the rows and painting them, with the width cache warm.
#include "GameTextGenerator.h"
#include "core/screen/LineStore.h"
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

#include <algorithm>
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

namespace {

QGuiApplication &App()
{
    static int argc = 1;
    static char name[] = "quorvel_bench";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}

// About 240 bytes a line, every line coloured, mixed GBK and ASCII.
screen::LineStore ColouredStore(int lines)
{
    bench::GameTextGenerator gen(3);
    screen::LineStore store;
    screen::Decoder decoder;
    screen::Decoder::Batch batch;
    for (int i = 0; i < lines; ++i) {
        std::string line = "\x1b[1;3" + std::to_string(1 + i % 7) + "m";
        while (line.size() < 120)
            line += gen.Phrase(4) + " hp 100/100 ";
        line += "\x1b[4" + std::to_string(i % 8) + "m";
        while (line.size() < 250)
            line += gen.Phrase(3) + " north ";
        line += "\x1b[0m\r\n";
        screen::DecodeInto(decoder, batch, store, line);
    }
    return store;
}

void BM_FullFrame1080p(benchmark::State &state)
{
    App();
    const screen::LineStore store = ColouredStore(200);
    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int width = 1920, height = 1080;
    const int rows = screen::RowsFor(height, look.fontSize, look.lineSpacing);
    QImage image(width, height, QImage::Format_RGB32);
    screen::Frame frame;
    // Warm the width cache once.
    screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, width,
                      frame);
    screen::PaintRows(image, measure, frame, rows, look);
    std::size_t bytes = 0;
    for (auto _ : state) {
        screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, width,
                          frame);
        screen::PaintRows(image, measure, frame, rows, look);
        for (int k = 0; k < frame.ScreenRowCount(); ++k)
            bytes += frame.ScreenRow(k)->text.size();
    }
    state.counters["rows"] = rows;
    state.counters["bytes_per_frame"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FullFrame1080p)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("median",
                        [](const std::vector<double> &v) {
                            std::vector<double> s = v;
                            std::sort(s.begin(), s.end());
                            return s[s.size() / 2];
                        })
    ->Repetitions(5);

// The yardstick for the frame above: the same rows drawn in one colour with
// one drawText per row on a cleared image, the cheapest way Qt offers to put
// that text on screen. The rows are laid out once, outside the loop.
void BM_BaselineOneColourDrawText1080p(benchmark::State &state)
{
    App();
    const screen::LineStore store = ColouredStore(200);
    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int width = 1920, height = 1080;
    const int rows = screen::RowsFor(height, look.fontSize, look.lineSpacing);
    QImage image(width, height, QImage::Format_RGB32);
    screen::Frame frame;
    screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, width,
                      frame);
    const int rowHeight = look.RowHeight();
    const int ascent = measure.ascent();
    QString text;
    for (auto _ : state) {
        image.fill(screen::ToRgb(look.bgPalette[0]));
        QPainter painter(&image);
        painter.setFont(measure.font());
        painter.setPen(QColor(screen::ToRgb(look.fgPalette[0])));
        for (int k = 0; k < frame.ScreenRowCount(); ++k) {
            text.clear();
            measure.AppendText(frame.ScreenRow(k)->text, text);
            painter.drawText(0, k * rowHeight + ascent, text);
        }
    }
}
BENCHMARK(BM_BaselineOneColourDrawText1080p)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("median",
                        [](const std::vector<double> &v) {
                            std::vector<double> s = v;
                            std::sort(s.begin(), s.end());
                            return s[s.size() / 2];
                        })
    ->Repetitions(5);

// The layout half of a frame alone: wrapping the bottom lines into rows.
void BM_BuildRows1080p(benchmark::State &state)
{
    App();
    const screen::LineStore store = ColouredStore(200);
    screen::ScreenLook look;
    screen::QtTextMeasure measure(screen::ScreenFont(look));
    const int rows = screen::RowsFor(1080, look.fontSize, look.lineSpacing);
    screen::Frame frame;
    for (auto _ : state)
        screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, 1920,
                          frame);
}
BENCHMARK(BM_BuildRows1080p)->Unit(benchmark::kMicrosecond);

} // namespace
