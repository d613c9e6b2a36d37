#include "DemoServer.h"

#include "DemoSession.h"

#include <QTcpSocket>

namespace demo {

DemoServer::DemoServer(QFile *log, bool negotiate, QByteArray encoding, QObject *parent)
    : QObject(parent)
    , log_(log)
    , negotiate_(negotiate)
    , encoding_(std::move(encoding))
{
    connect(&server_, &QTcpServer::newConnection, this, &DemoServer::AcceptPending);
}

bool DemoServer::Listen(quint16 port)
{
    return server_.listen(QHostAddress::LocalHost, port);
}

void DemoServer::AcceptPending()
{
    while (QTcpSocket *socket = server_.nextPendingConnection())
        new DemoSession(socket, log_, negotiate_, encoding_, this);
}

} // namespace demo
