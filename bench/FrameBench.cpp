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

// A 1920x1080 screen over a coloured store, its rows laid out once (which
// also warms the width cache).
struct Screen1080p
{
    static constexpr int kWidth = 1920, kHeight = 1080;
    screen::LineStore store = ColouredStore(200);
    screen::ScreenLook look;
    screen::QtTextMeasure measure{screen::ScreenFont(look)};
    int rows = screen::RowsFor(kHeight, look.fontSize, look.lineSpacing);
    QImage image{kWidth, kHeight, QImage::Format_RGB32};
    screen::Frame frame;

    Screen1080p() { LayOut(); }
    void LayOut()
    {
        screen::BuildRows(measure, store.lines(), static_cast<int>(store.size()) - 1, rows, kWidth,
                          frame);
    }
};

double Median(const std::vector<double> &v)
{
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
}

void BM_FullFrame1080p(benchmark::State &state)
{
    App();
    Screen1080p s;
    screen::PaintRows(s.image, s.measure, s.frame, s.rows, s.look); // warm the glyphs
    std::size_t bytes = 0;
    for (auto _ : state) {
        s.LayOut();
        screen::PaintRows(s.image, s.measure, s.frame, s.rows, s.look);
        for (int k = 0; k < s.frame.ScreenRowCount(); ++k)
            bytes += s.frame.ScreenRow(k)->text.size();
    }
    state.counters["rows"] = s.rows;
    state.counters["bytes_per_frame"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FullFrame1080p)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("median", Median)
    ->Repetitions(5);

// The yardstick for the frame above: the same rows drawn in one colour with
// one drawText per row on a cleared image, the cheapest way Qt offers to put
// that text on screen. The rows are laid out once, outside the loop.
void BM_BaselineOneColourDrawText1080p(benchmark::State &state)
{
    App();
    Screen1080p s;
    const int rowHeight = s.look.RowHeight();
    const int ascent = s.measure.ascent();
    QString text;
    for (auto _ : state) {
        s.image.fill(screen::ToRgb(s.look.bgPalette[0]));
        QPainter painter(&s.image);
        painter.setFont(s.measure.font());
        painter.setPen(QColor(screen::ToRgb(s.look.fgPalette[0])));
        for (int k = 0; k < s.frame.ScreenRowCount(); ++k) {
            text.clear();
            s.measure.AppendText(s.frame.ScreenRow(k)->text, text);
            painter.drawText(0, k * rowHeight + ascent, text);
        }
    }
}
BENCHMARK(BM_BaselineOneColourDrawText1080p)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("median", Median)
    ->Repetitions(5);

// The layout half of a frame alone: wrapping the bottom lines into rows.
void BM_BuildRows1080p(benchmark::State &state)
{
    App();
    Screen1080p s;
    for (auto _ : state)
        s.LayOut();
}
BENCHMARK(BM_BuildRows1080p)->Unit(benchmark::kMicrosecond);

} // namespace
