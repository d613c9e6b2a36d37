#include "ui/session/GameConnection.h"

#include "core/session/CertificatePins.h"
#include "core/session/TlsTrust.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/session/PinFile.h"

#include <algorithm>
#include <utility>

#include <QHostAddress>
#include <QMetaMethod>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <QWidget>

namespace session {

namespace {

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The socket holds at most this much unread; past it the kernel's buffers fill
// and TCP slows the sender.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// Ports are carried in 16 bits; the low bits are what the socket can use.
quint16 Port(std::int32_t port)
{
    return static_cast<quint16>(static_cast<std::uint32_t>(port));
}

const QString kHandshaking = QStringLiteral("正在建立加密连接...");

QString NotTlsText(const QString &server)
{
    return QStringLiteral("服务器 %1 不支持加密连接（TLS），请检查端口，"
                          "或在书签中取消这个站点的“加密连接”！")
        .arg(server);
}

} // namespace

GameConnection::GameConnection(QObject *parent)
    : QObject(parent)
    , cs1(new QSslSocket(this))
    , connectLimit_(new QTimer(this))
    , pinFile_(QString::fromLatin1(session::kPinFileName.data(),
                                   static_cast<qsizetype>(session::kPinFileName.size())))
{
    connectLimit_->setSingleShot(true);
    connect(connectLimit_, &QTimer::timeout, this, &GameConnection::ConnectTimedOut);
    cs1->setReadBufferSize(kReadBufferBytes);
    // A certificate the player has to judge holds the handshake, not the other
    // way round: the answer comes later, from outside any socket event.
    cs1->setPauseMode(QAbstractSocket::PauseOnSslErrors);
    connect(cs1, &QAbstractSocket::stateChanged, this, &GameConnection::cs1StateChanged);
    connect(cs1, &QAbstractSocket::connected, this, &GameConnection::cs1Connect);
    connect(cs1, &QIODevice::readyRead, this, &GameConnection::cs1Read);
    connect(cs1, &QAbstractSocket::errorOccurred, this, &GameConnection::cs1Error);
    connect(cs1, &QSslSocket::encrypted, this, &GameConnection::cs1Encrypted);
    connect(cs1, &QSslSocket::sslErrors, this, &GameConnection::cs1SslErrors);
}

GameConnection::~GameConnection()
{
    // The socket dies with us; its last events must not reach a half-destroyed object.
    cs1->disconnect(this);
    cs1->abort();
}

void GameConnection::Connect(const session::ConnectSettings &settings)
{
    if (cs1->state() != QAbstractSocket::UnconnectedState)
        cs1->abort();

    settings_ = settings;
    const bool useProxy = settings_.useProxy;
    const std::string &hostAddress = settings_.hostAddress;
    const std::string &proxyHost = settings_.proxyHost;
    const std::int32_t hostPort = settings_.hostPort, proxyPort = settings_.proxyPort;
    handshake_.emplace(settings_);
    // Over TLS, game text flows once the handshake is done.
    gameStream_ = !useProxy && !settings_.tls;
    paused_ = false;
    heldBack_.clear();
    connected_ = false;
    ++attempt_;
    tlsStarted_ = false;
    encrypted_ = false;
    asking_ = false;
    trustedJustNow_ = false;

    session::Socks5Failure refused = session::CheckSettings(settings_);
    if (refused != session::Socks5Failure::None) {
        QString text = Utf8(session::FailureText(refused));
        emit failure(text);
        return;
    }
    if (settings_.tls) {
        if (!QSslSocket::supportsSsl()) {
            emit failure(QStringLiteral("本机没有可用的TLS库，无法和服务器 %1 建立加密连接！")
                             .arg(GameServerName()));
            return;
        }
        // Read afresh each time, so what was added to the defaults (an
        // authority the player's system trusts) counts. The name checked is the
        // game server's, also when the socket talks to a proxy.
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setProtocol(QSsl::TlsV1_2OrLater);
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        cs1->setSslConfiguration(tls);
        cs1->setPeerVerifyName(gbk::ToQString(hostAddress));
    }

    const std::string &target = useProxy ? proxyHost : hostAddress;
    quint16 port = Port(useProxy ? proxyPort : hostPort);
    // A peer that takes the connection and then says nothing, or never
    // completes it, must not leave the window waiting for ever.
    StartLimit(connectLimitMs_);
    if (session::HasLetter(target)) {
        cs1->connectToHost(gbk::ToQString(target), port);
    } else {
        // The same decimal reading as the proxy's CONNECT request: the
        // socket's own parser takes "010" for octal.
        const auto bytes = session::ParseDottedIPv4(target).value_or(std::array<std::uint8_t, 4>{});
        const quint32 address = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) |
                                (quint32(bytes[2]) << 8) | quint32(bytes[3]);
        cs1->connectToHost(QHostAddress(address), port);
    }
}

void GameConnection::SetConnectTimeLimit(int ms)
{
    connectLimitMs_ = ms;
}

void GameConnection::StartLimit(int ms)
{
    connectLimit_->start(std::max(ms, 0));
}

bool GameConnection::waitingToConnect() const
{
    return connectLimit_->isActive();
}

QString GameConnection::TargetName() const
{
    const bool proxy = settings_.useProxy;
    return QStringLiteral("%1:%2")
        .arg(gbk::ToQString(gbk::Excerpt(proxy ? settings_.proxyHost : settings_.hostAddress)))
        .arg(Port(proxy ? settings_.proxyPort : settings_.hostPort));
}

QString GameConnection::GameServerName() const
{
    return QStringLiteral("%1:%2")
        .arg(gbk::ToQString(gbk::Excerpt(settings_.hostAddress)))
        .arg(Port(settings_.hostPort));
}

QString GameConnection::WithRoute(const QString &text) const
{
    if (!settings_.tls)
        return text;
    return QStringLiteral("%1\n\n（服务器 %2，代理服务器 %3）")
        .arg(text, GameServerName(), TargetName());
}

void GameConnection::ConnectTimedOut()
{
    const int seconds = (connectLimitMs_ + 999) / 1000;
    if (tlsStarted_)
        Fail(QStringLiteral("服务器 %1 在%2秒内没有完成加密握手，它可能不支持加密连接（TLS）！")
                 .arg(GameServerName())
                 .arg(seconds));
    else if (settings_.useProxy)
        Fail(QStringLiteral("代理服务器 %1 在%2秒内没有应答，连接失败！")
                 .arg(TargetName())
                 .arg(seconds));
    else
        Fail(QStringLiteral("连接服务器 %1 超过%2秒没有成功，请检查你输入的地址是否有误！")
                 .arg(TargetName())
                 .arg(seconds));
}

void GameConnection::Reconnect()
{
    const session::ConnectSettings stored = settings_;
    Close();
    Connect(stored);
}

void GameConnection::Close()
{
    connectLimit_->stop();
    asking_ = false;
    // close() lets written lines go out first; abort() ends what is left.
    cs1->close();
    if (cs1->state() != QAbstractSocket::UnconnectedState)
        cs1->abort();
}

bool GameConnection::WriteLine(const std::string &bytes)
{
    if (!IsOpen())
        return false;
    cs1->write(bytes.data(), static_cast<qint64>(bytes.size()));
    return true;
}

bool GameConnection::IsOpen() const
{
    return gameStream_ && cs1->state() == QAbstractSocket::ConnectedState;
}

void GameConnection::cs1StateChanged(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        // A name goes through the lookup first; report the start only once.
        if (!linkActive_) {
            emit statusText(QStringLiteral("尝试连接......"));
            SetLinkActive(true);
        }
        break;
    case QAbstractSocket::UnconnectedState:
        // However the attempt ended, it is no longer waited for.
        connectLimit_->stop();
        // Also reached when the connection was never made, so that the clock
        // never waits for a window whose attempt failed.
        if (linkActive_)
            cs1Disconnect();
        break;
    default:
        break;
    }
}

void GameConnection::cs1Connect()
{
    connected_ = true;
    if (settings_.tls && !settings_.useProxy) {
        StartEncryption();
        return;
    }
    if (gameStream_) {
        connectLimit_->stop();
        emit statusText(QStringLiteral("状态:连线"));
        return;
    }
    emit statusText(QStringLiteral("成功连接上代理服务器，通讯中..."));
    std::string greeting = handshake_->Greeting();
    cs1->write(greeting.data(), static_cast<qint64>(greeting.size()));
}

void GameConnection::cs1Read()
{
    // During the TLS handshake nothing readable is game text yet.
    if (tlsStarted_ && !encrypted_)
        return;
    if (!gameStream_) {
        ReadHandshake();
        return;
    }
    if (!paused_)
        ReadGameText();
}

void GameConnection::ReadGameText()
{
    QByteArray bytes = cs1->readAll();
    if (!bytes.isEmpty()) {
        trustedJustNow_ = false;
        emit gameText(bytes);
    }
}

void GameConnection::PauseReading()
{
    paused_ = true;
}

void GameConnection::ResumeReading()
{
    if (!paused_)
        return;
    paused_ = false;
    if (!heldBack_.isEmpty())
        emit gameText(std::exchange(heldBack_, QByteArray()));
    // No new readyRead comes for bytes that already wait.
    if (!paused_ && gameStream_ && cs1->bytesAvailable() > 0)
        ReadGameText();
}

void GameConnection::ReadHandshake()
{
    QByteArray bytes = cs1->readAll();
    session::Socks5Step step = handshake_->Feed(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (step.failure != session::Socks5Failure::None) {
        Fail(WithRoute(Utf8(session::FailureText(step.failure))));
        return;
    }
    if (!step.send.empty())
        cs1->write(step.send.data(), static_cast<qint64>(step.send.size()));
    if (step.connected && settings_.tls) {
        // A TLS server waits for the client to speak first; one that talks
        // at once after the proxy connected us is a plain game server.
        if (!step.gameBytes.empty()) {
            Fail(NotTlsText(GameServerName()));
            return;
        }
        // Bytes still in the socket stay there for the TLS layer to read.
        StartEncryption();
        return;
    }
    if (step.connected) {
        connectLimit_->stop();
        gameStream_ = true;
        emit statusText(QStringLiteral("状态:连接"));
        // Game text that came in the same read as the reply is the first game text.
        if (!step.gameBytes.empty())
            emit gameText(
                QByteArray(step.gameBytes.data(), static_cast<qsizetype>(step.gameBytes.size())));
    }
}

void GameConnection::cs1Error(QAbstractSocket::SocketError error)
{
    // The player is still looking at the certificate: the answer says what
    // became of the connection, not a second box over the first.
    if (asking_) {
        cs1->abort();
        return;
    }
    // A server that gave up waiting for the player's answer hangs up before
    // its first word (over TLS 1.3 even after the handshake seemed done). The
    // certificate is trusted now, so the connection the player asked for is
    // made again, and goes through without a question.
    if (trustedJustNow_ && error == QAbstractSocket::RemoteHostClosedError &&
        cs1->bytesAvailable() == 0) {
        trustedJustNow_ = false;
        cs1->abort();
        QMetaObject::invokeMethod(this, &GameConnection::Reconnect, Qt::QueuedConnection);
        return;
    }
    if (tlsStarted_ && !encrypted_) {
        // Whatever ends the handshake is a failure to say, with the library's
        // reason; a reason that shows the server answered in clear says so.
        const QString reason = cs1->errorString();
        if (error == QAbstractSocket::RemoteHostClosedError)
            Fail(QStringLiteral("服务器 %1 在加密握手时断开了连接，它可能不支持加密连接（TLS）！")
                     .arg(GameServerName()));
        else if (session::ReasonSaysNotTls(gbk::FromQString(reason)))
            Fail(NotTlsText(GameServerName()) + QStringLiteral("\n\n[%1]").arg(reason));
        else
            Fail(QStringLiteral("和服务器 %1 建立加密连接失败：\n\n%2")
                     .arg(GameServerName(), reason));
        return;
    }
    // The server hanging up (a player's "quit") is an ordinary end, not a fault.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        if (cs1->bytesAvailable() > 0) {
            // The last words before the hang-up are still game text; while
            // paused they wait here for the screen to catch up.
            if (gameStream_ && paused_)
                heldBack_ += cs1->readAll();
            else
                cs1Read();
        }
        cs1->abort();
        return;
    }
    if (!connected_ && settings_.useProxy)
        // It is the proxy that could not be reached; the game server was
        // never asked for.
        Fail(QStringLiteral("无法连接到代理服务器 %1，请检查代理服务器的地址和端口！")
                 .arg(TargetName()));
    else if (!connected_)
        Fail(QStringLiteral("无法连接到服务器，请检查你输入的地址是否有误！"));
    else
        Fail(QStringLiteral("与服务器通讯出现故障，断开与服务器的连接\n\n[%1]")
                 .arg(static_cast<int>(error)));
}

void GameConnection::cs1Disconnect()
{
    emit statusText(QStringLiteral("已经和服务器断开"));
    SetLinkActive(false);
}

void GameConnection::StartEncryption()
{
    tlsStarted_ = true;
    emit statusText(kHandshaking);
    cs1->startClientEncryption();
}

void GameConnection::cs1Encrypted()
{
    connectLimit_->stop();
    encrypted_ = true;
    gameStream_ = true;
    emit statusText(settings_.useProxy ? QStringLiteral("状态:连接（加密）")
                                       : QStringLiteral("状态:连线（加密）"));
    // Game text that came with the end of the handshake gets no readyRead of its own.
    if (!paused_ && cs1->bytesAvailable() > 0)
        ReadGameText();
}

void GameConnection::cs1SslErrors(const QList<QSslError> &errors)
{
    const QSslCertificate certificate = cs1->peerCertificate();
    if (certificate.isNull()) {
        // Nothing the player could look at or pin.
        Fail(QStringLiteral("和服务器 %1 建立加密连接失败：\n\n%2")
                 .arg(GameServerName(),
                      errors.isEmpty() ? QString() : errors.front().errorString()));
        return;
    }
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    const std::string presented = session::FormatFingerprint(
        std::string_view(digest.constData(), static_cast<std::size_t>(digest.size())));
    // Errors came, so the system alone does not trust it; a pin may.
    const std::optional<std::string> pinned =
        ReadPinFile(pinFile_).Lookup(settings_.hostAddress, settings_.hostPort);
    if (session::JudgeCertificate(false, pinned, presented) == session::TrustVerdict::Accept) {
        cs1->ignoreSslErrors();
        return;
    }
    session::TrustQuestion question = session::MakeTrustQuestion(
        certificate, errors, gbk::ToQString(settings_.hostAddress), Port(settings_.hostPort),
        pinned ? QString::fromLatin1(pinned->c_str()) : QString());
    question.attempt = attempt_;
    if (!isSignalConnected(QMetaMethod::fromSignal(&GameConnection::trustQuestion))) {
        // Nobody to ask: a certificate nobody trusts is refused, and said.
        Fail(session::TrustQuestionText(question));
        return;
    }
    // The socket holds the handshake; the player may take their time.
    limitLeftMs_ = connectLimit_->remainingTime();
    connectLimit_->stop();
    asking_ = true;
    askedFingerprint_ = question.fingerprint;
    QMetaObject::invokeMethod(
        this,
        [this, question] {
            if (asking_ && question.attempt == attempt_)
                emit trustQuestion(question);
        },
        Qt::QueuedConnection);
}

bool GameConnection::AnswerTrust(int attempt, bool trust)
{
    if (!asking_ || attempt != attempt_)
        return true;
    asking_ = false;
    if (!trust) {
        Close();
        return true;
    }
    session::PinList pins = ReadPinFile(pinFile_);
    const bool saved = pins.Replace(settings_.hostAddress, settings_.hostPort,
                                    gbk::FromQString(askedFingerprint_)) &&
                       WritePinFile(pinFile_, pins);
    if (cs1->state() == QAbstractSocket::ConnectedState) {
        StartLimit(limitLeftMs_);
        // Set first: resuming may already meet the server's hang-up.
        trustedJustNow_ = true;
        cs1->ignoreSslErrors();
        cs1->resume();
    } else {
        // The server gave up waiting for the answer (see cs1Error).
        QMetaObject::invokeMethod(this, &GameConnection::Reconnect, Qt::QueuedConnection);
    }
    return saved;
}

void GameConnection::SetLinkActive(bool active)
{
    if (linkActive_ == active)
        return;
    linkActive_ = active;
    emit linkActiveChanged(active);
}

void GameConnection::Fail(const QString &text)
{
    connectLimit_->stop();
    cs1->abort();
    emit failure(text);
}

} // namespace session
