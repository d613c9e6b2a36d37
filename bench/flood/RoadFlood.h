// One flood on a road window: the server is asked for its whole corpus and
// the time runs from the request to the last line on screen, with the frames
// painted meanwhile and the delay from the last byte to the last frame.
#pragma once

#include "FloodSupport.h"
#include "RoadWindow.h"
#include "render/ScreenThread.h"

#include <algorithm>
#include <cstdint>

#include <QElapsedTimer>
#include <QTimer>

namespace bench {

struct FloodRun
{
    double seconds = 0;   // request to the last line on screen
    double cpu = 0;       // the whole process
    double windowCpu = 0; // the window thread alone: the receive road, the view
    double burstFps = 0;
    qint64 lastLineDelayMs = -1;
};

// Asks for "flood" and waits until `lines` more lines are decoded and the
// view has painted the last of them.
inline FloodRun Flood(RoadWindow &road, std::uint64_t lines)
{
    FloodRun r;
    QElapsedTimer clock;
    qint64 firstByte = -1, lastByte = -1, lastPaint = -1;
    int paintsAtFirst = 0, paintsAtLast = 0, seenPaints = road.view->paintCount();
    const QMetaObject::Connection bytes = QObject::connect(
        &road.w->connection(), &session::GameConnection::gameText, [&](const QByteArray &) {
            lastByte = clock.elapsed();
            paintsAtLast = road.view->paintCount();
            if (firstByte < 0) {
                firstByte = lastByte;
                paintsAtFirst = paintsAtLast;
            }
        });
    QTimer paintWatch;
    paintWatch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&paintWatch, &QTimer::timeout, [&] {
        if (road.view->paintCount() != seenPaints) {
            seenPaints = road.view->paintCount();
            lastPaint = clock.elapsed();
        }
    });
    paintWatch.start(1);
    const std::uint64_t target = road.w->screen().LinesDecoded() + lines;
    const double cpuBefore = CpuSeconds(), windowBefore = ThreadCpuSeconds();
    clock.start();
    road.Type("flood");
    WaitUntil([&] { return road.w->screen().LinesDecoded() >= target; }, 600000);
    // The last frame after the last line: nothing new for a while.
    WaitUntil([&] { return clock.elapsed() - std::max(lastByte, lastPaint) > 300; }, 10000);
    r.cpu = CpuSeconds() - cpuBefore;
    r.windowCpu = ThreadCpuSeconds() - windowBefore;
    QObject::disconnect(bytes);
    r.seconds = double(std::max(lastPaint, lastByte)) / 1000.0;
    if (firstByte >= 0 && lastByte > firstByte)
        r.burstFps = (paintsAtLast - paintsAtFirst) * 1000.0 / double(lastByte - firstByte);
    if (lastPaint >= 0 && lastByte >= 0)
        r.lastLineDelayMs = std::max<qint64>(lastPaint - lastByte, 0);
    return r;
}

} // namespace bench
