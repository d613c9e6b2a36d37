// The demo server's TLS port: the same game as the plain port, over TLS with a
// certificate and key from PEM files (make run makes a self-signed pair once).
#pragma once

#include <QObject>
#include <QSslServer>

class QFile;

namespace demo {

class DemoTlsServer : public QObject
{
public:
    explicit DemoTlsServer(QFile *log, QObject *parent = nullptr);

    // Reads the certificate and its key; false with ErrorText() set when either
    // is missing or unreadable.
    bool LoadCertificate(const QString &certPath, const QString &keyPath);
    // Listens on the loopback address only; port 0 lets the system choose.
    bool Listen(quint16 port);
    quint16 Port() const { return server_.serverPort(); }
    QString ErrorText() const { return error_.isEmpty() ? server_.errorString() : error_; }

private:
    void AcceptPending();

    QFile *log_;
    QSslServer server_;
    QString error_;
};

} // namespace demo
