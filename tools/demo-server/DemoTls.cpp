#include "DemoTls.h"

#include "DemoSession.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpSocket>

namespace demo {

DemoTlsServer::DemoTlsServer(QFile *log, QObject *parent)
    : QObject(parent)
    , log_(log)
{
    // The client asks its player about the self-signed certificate in the
    // middle of the handshake; the server waits for that answer as long as the
    // client's own connect limit would.
    server_.setHandshakeTimeout(30000);
    // A player is handed over once the handshake is done.
    connect(&server_, &QTcpServer::pendingConnectionAvailable, this, &DemoTlsServer::AcceptPending);
}

bool DemoTlsServer::LoadCertificate(const QString &certPath, const QString &keyPath)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath);
    if (chain.isEmpty()) {
        error_ = QStringLiteral("no certificate in %1").arg(certPath);
        return false;
    }
    QFile keyFile(keyPath);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot read %1: %2").arg(keyPath, keyFile.errorString());
        return false;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key(pem, QSsl::Rsa);
    if (key.isNull())
        key = QSslKey(pem, QSsl::Ec);
    if (key.isNull()) {
        error_ = QStringLiteral("no RSA or EC private key in %1").arg(keyPath);
        return false;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    server_.setSslConfiguration(tls);
    return true;
}

bool DemoTlsServer::Listen(quint16 port)
{
    error_.clear();
    return server_.listen(QHostAddress::LocalHost, port);
}

void DemoTlsServer::AcceptPending()
{
    while (QTcpSocket *socket = server_.nextPendingConnection())
        new DemoSession(socket, log_, false, "gbk", this); // no offers on the TLS port
}

} // namespace demo
