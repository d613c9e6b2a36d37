// Measures a frame on the road a player sees it: a game window whose view is
// 1920x1080, a full scrollback of the coloured corpus, text put on the screen
// thread's queue and each frame counted when the view has painted it. A frame
// here is the screen thread's DrawFrame, the hand-over to the window and the
// view's paint. Two cases: one new line a frame (text trickling in while the
// view follows it) and a whole screen of new lines a frame (a burst), each
// also with the view split (scrolled back: the history above, the lower part
// following the new lines).
// Figures are the process's CPU per frame (every thread: the screen thread's
// painting and the window's) and the wall time from queueing to the paint
// (which holds the wait for the frame interval, 16 ms).
//
//   quorvel_frame_road [FRAMES] [PORT]
#include "CorpusServer.h"
#include "FloodSupport.h"
#include "RoadWindow.h"
#include "render/ScreenThread.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>

namespace {

using bench::CpuSeconds;
using bench::Figure;
using bench::WaitUntil;

struct Cost
{
    double cpuMs = 0;    // process CPU per frame
    double medianMs = 0; // queue to paint, median
    double worstMs = 0;  // queue to paint, worst
    int missed = 0;      // rounds that ended without a paint
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Quits `loop` once the view has handled a paint event: the wait sleeps in
// the event loop instead of polling, so it adds no wake-ups of its own to the
// CPU counted per frame.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget &view, QEventLoop &loop)
        : view_(view)
        , loop_(loop)
    {
        view_.installEventFilter(this);
    }
    ~PaintWatch() override { view_.removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // Seen before the view paints; the loop ends after this event is handled.
        if (event->type() == QEvent::Paint)
            loop_.quit();
        return false;
    }

private:
    QWidget &view_;
    QEventLoop &loop_;
};

// Waits until the view has painted past `paints`, at most two seconds.
bool WaitForPaint(session::ScreenView &view, int paints)
{
    if (view.paintCount() > paints)
        return true;
    QEventLoop loop;
    PaintWatch watch(view, loop);
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    return view.paintCount() > paints;
}

// `frames` rounds: queue `perFrame` lines, wait for the view to paint once more.
Cost Measure(bench::RoadWindow &road, bench::GameTextGenerator &gen, int &number, int perFrame,
             int frames)
{
    Cost c;
    std::vector<double> waits;
    QElapsedTimer clock;
    const double cpuBefore = CpuSeconds();
    for (int i = 0; i < frames; ++i) {
        std::string text;
        for (int k = 0; k < perFrame; ++k)
            text += bench::ColouredLine(gen, number++);
        const int paints = road.view->paintCount();
        clock.start();
        road.w->screen().Enqueue(std::move(text));
        if (!WaitForPaint(*road.view, paints))
            ++c.missed;
        waits.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    c.cpuMs = (CpuSeconds() - cpuBefore) * 1000.0 / frames;
    c.medianMs = Median(waits);
    c.worstMs = *std::max_element(waits.begin(), waits.end());
    return c;
}

} // namespace

int main(int argc, char **argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    const int port = argc > 2 ? std::atoi(argv[2]) : 0;
    std::vector<std::string> corpus = bench::ColouredCorpus(1 << 20);
    bench::CorpusServer server(corpus, port);
    corpus = {};
    malloc_trim(0);
    QApplication app(argc, argv);

    bench::RoadWindow road(server.port(), QSize(1920, 1080));
    road.FillScrollback(3600);
    bench::Settle(300);
    const int rows = road.w->screen().ScreenRowCount();

    bench::GameTextGenerator gen(11);
    int number = 100000;
    Measure(road, gen, number, 1, 20); // glyphs and tiles warm
    const Cost one = Measure(road, gen, number, 1, frames);
    const Cost full = Measure(road, gen, number, rows, frames);
    // Scrolled back as the player does it, through the scroll bar: the view splits.
    auto *bar = road.w->findChild<QScrollBar *>();
    bar->setValue(bar->maximum() - 300);
    const bool split = road.w->splitOpen();
    Measure(road, gen, number, 1, 20);
    const Cost splitOne = Measure(road, gen, number, 1, frames);
    const Cost splitFull = Measure(road, gen, number, rows, frames);

    std::printf("frames through the screen thread and the view, %dx%d view, %d rows, a full "
                "scrollback of %zu coloured lines, %d frames a case\n",
                road.view->width(), road.view->height(), rows, road.w->screen().StoreSize(),
                frames);
    std::printf("  %-36s %8s %10s %10s %8s\n", "case", "CPU ms", "median ms", "worst ms", "missed");
    std::printf("  %-36s %8.2f %10.2f %10.2f %8d\n", "one new line a frame", one.cpuMs,
                one.medianMs, one.worstMs, one.missed);
    std::printf("  %-36s %8.2f %10.2f %10.2f %8d\n", "a whole screen of new lines a frame",
                full.cpuMs, full.medianMs, full.worstMs, full.missed);
    std::printf("  %-36s %8.2f %10.2f %10.2f %8d\n", "split: one new line a frame", splitOne.cpuMs,
                splitOne.medianMs, splitOne.worstMs, splitOne.missed);
    std::printf("  %-36s %8.2f %10.2f %10.2f %8d\n", "split: a whole screen of new lines",
                splitFull.cpuMs, splitFull.medianMs, splitFull.worstMs, splitFull.missed);
    std::printf("  (the old figure, BM_FullFrame1080p of quorvel_bench, paints one reused image "
                "with no hand-over and no view)\n");
    std::printf("figures against their goals:\n");
    Figure("frame in the real road, one new line, CPU", one.cpuMs, "ms", "<= 2", one.cpuMs <= 2);
    Figure("frame in the real road, whole screen, CPU", full.cpuMs, "ms", "", true);
    // A split frame against a frame the view paints whole.
    const double splitRatio = full.cpuMs > 0 ? splitFull.cpuMs / full.cpuMs : 0;
    Figure("split frame, whole screen of new lines / full frame", splitRatio, "x", "<= 1.2",
           split && splitRatio <= 1.2);
    const double splitOneRatio = full.cpuMs > 0 ? splitOne.cpuMs / full.cpuMs : 0;
    Figure("split frame, one new line / full frame", splitOneRatio, "x", "<= 1.2",
           split && splitOneRatio <= 1.2);
    return 0;
}
