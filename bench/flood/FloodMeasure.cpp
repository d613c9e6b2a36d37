// Measures game windows under a flood from the demo server: lines taken in
// per second, frames drawn per second while the burst arrives, the delay from
// the last byte to the last frame, the event loop's worst delay, memory (RSS
// and PSS) with one and with ten windows, CPU, and CPU while idle with a full
// store. Each figure is printed beside its goal. Run by `make bench`.
//
//   quorvel_flood DEMO_SERVER_BINARY [LINES]
#include "FloodSupport.h"
#include "core/automation/Triggers.h"
#include "render/GbkCodec.h"
#include "ui/session/CoverWatch.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStyle>
#include <QTimer>

namespace {

using bench::CpuSeconds;
using bench::Figure;
using bench::Mib;
using bench::PeakKb;
using bench::PssKb;
using bench::ResetPeak;
using bench::RssKb;
using bench::Settle;
using bench::WaitUntil;

struct Run
{
    double seconds = 0;
    int frames = 0;
    qint64 worstGapMs = 0;
    double cpu = 0;
    double burstSeconds = 0; // first byte to last byte
    qint64 burstBytes = 0;
    int burstFrames = 0;         // frames shown between them
    qint64 lastLineDelayMs = -1; // last byte to the last frame
};

Run Flood(session::TMDIChild &w, QLineEdit &input, int lines)
{
    Run r;
    qint64 last = 0;
    QElapsedTimer clock;
    clock.start();
    // A 5 ms ticker: its worst lateness is how long typing could wait.
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last)
            r.worstGapMs = std::max(r.worstGapMs, now - last);
        last = now;
    });
    ticker.start(5);
    // Bytes in and frames out, each with the moment it happened.
    qint64 firstByte = -1, lastByte = -1, lastFrame = -1;
    int framesAtFirstByte = 0, framesAtLastByte = 0;
    int seenFrames = w.framesShown();
    const QMetaObject::Connection bytes = QObject::connect(
        &w.connection(), &session::GameConnection::gameText, [&](const QByteArray &in) {
            r.burstBytes += in.size();
            lastByte = clock.elapsed();
            framesAtLastByte = w.framesShown();
            if (firstByte < 0) {
                firstByte = lastByte;
                framesAtFirstByte = framesAtLastByte;
            }
        });
    QTimer frameWatch;
    frameWatch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frameWatch, &QTimer::timeout, [&] {
        if (w.framesShown() != seenFrames) {
            seenFrames = w.framesShown();
            lastFrame = clock.elapsed();
        }
    });
    frameWatch.start(1);

    const int framesBefore = w.framesShown();
    const double cpuBefore = CpuSeconds();
    input.setText(QStringLiteral("flood %1").arg(lines));
    w.SendTypedLine(gbk::FromQString(input.text()));
    // Every flood line is one decoded line (the count never takes the store's lock).
    const std::uint64_t target = w.screen().LinesDecoded() + std::uint64_t(lines);
    WaitUntil([&] { return w.screen().LinesDecoded() >= target; }, 600000);
    r.seconds = double(clock.elapsed()) / 1000.0;
    r.cpu = CpuSeconds() - cpuBefore;
    r.frames = w.framesShown() - framesBefore;
    // The prompt follows the flood; once nothing has come for a while, the
    // last frame seen shows the last line.
    WaitUntil([&] { return clock.elapsed() - std::max(lastByte, lastFrame) > 300; }, 10000);
    QObject::disconnect(bytes);
    if (firstByte >= 0) {
        r.burstSeconds = double(lastByte - firstByte) / 1000.0;
        r.burstFrames = framesAtLastByte - framesAtFirstByte;
        if (lastFrame >= 0)
            r.lastLineDelayMs = std::max<qint64>(lastFrame - lastByte, 0);
    }
    return r;
}

// A window connected to the demo server and past its name prompt, maximised
// in the area in front of the others, as the main frame opens its windows.
struct Window
{
    QLineEdit input;
    session::TMDIChild *w; // owned by its subwindow in the area

    Window(QMdiArea &area, session::CoverWatch &covers, int port)
        : w(new session::TMDIChild(nullptr, "", nullptr))
    {
        w->BindToFrame({&input, 0, nullptr, "", ""});
        QMdiSubWindow *sub = area.addSubWindow(w);
        covers.Track(sub);
        sub->showMaximized();
        area.setActiveSubWindow(sub);
        w->Connect({"127.0.0.1", port, false, "", 0, false, "", ""});
        WaitUntil([&] { return w->nameCaptureStage() == 1; }, 5000);
        input.setText(QStringLiteral("bench"));
        w->SendTypedLine("bench");
        WaitUntil([&] { return w->screen().StoreSize() > 10; }, 5000);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel_flood DEMO_SERVER [LINES]\n");
        return 2;
    }
    const int lines = argc > 2 ? std::atoi(argv[2]) : 200000;

    QProcess server;
    server.start(QString::fromLocal8Bit(argv[1]), {QStringLiteral("--port"), QStringLiteral("0")});
    if (!server.waitForReadyRead(5000)) {
        std::fprintf(stderr, "demo server did not start\n");
        return 1;
    }
    const int port = QString::fromLatin1(server.readLine()).section(' ', 2).trimmed().toInt();

    QMdiArea area;
    session::CoverWatch covers(area);
    area.resize(1280, 800 + area.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    area.show();
    std::vector<std::unique_ptr<Window>> windows;
    windows.push_back(std::make_unique<Window>(area, covers, port));
    session::TMDIChild &w = *windows[0]->w;
    QLineEdit &input = windows[0]->input;

    const long rssStart = RssKb();
    const Run first = Flood(w, input, lines);
    // The store is full now: what a flood adds on top of it is the backlog.
    Settle(200);
    const long rssFull = RssKb();
    const long pssFull = PssKb();
    ResetPeak();
    const Run second = Flood(w, input, lines);
    const long peakSecond = PeakKb();
    const long rssAfterSecond = RssKb();

    // Idle with a full store: the screen thread sleeps.
    Settle(100);
    const double idleBefore = CpuSeconds();
    Settle(3000);
    const double idleCpu = CpuSeconds() - idleBefore;

    // A trigger storm: 1000 rows, each firing on one line of the flood.
    automation::TriggerTable table;
    for (int i = 1; i <= 1000; ++i) {
        std::string pattern = "#";
        pattern += std::to_string(i * (lines / 1000));
        pattern += ' ';
        table.AddRow(std::string(automation::kTriggerOn), pattern, "#WA 1\r\n", "STORM");
    }
    table.AddRow(" ", " ", " ", "");
    w.screen().triggers()->Replace(table);
    const Run storm = Flood(w, input, lines);
    w.screen().triggers()->Replace(automation::TriggerTable{});

    // Ten windows, each with a full scrollback (the store keeps up to 3,500
    // lines); the one in front is seen.
    for (int i = 1; i < 10; ++i) {
        windows.push_back(std::make_unique<Window>(area, covers, port));
        Flood(*windows.back()->w, windows.back()->input, 3350);
    }
    area.setActiveSubWindow(area.subWindowList().front());
    Settle(500);
    const long rssTen = RssKb();
    const long pssTen = PssKb();
    std::size_t fewestLines = SIZE_MAX, mostLines = 0;
    for (const auto &window : windows) {
        fewestLines = std::min(fewestLines, window->w->screen().StoreSize());
        mostLines = std::max(mostLines, window->w->screen().StoreSize());
    }

    auto report = [&](const char *name, const Run &r) {
        std::printf(
            "%-26s %8.0f lines/s  %6.1f frames/s  worst event-loop gap %3lld ms  CPU %.2f s "
            "in %.2f s\n",
            name, lines / r.seconds, r.frames / r.seconds, static_cast<long long>(r.worstGapMs),
            r.cpu, r.seconds);
    };
    std::printf("flood of %d lines (%.1f MB) from the demo server into one 1280x800 game window\n",
                lines, double(second.burstBytes) / 1e6);
    report("first flood", first);
    report("second flood", second);
    report("with 1000 firing triggers", storm);
    std::printf("memory: RSS %ld KiB before, %ld KiB with a full store, %ld KiB after the second "
                "flood\n",
                rssStart, rssFull, rssAfterSecond);
    std::printf("idle 3 s with a full store: %.3f s CPU\n", idleCpu);
    std::printf("ten windows: each holds %zu to %zu lines\n", fewestLines, mostLines);

    std::printf("figures against their goals:\n");
    const double fps = second.burstSeconds > 0 ? second.burstFrames / second.burstSeconds : 0;
    Figure("frames/s while the burst arrives", fps, "fps", ">= 20", fps >= 20);
    Figure("last byte to last line on screen", double(second.lastLineDelayMs), "ms", "<= 50",
           second.lastLineDelayMs >= 0 && second.lastLineDelayMs <= 50);
    Figure("peak RSS above a full idle store (flood)", Mib(peakSecond - rssFull), "MiB", "<= 15",
           Mib(peakSecond - rssFull) <= 15);
    Figure("RSS, 1 window, full scrollback", Mib(rssFull), "MiB", "", true);
    Figure("PSS, 1 window, full scrollback", Mib(pssFull), "MiB", "", true);
    Figure("RSS, 10 windows, full scrollbacks, 1 shown", Mib(rssTen), "MiB", "<= 80",
           Mib(rssTen) <= 80);
    Figure("PSS, 10 windows, full scrollbacks, 1 shown", Mib(pssTen), "MiB", "<= 60",
           Mib(pssTen) <= 60);

    for (QMdiSubWindow *sub : area.subWindowList())
        delete sub;
    windows.clear();
    server.kill();
    server.waitForFinished();
    return 0;
}
