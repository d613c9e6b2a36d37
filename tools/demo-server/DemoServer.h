// The demo server's listener: accepts players on 127.0.0.1 and gives each its own
// session; all sessions share one input log.
#pragma once

#include <QObject>
#include <QTcpServer>

class QFile;

namespace demo {

class DemoServer : public QObject
{
public:
    // `negotiate`: every session offers telnet options at connect.
    // `encoding`: what every session speaks from its banner on.
    explicit DemoServer(QFile *log, bool negotiate = false, QByteArray encoding = "gbk",
                        QObject *parent = nullptr);

    // Listens on the loopback address only; port 0 lets the system choose.
    bool Listen(quint16 port);
    quint16 Port() const { return server_.serverPort(); }
    QString ErrorText() const { return server_.errorString(); }

private:
    void AcceptPending();

    QFile *log_;
    bool negotiate_;
    QByteArray encoding_;
    QTcpServer server_;
};

} // namespace demo
