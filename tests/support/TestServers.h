// Servers the tests talk to: an in-process server that keeps what each
// connection sent, the project's demo server as a child process on a free
// port, whose log of received bytes the test reads back line by line, and the
// real microsocks proxy.
#pragma once

#include "support/ChildArgs.h"
#include "support/ChildProcess.h"

#include <string>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace testsupport {

// Takes every connection and keeps what each one sent, in connection order.
class MultiClientServer : public QObject
{
public:
    MultiClientServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                const int index = static_cast<int>(sockets.size());
                sockets.push_back(socket);
                received.emplace_back();
                QObject::connect(socket, &QTcpSocket::readyRead, this,
                                 [this, socket, index] { received[index] += socket->readAll(); });
            }
        });
    }
    int port() const { return server.serverPort(); }

    QTcpServer server;
    std::vector<QTcpSocket *> sockets;
    std::vector<QByteArray> received;
};

// The demo server (env QUORVEL_DEMO_SERVER) on a free port, logging to `logPath`.
// port() is 0 when it did not start.
class DemoServerProcess
{
public:
    static constexpr int kWaitMs = 10000;

    // `extra`: more command-line options, such as --negotiate.
    explicit DemoServerProcess(const QString &logPath, const QStringList &extra = {})
        : logPath_(logPath)
    {
        const QString program = qEnvironmentVariable("QUORVEL_DEMO_SERVER");
        if (program.isEmpty())
            return;
        if (!process_.Start(LocalArg(program),
                            Args(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                             QStringLiteral("--log"), logPath_} +
                                 extra)))
            return;
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (!out.contains('\n') && timer.elapsed() < kWaitMs) {
            process_.WaitForOutput(100);
            out += QByteArray::fromStdString(process_.TakeOutput());
        }
        if (out.startsWith("listening on ") && out.endsWith('\n'))
            port_ = static_cast<quint16>(out.mid(13).trimmed().toUInt());
        clock_.start();
    }
    DemoServerProcess(const DemoServerProcess &) = delete;
    DemoServerProcess &operator=(const DemoServerProcess &) = delete;

    quint16 port() const { return port_; }
    // Every byte received so far.
    QByteArray Log() const
    {
        QFile file(logPath_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Reads what was logged since the last call; each new whole line gets the
    // time it was first seen.
    void Poll()
    {
        QFile file(logPath_);
        if (!file.open(QIODevice::ReadOnly))
            return;
        file.seek(read_);
        pending_ += file.readAll();
        read_ = file.pos();
        qsizetype lf;
        while ((lf = pending_.indexOf('\n')) >= 0) {
            lines.push_back(pending_.left(lf + 1));
            times.push_back(clock_.elapsed());
            pending_.remove(0, lf + 1);
        }
    }
    // Waits until `line` has been received at or after line `from`.
    bool WaitForLine(const QByteArray &line, qsizetype from = 0)
    {
        return QTest::qWaitFor(
            [&] {
                Poll();
                for (qsizetype i = from; i < qsizetype(lines.size()); ++i) {
                    if (lines[std::size_t(i)] == line)
                        return true;
                }
                return false;
            },
            kWaitMs);
    }
    // Waits until at least `count` lines came in from line `from` on.
    bool WaitForCount(qsizetype from, qsizetype count)
    {
        return QTest::qWaitFor(
            [&] {
                Poll();
                return qsizetype(lines.size()) - from >= count;
            },
            kWaitMs);
    }
    QList<QByteArray> LinesFrom(qsizetype from)
    {
        Poll();
        return QList<QByteArray>(lines.begin() + from, lines.end());
    }

    std::vector<QByteArray> lines;
    std::vector<qint64> times;

private:
    QString logPath_;
    ChildProcess process_; // killed and reaped when the object goes
    quint16 port_ = 0;
    qint64 read_ = 0;
    QByteArray pending_;
    QElapsedTimer clock_;
};

// The real microsocks proxy on 127.0.0.1 and a free port, for as long as the
// object lives.
class MicrosocksProcess
{
public:
    // `extra`: more arguments, such as {"-u", user, "-P", password}. False when
    // it could not be started or did not take connections.
    bool Start(const QStringList &extra = {})
    {
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            port_ = probe.serverPort();
        }
        // Nothing reads what it prints.
        if (!process_.Start(
                "microsocks",
                Args(QStringList{"-i", "127.0.0.1", "-p", QString::number(port_)} + extra),
                ChildProcess::Sink::kDiscard, ChildProcess::Sink::kDiscard))
            return false;
        // Ready once it accepts a connection.
        return QTest::qWaitFor(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port_);
                return probe.waitForConnected(100);
            },
            5000);
    }
    quint16 port() const { return port_; }

private:
    ChildProcess process_;
    quint16 port_ = 0;
};

} // namespace testsupport
