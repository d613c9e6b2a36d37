// One connected player of the demo server: splits what arrives into lines, logs
// them, and answers the name question and the commands.
#pragma once

#include "DemoEncoding.h"
#include "DemoNegotiation.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QFile;
class QTcpSocket;

namespace demo {

class DemoSession : public QObject
{
public:
    // Takes ownership of `socket`. `log` (may be null) is shared by all sessions and
    // outlives them. The session deletes itself when the connection closes.
    // `negotiate`: offer telnet options at connect (--negotiate); `encoding`:
    // what the session speaks from its banner on (--encoding, "gbk" by default).
    DemoSession(QTcpSocket *socket, QFile *log, bool negotiate, const QByteArray &encoding,
                QObject *parent);

private:
    void ReadIncoming();
    void TakeLine(const QByteArray &raw);
    void RunPending();
    void Login(const QByteArray &name);
    void RunCommand(const QByteArray &command, const QByteArray &argument);
    void Say(const QByteArray &words);
    void Walk(const char *direction);
    void StartFlood(const QByteArray &argument);
    void PumpFlood();
    void Send(const QByteArray &bytes);
    void SendPrompt();
    void TakePassword(const QByteArray &password);
    void SwitchEncoding(const QByteArray &name);

    QTcpSocket *socket_;
    QFile *log_;
    DemoNegotiation negotiation_;
    WireEncoding wire_;
    QByteArray partial_;        // bytes after the last line end
    QList<QByteArray> pending_; // received lines (line end stripped) not yet answered
    QByteArray name_;
    bool named_ = false;
    bool closing_ = false;
    bool awaitingPassword_ = false; // the next line is a password, echo is the server's
    int room_ = 0;
    qint64 floodLeft_ = 0; // lines of the running flood still to write
    qint64 floodSent_ = 0;
};

} // namespace demo
