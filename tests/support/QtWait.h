// Event-loop helpers for GoogleTest binaries that drive Qt objects, and a small
// in-process game server on 127.0.0.1 that records what it receives.
#pragma once

#include <functional>

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace testsupport {

// Pumps events until `done` holds or `ms` pass; returns whether it held.
inline bool WaitFor(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(1);
    }
    return true;
}

// Accepts one client; keeps every byte it receives and can send bytes back.
class FakeGameServer
{
public:
    FakeGameServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            client_ = server_.nextPendingConnection();
            QObject::connect(client_, &QTcpSocket::readyRead,
                             [this] { received += client_->readAll(); });
            if (!greeting_.isEmpty())
                client_->write(greeting_);
        });
    }

    quint16 port() const { return server_.serverPort(); }
    void SetGreeting(const QByteArray &bytes) { greeting_ = bytes; }
    bool connected() const { return client_ != nullptr; }
    void Send(const QByteArray &bytes)
    {
        if (client_)
            client_->write(bytes);
    }

    QByteArray received;

private:
    QTcpServer server_;
    QTcpSocket *client_ = nullptr;
    QByteArray greeting_;
};

} // namespace testsupport
