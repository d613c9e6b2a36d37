// quorvel-demo-server: a small local game server that talks like the Chinese game
// servers the client is made for (GBK text, ANSI colours, prompts without line end).
#include "DemoEncoding.h"
#include "DemoServer.h"
#include "DemoTls.h"

#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace {

// The TLS port beside the plain one; its line follows "listening on N".
// Returns the exit status of a failure, 0 when it listens.
int ListenTls(demo::DemoTlsServer &server, const QString &portText, const QString &cert,
              const QString &key)
{
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "quorvel-demo-server: bad TLS port \"%s\"\n", qPrintable(portText));
        return 2;
    }
    if (cert.isEmpty() || key.isEmpty()) {
        std::fprintf(stderr, "quorvel-demo-server: --tls-port needs --cert and --key\n");
        return 2;
    }
    if (!server.LoadCertificate(cert, key) || !server.Listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "quorvel-demo-server: cannot listen for TLS on 127.0.0.1:%u: %s\n",
                     port, qPrintable(server.ErrorText()));
        return 1;
    }
    std::printf("listening for TLS on %u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-demo-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A small local game server on 127.0.0.1 for trying the client."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("4000"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Append every line received from any client, byte for byte, to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption negotiateOption(
        QStringLiteral("negotiate"),
        QStringLiteral("Offer MCCP2, NAWS, TTYPE and CHARSET at connect, and compress once the "
                       "client agrees."));
    parser.addOption(portOption);
    parser.addOption(logOption);
    parser.addOption(negotiateOption);
    const QCommandLineOption encodingOption(
        QStringLiteral("encoding"),
        QStringLiteral("Speak gbk (the default), utf8 or big5 from the banner on."),
        QStringLiteral("NAME"), QStringLiteral("gbk"));
    parser.addOption(encodingOption);
    const QCommandLineOption tlsPortOption(
        QStringLiteral("tls-port"),
        QStringLiteral(
            "Also listen for TLS on port N (0 picks a free one); needs --cert and --key."),
        QStringLiteral("N"));
    const QCommandLineOption certOption(QStringLiteral("cert"),
                                        QStringLiteral("PEM certificate of the TLS port."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption keyOption(QStringLiteral("key"),
                                       QStringLiteral("PEM private key of the TLS port."),
                                       QStringLiteral("FILE"));
    parser.addOptions({tlsPortOption, certOption, keyOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "quorvel-demo-server: bad port \"%s\"\n",
                     qPrintable(parser.value(portOption)));
        return 2;
    }

    QFile log;
    if (parser.isSet(logOption)) {
        log.setFileName(parser.value(logOption));
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "quorvel-demo-server: cannot open log %s: %s\n",
                         qPrintable(log.fileName()), qPrintable(log.errorString()));
            return 1;
        }
    }

    const QByteArray encoding = parser.value(encodingOption).toLatin1();
    if (!demo::WireEncoding().Set(encoding)) {
        std::fprintf(stderr, "quorvel-demo-server: unknown encoding \"%s\"\n",
                     encoding.constData());
        return 2;
    }
    demo::DemoServer server(log.isOpen() ? &log : nullptr, parser.isSet(negotiateOption), encoding);
    if (!server.Listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "quorvel-demo-server: cannot listen on 127.0.0.1:%u: %s\n", port,
                     qPrintable(server.ErrorText()));
        return 1;
    }
    // Callers read the chosen port from this line, so it goes out at once.
    std::printf("listening on %u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    demo::DemoTlsServer tlsServer(log.isOpen() ? &log : nullptr);
    if (parser.isSet(tlsPortOption)) {
        const int failed = ListenTls(tlsServer, parser.value(tlsPortOption),
                                     parser.value(certOption), parser.value(keyOption));
        if (failed)
            return failed;
    }
    return app.exec();
}
