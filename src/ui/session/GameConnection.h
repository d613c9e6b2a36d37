// A game window's connection `cs1` to its game server, made directly or through a
// SOCKS5 proxy, in clear or over TLS; lives on the UI thread and reports status,
// game text and failures, and asks about certificates it cannot trust alone.
#pragma once

#include "core/session/Socks5.h"
#include "ui/session/TrustQuestion.h"

#include <optional>
#include <string>

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSslError;
class QSslSocket;
class QTimer;

namespace session {

class GameConnection : public QObject
{
    Q_OBJECT

public:
    // `parent` owns the connection. Failures are reported by `failure`; the
    // owner decides how to show them.
    explicit GameConnection(QObject *parent = nullptr);
    ~GameConnection() override;

    // Stores the settings and opens the connection (texts are GBK bytes).
    // Settings that cannot work are refused at once through `failure`.
    void Connect(const session::ConnectSettings &settings);
    // Closes, then connects again with the stored settings.
    void Reconnect();
    void Close();

    // How long connecting may take, the proxy handshake included, before the
    // attempt is given up with a message naming the peer that did not answer.
    static constexpr int kConnectTimeLimitMs = 30000;
    void SetConnectTimeLimit(int ms);
    // The attempt is still running against the time limit.
    bool waitingToConnect() const;

    // Writes the bytes as given (the caller ends a line with LF) while game text
    // flows; otherwise drops them. Returns whether they were written.
    bool WriteLine(const std::string &bytes);

    // Back-pressure: while paused, game text stays in the socket (the read
    // buffer is bounded, so TCP holds the server back); resuming reads what waits.
    void PauseReading();
    void ResumeReading();

    // Game text flows: connected, and through a proxy the CONNECT was confirmed.
    bool IsOpen() const;
    // Set when connecting starts, cleared on disconnect.
    bool linkActive() const { return linkActive_; }
    bool gameStream() const { return gameStream_; }
    int proxyStage() const { return handshake_ ? handshake_->proxyStage() : 0; }
    const session::ConnectSettings &settings() const { return settings_; }
    // Game text flows over TLS.
    bool encrypted() const { return encrypted_; }

    // Where the pinned certificates are kept (at first "Quorvel.pins" in the
    // current folder, which is the program's).
    void SetPinFile(const QString &path) { pinFile_ = path; }
    const QString &pinFile() const { return pinFile_; }
    // The player's answer to `trustQuestion`: trusting pins the certificate and
    // lets the handshake go on; anything else closes the connection. An answer
    // to an attempt that is over changes nothing. Returns false only when the
    // pin could not be written (the certificate is still trusted this once).
    bool AnswerTrust(int attempt, bool trust);

signals:
    void statusText(const QString &text);
    // Everything waiting at one readable event, never split into lines.
    void gameText(const QByteArray &bytes);
    void linkActiveChanged(bool active);
    void failure(const QString &text);
    // A certificate needs the player's decision; the handshake waits, and the
    // time limit with it, until AnswerTrust. Emitted from the event loop, never
    // from inside a socket event. With nothing connected here the certificate
    // is refused through `failure`.
    void trustQuestion(const session::TrustQuestion &question);

private:
    void cs1StateChanged(QAbstractSocket::SocketState state);
    void cs1Connect();
    void cs1Read();
    void cs1Error(QAbstractSocket::SocketError error);
    void cs1Disconnect();
    void cs1Encrypted();
    void cs1SslErrors(const QList<QSslError> &errors);

    void StartEncryption();
    // "host:port" of the game server, whatever the route.
    QString GameServerName() const;
    // A refusal of the proxy on a TLS site also names the game server.
    QString WithRoute(const QString &text) const;
    void StartLimit(int ms);

    void ReadGameText();
    void ReadHandshake();
    void ConnectTimedOut();
    // "host:port" of the peer this attempt dials: the proxy or the game server.
    QString TargetName() const;
    void SetLinkActive(bool active);
    // Closes first, so that no socket event runs while the owner's modal box is up.
    void Fail(const QString &text);

    QSslSocket *cs1;
    QTimer *connectLimit_;
    int connectLimitMs_ = kConnectTimeLimitMs;
    int limitLeftMs_ = 0; // what was left of the limit when the player was asked
    session::ConnectSettings settings_;
    std::optional<session::Socks5Handshake> handshake_;
    bool gameStream_ = false;
    bool linkActive_ = false;
    bool connected_ = false; // the TCP connection of this attempt was made
    bool paused_ = false;
    QByteArray heldBack_; // game text read at a hang-up while paused
    QString pinFile_;
    int attempt_ = 0;
    bool tlsStarted_ = false; // the TLS handshake of this attempt began
    bool encrypted_ = false;
    bool asking_ = false;         // a trust question of this attempt waits for its answer
    bool trustedJustNow_ = false; // trusted by the player, no game text seen yet
    QString askedFingerprint_;
};

} // namespace session
