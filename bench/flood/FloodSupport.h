// What the flood measurements share: event-loop waits, the process's CPU
// time and a figure printed beside its goal.
#pragma once

#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>

#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace bench {

// Runs the event loop until `done` holds or `ms` pass, looking every
// millisecond. The loop sleeps between looks: processEvents with
// WaitForMoreEvents and a timeout spins instead of sleeping, which polluted
// the CPU and frame figures.
inline bool WaitUntil(const std::function<bool()> &done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start(1);
    loop.exec();
    return done();
}

// Lets the event loop run for `ms` milliseconds.
inline void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// User and system CPU seconds of this process so far.
inline double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of the calling thread so far (the window thread, when a
// measurement runs there).
inline double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A figure beside its goal; a goal of "" marks a figure only reported.
inline void Figure(const char *name, double value, const char *unit, const char *goal, bool met,
                   int nameWidth = 44)
{
    if (!*goal)
        std::printf("  %-*s %10.1f %-8s\n", nameWidth, name, value, unit);
    else
        std::printf("  %-*s %10.1f %-8s goal %-12s %s\n", nameWidth, name, value, unit, goal,
                    met ? "met" : "NOT MET");
}

// A "Key:   123 kB" field of a /proc/self file, in KiB; -1 when missing.
inline long ProcKb(const char *file, const char *key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return -1;
}

inline long RssKb()
{
    return ProcKb("/proc/self/smaps_rollup", "Rss:");
}
inline long PssKb()
{
    return ProcKb("/proc/self/smaps_rollup", "Pss:");
}
inline long PeakKb()
{
    return ProcKb("/proc/self/status", "VmHWM:");
}
// Starts the peak (VmHWM) again from the current RSS.
inline void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline double Mib(long kb)
{
    return double(kb) / 1024.0;
}

} // namespace bench
