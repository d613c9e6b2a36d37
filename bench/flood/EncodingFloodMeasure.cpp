// End to end by the server's encoding: the coloured GBK corpus of the road
// flood, converted once with iconv to UTF-8 and to Big5, each served by a
// local server (its own process) over a loopback socket to a game window whose
// view is 1920x1080, the site's encoding fixed and on 自动. Big5 has no
// simplified forms: the characters it lacks are left out of its corpus, and
// Big5 is compared with GBK carrying the very same characters. The floods run
// in rounds, one per window each, so a change in the machine's load falls on
// every encoding alike; each figure is the median over the rounds, against
// the median of every flood of the two GBK windows (fixed and on 自动). After the
// rounds every window's screen must hold exactly the lines its GBK
// counterpart holds. The corpus is 300 MB unless told otherwise: a flood
// ends on a frame, and each carries the same fixed part (the request, the
// last frame); over 100 MB those alone move the ratios by a tenth, and
// toward 1. The window thread's own CPU is shown beside the process's: the
// transcoding runs there, the screen's decoding on the screen thread.
//
//   quorvel_encoding_flood [MEGABYTES] [ROUNDS] [PORT]   (PORT: the first of four)
#include "CorpusServer.h"
#include "FloodSupport.h"
#include "Reencode.h"
#include "RoadFlood.h"
#include "RoadWindow.h"
#include "core/session/Iconv.h"
#include "core/text/GbkText.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QToolButton>

namespace {

using session::Encoding;

struct Road
{
    const char *server; // what the server speaks
    Encoding setting;   // the site's encoding
    int corpus;         // which corpus it serves
    int reference;      // the road whose time and screen it is compared with
    std::unique_ptr<bench::RoadWindow> window;
    std::vector<double> seconds, cpu, windowCpu;
    double timeRatio = 0; // against the pooled GBK floods
};

enum Corpus { kGbk, kGbkAsBig5, kUtf8, kBig5, kCorpora };

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::size_t Bytes(const std::vector<std::string> &lines)
{
    std::size_t n = 0;
    for (const auto &l : lines)
        n += l.size();
    return n;
}

// Whether both screens end in the same lines, text and colours, as far back
// as both reach (each store drops its oldest lines by its own measure).
bool SameScreen(bench::RoadWindow &a, bench::RoadWindow &b)
{
    const std::vector<screen::DecodedLine> mine = a.w->screen().StoreSnapshot();
    const std::vector<screen::DecodedLine> theirs = b.w->screen().StoreSnapshot();
    const std::size_t count = std::min(mine.size(), theirs.size());
    if (count == 0)
        return false;
    return std::equal(mine.end() - std::ptrdiff_t(count), mine.end(),
                      theirs.end() - std::ptrdiff_t(count),
                      [](const screen::DecodedLine &x, const screen::DecodedLine &y) {
                          return x.text == y.text && x.attrs == y.attrs;
                      });
}

std::string StatusPanel(bench::RoadWindow &road)
{
    const auto *button = road.w->findChild<QToolButton *>(QStringLiteral("EncodingButton"));
    return button ? button->text().toStdString() : "?";
}

} // namespace

int main(int argc, char **argv)
{
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 300;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
    const int port = argc > 3 ? std::atoi(argv[3]) : 0;

    std::vector<std::string> corpora[kCorpora];
    corpora[kGbk] = bench::ColouredCorpus(std::size_t(megabytes * 1e6));
    bench::Reencoder toUtf8("UTF-8"), toBig5(session::Iconv::Big5Name());
    std::size_t chinese = 0;
    for (const std::string &line : corpora[kGbk]) {
        for (std::size_t i = 0; i < line.size(); i += gbk::CharLength(line, i))
            chinese += gbk::CharLength(line, i) > 1;
        corpora[kUtf8].push_back(toUtf8(line));
        std::string kept;
        corpora[kBig5].push_back(toBig5(line, &kept));
        corpora[kGbkAsBig5].push_back(std::move(kept));
    }
    std::size_t bytes[kCorpora];
    std::vector<std::unique_ptr<bench::CorpusServer>> servers;
    for (int c = 0; c < kCorpora; ++c) {
        bytes[c] = Bytes(corpora[c]);
        servers.push_back(
            std::make_unique<bench::CorpusServer>(corpora[c], port > 0 ? port + c : 0));
    }
    const std::size_t lines = corpora[kGbk].size() + 1; // and "#END"
    for (auto &c : corpora)
        c = {};
    malloc_trim(0);
    QApplication app(argc, argv);

    Road roads[] = {
        {"GBK", Encoding::kGbk, kGbk, 0, {}, {}, {}, {}},
        {"GBK", Encoding::kAuto, kGbk, 0, {}, {}, {}, {}},
        {"UTF-8", Encoding::kUtf8, kUtf8, 0, {}, {}, {}, {}},
        {"UTF-8", Encoding::kAuto, kUtf8, 0, {}, {}, {}, {}},
        {"GBK, Big5's text", Encoding::kGbk, kGbkAsBig5, 4, {}, {}, {}, {}},
        {"GBK, Big5's text", Encoding::kAuto, kGbkAsBig5, 4, {}, {}, {}, {}},
        {"Big5", Encoding::kBig5, kBig5, 4, {}, {}, {}, {}},
        {"Big5", Encoding::kAuto, kBig5, 4, {}, {}, {}, {}},
    };
    for (Road &road : roads) {
        sites::SiteOptions options;
        options.encoding = road.setting;
        road.window = std::make_unique<bench::RoadWindow>(servers[std::size_t(road.corpus)]->port(),
                                                          QSize(1920, 1080), options);
        road.window->FillScrollback(3600);
        // One flood unmeasured: the glyphs of the corpus are rendered on
        // first use, which would otherwise be counted to the first round.
        bench::Flood(*road.window, lines);
    }
    for (int round = 0; round < rounds; ++round)
        for (Road &road : roads) {
            bench::Settle(100);
            const bench::FloodRun r = bench::Flood(*road.window, lines);
            road.seconds.push_back(r.seconds);
            road.cpu.push_back(r.cpu);
            road.windowCpu.push_back(r.windowCpu);
        }

    std::printf("end to end by encoding: the %.1f MB coloured GBK corpus (%zu lines), converted "
                "once with iconv, over a loopback socket into a game window, view %dx%d; median "
                "of %d floods\n",
                double(bytes[kGbk]) / 1e6, lines, roads[0].window->view->width(),
                roads[0].window->view->height(), rounds);
    std::printf("  Big5 lacks %zu of the corpus's %zu Chinese characters (%.0f%%): they are left "
                "out of its corpus (%.1f MB), and Big5 is compared with GBK carrying the same "
                "characters (%.1f MB)\n",
                toBig5.dropped(), chinese, 100.0 * double(toBig5.dropped()) / double(chinese),
                double(bytes[kBig5]) / 1e6, double(bytes[kGbkAsBig5]) / 1e6);
    std::printf("  %-17s %-6s %8s %8s %10s %7s %8s %7s %9s  %-11s %s\n", "server speaks", "site",
                "wire MB", "MB/s", "lines/s", "CPU s", "window s", "x time", "x CPU", "screen",
                "status panel");
    // The reference: every flood of both GBK windows carrying the same
    // characters, so that one window's luck does not move every ratio.
    const auto pooled = [&roads](const Road &ref, std::vector<double> Road::*what) {
        std::vector<double> all;
        for (const Road &r : roads)
            if (r.corpus == ref.corpus)
                all.insert(all.end(), (r.*what).begin(), (r.*what).end());
        return Median(all);
    };
    bool allSame = true;
    for (Road &road : roads) {
        const Road &ref = roads[road.reference];
        const double s = Median(road.seconds), cpu = Median(road.cpu);
        road.timeRatio = s / pooled(ref, &Road::seconds);
        const double mb = double(bytes[road.corpus]) / 1e6;
        const bool same = &road == &ref || SameScreen(*road.window, *ref.window);
        allSame = allSame && same;
        std::printf("  %-17s %-6s %8.1f %8.1f %10.0f %7.3f %8.3f %7.2f %9.2f  %-11s %s\n",
                    road.server, road.setting == Encoding::kAuto ? "auto" : "fixed", mb, mb / s,
                    double(lines) / s, cpu, Median(road.windowCpu), road.timeRatio,
                    cpu / pooled(ref, &Road::cpu),
                    &road == &ref ? "reference"
                    : same        ? "same"
                                  : "DIFFERS",
                    StatusPanel(*road.window).c_str());
    }
    std::printf("  (x time, x CPU: against all floods of the two GBK rows carrying the same "
                "characters; window s: the window thread's CPU; auto: the site on 自动)\n");
    std::printf("figures against their goals:\n");
    for (const Road &road : roads) {
        if (road.corpus != kUtf8 && road.corpus != kBig5)
            continue;
        const std::string name = std::string(road.server) + " / GBK end to end, site " +
                                 (road.setting == Encoding::kAuto ? "on auto" : "fixed");
        bench::Figure(name.c_str(), road.timeRatio, "x", "<= 1.3", road.timeRatio <= 1.3, 50);
    }
    bench::Figure("every screen holds what its GBK counterpart holds", allSame ? 1 : 0, "", "1",
                  allSame, 50);
    return 0;
}
