// Measures a game window under a flood from the demo server: lines taken in
// per second, frames drawn per second, the event loop's worst delay, peak
// memory, CPU, and CPU while idle with a full store. Run by `make bench`.
//
//   quorvel_flood DEMO_SERVER_BINARY [LINES]
#include "core/automation/Triggers.h"
#include "render/GbkCodec.h"
#include "ui/session/GameWindow.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long StatusKb(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return -1;
}

bool WaitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

struct Run
{
    double seconds = 0;
    int frames = 0;
    qint64 worstGapMs = 0;
    double cpu = 0;
};

Run Flood(TMDIChild &w, QLineEdit &input, int lines)
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
    const int framesBefore = w.framesShown();
    const double cpuBefore = CpuSeconds();
    input.setText(QStringLiteral("flood %1").arg(lines));
    w.SessionCommand(1);
    // Every flood line is one decoded line (the count never takes the store's lock).
    const std::uint64_t target = w.screen().LinesDecoded() + std::uint64_t(lines);
    WaitUntil([&] { return w.screen().LinesDecoded() >= target; }, 600000);
    r.seconds = double(clock.elapsed()) / 1000.0;
    r.cpu = CpuSeconds() - cpuBefore;
    r.frames = w.framesShown() - framesBefore;
    return r;
}

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

    SessionDialogs dialogs;
    QLineEdit input;
    TMDIChild w(nullptr, "", &dialogs);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.inputLine = &input;
    w.resize(1280, 800);
    w.show();
    w.Connect("127.0.0.1", port, false, "", 0, false, "", "");
    WaitUntil([&] { return w.nameCaptureStage == 1; }, 5000);
    input.setText(QStringLiteral("bench"));
    w.SessionCommand(1);
    WaitUntil([&] { return w.screen().StoreSize() > 10; }, 5000);

    const long rssStart = StatusKb("VmRSS:");
    const Run first = Flood(w, input, lines);
    const long rssAfterFirst = StatusKb("VmRSS:");
    const Run second = Flood(w, input, lines);
    const long rssAfterSecond = StatusKb("VmRSS:");

    // Idle with a full store: the screen thread sleeps.
    QCoreApplication::processEvents();
    const double idleBefore = CpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = CpuSeconds() - idleBefore;

    // A trigger storm: 1000 rows, each firing on one line of the flood.
    automation::TriggerTable table;
    for (int i = 1; i <= 1000; ++i)
        table.AddRow(std::string(automation::kTriggerOn),
                     "#" + std::to_string(i * (lines / 1000)) + " ", "#WA 1\r\n", "STORM");
    table.AddRow(" ", " ", " ", "");
    w.screen().triggers()->Replace(table);
    const Run storm = Flood(w, input, lines);

    auto report = [&](const char *name, const Run &r) {
        std::printf(
            "%-26s %8.0f lines/s  %6.1f frames/s  worst event-loop gap %3lld ms  CPU %.2f s "
            "in %.2f s\n",
            name, lines / r.seconds, r.frames / r.seconds, static_cast<long long>(r.worstGapMs),
            r.cpu, r.seconds);
    };
    std::printf("flood of %d lines from the demo server into one 1280x800 game window\n", lines);
    report("first flood", first);
    report("second flood", second);
    report("with 1000 firing triggers", storm);
    std::printf(
        "memory: RSS %ld KiB before, %ld KiB after one flood, %ld KiB after two; peak %ld KiB\n",
        rssStart, rssAfterFirst, rssAfterSecond, StatusKb("VmHWM:"));
    std::printf("idle 3 s with a full store: %.3f s CPU\n", idleCpu);

    server.kill();
    server.waitForFinished();
    return 0;
}
