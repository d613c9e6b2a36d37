// End to end on the road a player runs: a local server (its own process)
// sends the coloured GBK corpus over a loopback socket to a game window whose
// view is 1920x1080, with 0, 100 and 1000 triggers, each firing on exactly one
// line and sending "hit" back (the server counts them, so every run checks the
// exact hit count). Figures: MB/s and lines/s from the request to the last
// line on screen, frames/s while the burst arrives, and the delay from the
// last byte to the last frame.
//
//   quorvel_road_flood [MEGABYTES] [PORT] [TRIGGERS]   (TRIGGERS: run that count only)
#include "CorpusServer.h"
#include "FloodSupport.h"
#include "RoadFlood.h"
#include "RoadWindow.h"
#include "core/automation/Triggers.h"

#include <cstdio>
#include <malloc.h>
#include <string>
#include <utility>

#include <QApplication>

namespace {

using bench::Figure;
using bench::WaitUntil;

// The "#HITS n" replies on the screen: how many, and the newest count.
std::pair<int, long> HitReplies(bench::RoadWindow &road)
{
    std::pair<int, long> replies{0, -1};
    for (const auto &line : road.w->screen().StoreSnapshot())
        if (line.text.rfind("#HITS ", 0) == 0) {
            ++replies.first;
            replies.second = std::atol(line.text.c_str() + 6);
        }
    return replies;
}

// Asks the server for its count until it reaches `expected` (runners started
// by triggers may still be sending), at most a few times.
long Hits(bench::RoadWindow &road, long expected)
{
    long hits = -1;
    for (int attempt = 0; attempt < (expected < 0 ? 1 : 10) && hits != expected; ++attempt) {
        const int replies = HitReplies(road).first;
        road.Type("hits");
        WaitUntil(
            [&] {
                const auto now = HitReplies(road);
                hits = now.second;
                return now.first > replies;
            },
            3000);
        if (hits != expected)
            bench::Settle(200);
    }
    return hits;
}

// `count` triggers on lines spread through the corpus, each sending "hit".
automation::TriggerTable Triggers(int count, std::size_t lines)
{
    automation::TriggerTable table;
    for (int i = 1; i <= count; ++i) {
        const std::size_t line = std::size_t(i) * (lines / std::size_t(count + 1));
        // Built by appending: GCC 12 misreads "#" + std::string as an overlapping copy.
        std::string pattern = "#";
        pattern += std::to_string(line);
        pattern += ' ';
        table.AddRow(std::string(automation::kTriggerOn), pattern, "hit\r\n", "ROAD");
    }
    table.AddRow(" ", " ", " ", "");
    return table;
}

} // namespace

int main(int argc, char **argv)
{
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20;
    const int port = argc > 2 ? std::atoi(argv[2]) : 0;
    const int only = argc > 3 ? std::atoi(argv[3]) : -1;
    std::vector<std::string> corpus = bench::ColouredCorpus(std::size_t(megabytes * 1e6));
    std::size_t bytes = 0;
    for (const auto &l : corpus)
        bytes += l.size();
    const std::size_t lines = corpus.size() + 1; // and "#END"
    bench::CorpusServer server(corpus, port);
    corpus = {};
    malloc_trim(0);
    QApplication app(argc, argv);

    bench::RoadWindow road(server.port(), QSize(1920, 1080));
    road.FillScrollback(3600);
    // One flood unmeasured: the glyphs of the corpus are rendered on first
    // use, which would otherwise be counted to whichever run comes first.
    bench::Flood(road, lines);
    bench::Settle(300);

    std::printf("end to end: %.1f MB of coloured GBK text (%zu lines) over a loopback socket into "
                "a game window, view %dx%d\n",
                double(bytes) / 1e6, lines, road.view->width(), road.view->height());
    std::printf("  %-10s %9s %11s %9s %10s %13s %12s\n", "triggers", "MB/s", "lines/s", "CPU s",
                "frames/s", "last line ms", "hits");
    double mbs[3] = {};
    int k = 0;
    for (const int count : {0, 100, 1000}) {
        if (only >= 0 && count != only) {
            ++k;
            continue;
        }
        road.w->screen().triggers()->Replace(count ? Triggers(count, lines - 1)
                                                   : automation::TriggerTable{});
        const long before = Hits(road, -2 /* any */);
        const bench::FloodRun r = bench::Flood(road, lines);
        const long hits = count ? Hits(road, before + count) - before : 0;
        mbs[k++] = double(bytes) / 1e6 / r.seconds;
        std::printf("  %-10d %9.1f %11.0f %9.2f %10.1f %13lld %7ld/%d\n", count,
                    double(bytes) / 1e6 / r.seconds, double(lines) / r.seconds, r.cpu, r.burstFps,
                    static_cast<long long>(r.lastLineDelayMs), hits, count);
        if (count == 1000) {
            std::printf("figures against their goals:\n");
            Figure("frames/s while the burst arrives (1000 triggers)", r.burstFps, "fps", ">= 55",
                   r.burstFps >= 55, 50);
            Figure("last byte to last line on screen (1000 triggers)", double(r.lastLineDelayMs),
                   "ms", "<= 30", r.lastLineDelayMs >= 0 && r.lastLineDelayMs <= 30, 50);
        }
    }
    Figure("end to end, 0 triggers", mbs[0], "MB/s", ">= 230", mbs[0] >= 230, 50);
    Figure("end to end, 1000 triggers", mbs[2], "MB/s", "", true, 50);
    std::printf("  (the old flood figures, quorvel_flood: short uncoloured lines at 1280x800)\n");
    return 0;
}
