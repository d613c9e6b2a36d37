// What TLS costs the client under a flood: two game windows on the demo server,
// one on its plain port and one on its TLS port (a certificate made for the run
// by the openssl command and pinned, as a player would after the first
// question), take the same flood in turns; the client's CPU time (every thread:
// socket, decryption, screen) for each is compared. Run by `make bench`.
//
//   quorvel_tls_flood DEMO_SERVER_BINARY [LINES] [ROUNDS]
#include "DemoFloodWindow.h"
#include "core/session/CertificatePins.h"
#include "ui/session/PinFile.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>

using bench::DemoFloodWindow;
using bench::Median;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel_tls_flood DEMO_SERVER [LINES] [ROUNDS]\n");
        return 2;
    }
    const int lines = argc > 2 ? std::atoi(argv[2]) : 200000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("bench.crt"));
    const QString key = dir.filePath(QStringLiteral("bench.key"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                   "/CN=bench", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out",
                   cert});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
        std::fprintf(stderr, "openssl could not make a certificate\n");
        return 1;
    }

    QProcess server;
    server.start(QString::fromLocal8Bit(argv[1]),
                 {"--port", "0", "--tls-port", "0", "--cert", cert, "--key", key});
    QByteArray out;
    while (out.count('\n') < 2 && server.waitForReadyRead(5000))
        out += server.readAllStandardOutput();
    const QList<QByteArray> said = out.split('\n');
    if (said.size() < 2 || !said[1].startsWith("listening for TLS on ")) {
        std::fprintf(stderr, "demo server did not start: %s\n", out.constData());
        return 1;
    }
    const int plainPort = said[0].mid(13).trimmed().toInt();
    const int tlsPort = said[1].mid(21).trimmed().toInt();

    // Pinned beforehand: the flood is measured, not the question.
    const QString pins = dir.filePath(QStringLiteral("Quorvel.pins"));
    const QByteArray digest =
        QSslCertificate::fromPath(cert).value(0).digest(QCryptographicHash::Sha256);
    session::PinList pinList;
    pinList.Replace("127.0.0.1", tlsPort,
                    session::FormatFingerprint(
                        std::string_view(digest.constData(), std::size_t(digest.size()))));
    session::WritePinFile(pins, pinList);

    session::ConnectSettings plain{"127.0.0.1", plainPort, false, "", 0, false, "", ""};
    session::ConnectSettings encrypted = plain;
    encrypted.hostPort = tlsPort;
    encrypted.tls = true;
    DemoFloodWindow clear(plain, {}, pins);
    DemoFloodWindow tls(encrypted, {}, pins);
    if (!clear.ok() || !tls.ok() || !tls.w->connection().encrypted()) {
        std::fprintf(stderr, "the windows did not connect\n");
        return 1;
    }
    // A first flood each fills the stores, so every measured one trims alike.
    clear.Flood(lines / 4);
    tls.Flood(lines / 4);
    std::vector<double> clearCpu, tlsCpu;
    for (int i = 0; i < rounds; ++i) {
        clearCpu.push_back(clear.Flood(lines));
        tlsCpu.push_back(tls.Flood(lines));
    }
    const double c = Median(clearCpu), t = Median(tlsCpu);
    const double cMin = *std::min_element(clearCpu.begin(), clearCpu.end());
    const double tMin = *std::min_element(tlsCpu.begin(), tlsCpu.end());
    std::printf("flood of %d lines (%.1f MB) into a 1280x800 game window, %d rounds each\n", lines,
                tls.megabytes, rounds);
    std::printf("  CPU in clear: median %.3f s, least %.3f s (%lld reads)\n", c, cMin,
                static_cast<long long>(clear.items));
    std::printf("  CPU over TLS: median %.3f s, least %.3f s (%lld reads)\n", t, tMin,
                static_cast<long long>(tls.items));
    std::printf("figures against their goals:\n");
    const double ratio = c > 0 ? t / c : 0;
    std::printf("  %-44s %10.2f %-8s goal %-12s %s\n", "flood over TLS / the same in clear", ratio,
                "x", "<= 1.3", ratio <= 1.3 ? "met" : "NOT MET");
    std::printf("  %-44s %10.2f %-8s\n", "the same, least of each", cMin > 0 ? tMin / cMin : 0,
                "x");

    clear.w.reset();
    tls.w.reset();
    server.kill();
    server.waitForFinished();
    return 0;
}
