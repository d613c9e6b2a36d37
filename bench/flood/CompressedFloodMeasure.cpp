// What compression (MCCP2) costs the client under a flood: the demo server
// offers it at connect; one game window takes it (a site that negotiates), the
// other reads the same flood plain (a site with "协商 telnet 选项" off). Both
// take the same floods in turns; the client's CPU time for each and the bytes
// that came over the socket are compared. Run by `make bench`.
//
//   quorvel_compressed_flood DEMO_SERVER_BINARY [LINES] [ROUNDS]
#include "DemoFloodWindow.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QProcess>

using bench::DemoFloodWindow;
using bench::Median;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel_compressed_flood DEMO_SERVER [LINES] [ROUNDS]\n");
        return 2;
    }
    const int lines = argc > 2 ? std::atoi(argv[2]) : 200000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    QProcess server;
    server.start(QString::fromLocal8Bit(argv[1]), {"--port", "0", "--negotiate"});
    QByteArray out;
    while (!out.contains('\n') && server.waitForReadyRead(5000))
        out += server.readAllStandardOutput();
    if (!out.startsWith("listening on ")) {
        std::fprintf(stderr, "demo server did not start: %s\n", out.constData());
        return 1;
    }
    const int port = out.mid(13).trimmed().toInt();
    const session::ConnectSettings settings{"127.0.0.1", port, false, "", 0, false, "", ""};

    DemoFloodWindow plain(settings, {session::Encoding::kAuto, false});
    DemoFloodWindow packed(settings, {session::Encoding::kAuto, true});
    if (!plain.ok() || !packed.ok()) {
        std::fprintf(stderr, "the windows did not connect\n");
        return 1;
    }
    // A first flood each fills the stores, so every measured one trims alike.
    plain.Flood(lines / 4);
    packed.Flood(lines / 4);
    if (!packed.w->session().compressing()) {
        std::fprintf(stderr, "the negotiating window does not receive compressed text\n");
        return 1;
    }
    std::vector<double> plainCpu, packedCpu;
    for (int i = 0; i < rounds; ++i) {
        plainCpu.push_back(plain.Flood(lines));
        packedCpu.push_back(packed.Flood(lines));
    }
    const double p = Median(plainCpu), c = Median(packedCpu);
    const double pMin = *std::min_element(plainCpu.begin(), plainCpu.end());
    const double cMin = *std::min_element(packedCpu.begin(), packedCpu.end());
    std::printf("flood of %d lines into a 1280x800 game window, %d rounds each\n", lines, rounds);
    std::printf("  plain:      %.1f MB on the wire, CPU median %.3f s, least %.3f s (%lld reads)\n",
                plain.megabytes, p, pMin, static_cast<long long>(plain.items));
    std::printf("  compressed: %.1f MB on the wire, CPU median %.3f s, least %.3f s (%lld reads)\n",
                packed.megabytes, c, cMin, static_cast<long long>(packed.items));
    std::printf("figures against their goals:\n");
    const double ratio = p > 0 ? c / p : 0;
    std::printf("  %-44s %10.2f %-8s goal %-12s %s\n", "compressed flood / the same plain", ratio,
                "x", "<= 1.2", ratio <= 1.2 ? "met" : "NOT MET");
    std::printf("  %-44s %10.2f %-8s\n", "the same, least of each", pMin > 0 ? cMin / pMin : 0,
                "x");
    std::printf("  %-44s %10.2f %-8s\n", "bytes on the wire, compressed / plain",
                plain.megabytes > 0 ? packed.megabytes / plain.megabytes : 0, "x");

    plain.w.reset();
    packed.w.reset();
    server.kill();
    server.waitForFinished();
    return 0;
}
