// Encrypted connections against real TLS servers on 127.0.0.1, directly and
// through the real microsocks proxy, with certificates the openssl command makes
// for this run: trusted ones, self-signed ones that are pinned, changed ones,
// plain servers on a TLS site, and the pin file itself.
#include "core/session/CertificatePins.h"
#include "support/QtWait.h"
#include "support/TestServers.h"
#include "ui/session/GameConnection.h"
#include "ui/session/PinFile.h"
#include "ui/session/TrustQuestion.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <vector>

#include <QDir>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

using session::GameConnection;
using session::ReadPinFile;
using session::WritePinFile;

namespace {

using testsupport::WaitFor;

const QString kTrying = QStringLiteral("尝试连接......");
const QString kAtProxy = QStringLiteral("成功连接上代理服务器，通讯中...");
const QString kHandshaking = QStringLiteral("正在建立加密连接...");
const QString kDirectTls = QStringLiteral("状态:连线（加密）");
const QString kThroughTls = QStringLiteral("状态:连接（加密）");
const QString kGone = QStringLiteral("已经和服务器断开");
const QByteArray kWelcome("\xC7\xEB\xCA\xE4\xC8\xEB\xC4\xE3\xB5\xC4\xC3\xFB\xD7\xD6: ");

// The certificates of this run, each with its key: "trusted" is signed by a
// test authority that is added to the default CA list (for 127.0.0.1 and
// localhost), "self" and "other" are two different self-signed ones.
struct Certificates
{
    QTemporaryDir dir;
    bool made = false;
    QString error;

    QString Path(const QString &name) const { return dir.filePath(name); }

    bool Run(const QStringList &arguments)
    {
        testsupport::ChildProcess openssl;
        if (!openssl.Start("openssl", testsupport::Args(arguments),
                           testsupport::ChildProcess::Sink::kPipe,
                           testsupport::ChildProcess::Sink::kIntoStdout)) {
            error = QString::fromStdString(openssl.error());
            return false;
        }
        const bool finished = openssl.WaitForExit(30000);
        if (!finished || openssl.exitCode() != 0) {
            error = QString::fromLocal8Bit(openssl.TakeOutput()) +
                    (finished ? QStringLiteral("openssl failed")
                              : QStringLiteral("openssl did not finish"));
            return false;
        }
        return true;
    }

    bool Make(const QString &name, const QString &subject, const QStringList &extra)
    {
        return Run(QStringList{"req", "-x509", "-newkey", "ec", "-pkeyopt",
                               "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                               subject, "-keyout", Path(name + ".key"), "-out",
                               Path(name + ".crt")} +
                   extra);
    }

    Certificates()
    {
        const QStringList serverNames{"-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"};
        made = dir.isValid() &&
               Make("ca", "/CN=Quorvel Test CA",
                    {"-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                     "keyUsage=critical,keyCertSign,cRLSign"}) &&
               Make("trusted", "/CN=localhost",
                    QStringList{"-CA", Path("ca.crt"), "-CAkey", Path("ca.key")} + serverNames) &&
               Make("self", "/CN=self.example", serverNames) &&
               Make("other", "/CN=other.example", serverNames);
        if (!made)
            return;
        QSslConfiguration defaults = QSslConfiguration::defaultConfiguration();
        defaults.addCaCertificates(QSslCertificate::fromPath(Path("ca.crt")));
        QSslConfiguration::setDefaultConfiguration(defaults);
    }
};

Certificates &Certs()
{
    static Certificates certificates;
    return certificates;
}

QString Fingerprint(const QString &name)
{
    const QList<QSslCertificate> found = QSslCertificate::fromPath(Certs().Path(name + ".crt"));
    if (found.isEmpty())
        return {};
    const QByteArray digest = found.front().digest(QCryptographicHash::Sha256);
    return QString::fromStdString(session::FormatFingerprint(
        std::string_view(digest.constData(), std::size_t(digest.size()))));
}

// A TLS game server with one of the certificates above: greets each player
// once the handshake is done and keeps what they send.
class TlsServer : public QTcpServer
{
public:
    explicit TlsServer(const QString &name)
    {
        certificate_ = QSslCertificate::fromPath(Certs().Path(name + ".crt")).value(0);
        QFile keyFile(Certs().Path(name + ".key"));
        keyFile.open(QIODevice::ReadOnly);
        key_ = QSslKey(&keyFile, QSsl::Ec);
        listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return serverPort(); }

    std::vector<QSslSocket *> peers; // the encrypted ones
    std::vector<QSslSocket *> all;   // every connection, from its start
    QByteArray received;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        all.push_back(socket);
        socket->setSocketDescriptor(descriptor);
        socket->setLocalCertificate(certificate_);
        socket->setPrivateKey(key_);
        connect(socket, &QSslSocket::encrypted, this, [this, socket] {
            peers.push_back(socket);
            socket->write(kWelcome);
        });
        connect(socket, &QIODevice::readyRead, this,
                [this, socket] { received += socket->readAll(); });
        socket->startServerEncryption();
    }

private:
    QSslCertificate certificate_;
    QSslKey key_;
};

// What a connection reports, and the player's answers to its questions.
struct Player
{
    explicit Player(GameConnection &c, bool answerQuestions = true)
    {
        QObject::connect(&c, &GameConnection::statusText,
                         [this](const QString &s) { statuses << s; });
        QObject::connect(&c, &GameConnection::gameText, [this](const QByteArray &b) { game += b; });
        QObject::connect(&c, &GameConnection::failure, [this](const QString &s) { failures << s; });
        if (answerQuestions)
            QObject::connect(&c, &GameConnection::trustQuestion,
                             [this, &c](const session::TrustQuestion &q) {
                                 questions.push_back(q);
                                 saved.push_back(c.AnswerTrust(q.attempt, trust));
                             });
    }

    bool trust = true; // the answer to the next question
    QStringList statuses;
    QByteArray game;
    QStringList failures;
    std::vector<session::TrustQuestion> questions;
    std::vector<bool> saved;
};

session::ConnectSettings Direct(const std::string &host, quint16 port)
{
    session::ConnectSettings s{host, port, false, "", 0, false, "", ""};
    s.tls = true;
    return s;
}

session::ConnectSettings Proxied(const std::string &host, quint16 port, quint16 proxyPort,
                                 bool auth = false, const std::string &password = "")
{
    session::ConnectSettings s{host, port, true, "127.0.0.1", proxyPort, auth, "user", password};
    s.tls = true;
    return s;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TlsConnection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Certs().made) << Certs().error.toStdString();
        ASSERT_TRUE(folder.isValid());
        pins = folder.filePath(QStringLiteral("Quorvel.pins"));
    }

    // Connects, waits for the welcome, sends a line and sees it arrive.
    static void PlayOneLine(GameConnection &c, Player &p, TlsServer &server)
    {
        ASSERT_TRUE(WaitFor([&] { return c.IsOpen() && p.game == kWelcome; }))
            << p.failures.join(" | ").toStdString();
        EXPECT_TRUE(c.encrypted());
        EXPECT_TRUE(c.WriteLine("look\n"));
        ASSERT_TRUE(WaitFor([&] { return server.received.endsWith("look\n"); }));
    }

    QTemporaryDir folder;
    QString pins;
};

} // namespace

TEST_F(TlsConnection, TrustedCertificateConnectsSilentlyByAddressAndByName)
{
    TlsServer server("trusted");
    for (const std::string host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        GameConnection c;
        c.SetPinFile(pins);
        Player p(c);
        // Nothing is written while the handshake runs.
        bool earlyWritten = true;
        QObject::connect(&c, &GameConnection::statusText, [&](const QString &s) {
            if (s == kHandshaking)
                earlyWritten = c.WriteLine("early\n");
        });
        c.Connect(Direct(host, server.port()));
        PlayOneLine(c, p, server);
        EXPECT_FALSE(earlyWritten);
        EXPECT_EQ(p.statuses, (QStringList{kTrying, kHandshaking, kDirectTls}));
        EXPECT_TRUE(p.questions.empty());
        EXPECT_TRUE(p.failures.isEmpty());
    }
    // Never below TLS 1.2.
    const QSsl::SslProtocol used = server.peers.back()->sessionProtocol();
    EXPECT_TRUE(used == QSsl::TlsV1_2 || used == QSsl::TlsV1_3) << int(used);
    EXPECT_FALSE(QFile::exists(pins));
}

TEST_F(TlsConnection, SelfSignedAsksAndOncePinnedConnectsSilently)
{
    TlsServer server("self");
    const std::string host = "127.0.0.1";
    GameConnection c;
    c.SetPinFile(pins);
    Player p(c);

    // Refused: the connection closes and nothing is pinned.
    p.trust = false;
    c.Connect(Direct(host, server.port()));
    ASSERT_TRUE(WaitFor([&] { return p.questions.size() == 1 && !c.linkActive(); }));
    const session::TrustQuestion &asked = p.questions[0];
    EXPECT_EQ(asked.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(asked.port, server.port());
    EXPECT_EQ(asked.fingerprint, Fingerprint("self"));
    EXPECT_FALSE(asked.changed());
    EXPECT_TRUE(asked.subject.contains(QStringLiteral("self.example")));
    EXPECT_TRUE(asked.problems.join(' ').contains(QStringLiteral("自签名")));
    EXPECT_TRUE(p.game.isEmpty());
    EXPECT_TRUE(p.failures.isEmpty());
    EXPECT_EQ(p.statuses.last(), kGone);
    EXPECT_FALSE(QFile::exists(pins));

    // Trusted: pinned on disk, and the game goes on.
    p.trust = true;
    p.statuses.clear();
    c.Reconnect();
    PlayOneLine(c, p, server);
    ASSERT_EQ(p.questions.size(), 2u);
    EXPECT_EQ(p.saved, (std::vector<bool>{true, true}));
    EXPECT_EQ(p.statuses, (QStringList{kTrying, kHandshaking, kDirectTls}));
    EXPECT_EQ(ReadFile(pins), QByteArray("127.0.0.1:") + QByteArray::number(server.port()) + ' ' +
                                  Fingerprint("self").toLatin1() + "\r\n");

    // From then on no question, in this window or another one.
    c.Reconnect();
    GameConnection second;
    second.SetPinFile(pins);
    Player p2(second);
    second.Connect(Direct(host, server.port()));
    PlayOneLine(second, p2, server);
    ASSERT_TRUE(WaitFor([&] { return c.IsOpen(); }));
    EXPECT_EQ(p.questions.size(), 2u);
    EXPECT_TRUE(p2.questions.empty());
}

TEST_F(TlsConnection, ChangedCertificateIsRefusedWithBothFingerprints)
{
    TlsServer server("other");
    session::PinList before;
    ASSERT_TRUE(before.Replace("127.0.0.1", server.port(), Fingerprint("self").toStdString()));
    ASSERT_TRUE(WritePinFile(pins, before));
    const QByteArray pinnedBytes = ReadFile(pins);

    // With nobody to ask, the refusal is the message, both fingerprints in it.
    {
        GameConnection c;
        c.SetPinFile(pins);
        Player p(c, false);
        c.Connect(Direct("127.0.0.1", server.port()));
        ASSERT_TRUE(WaitFor([&] { return !p.failures.isEmpty() && !c.linkActive(); }));
        const QString text = p.failures.join(' ');
        EXPECT_TRUE(text.contains(Fingerprint("self")));
        EXPECT_TRUE(text.contains(Fingerprint("other")));
        EXPECT_TRUE(text.contains(QStringLiteral("127.0.0.1:%1").arg(server.port())));
        EXPECT_TRUE(p.game.isEmpty());
    }

    // Asked: declining keeps the old pin; trusting pins the new certificate.
    GameConnection c;
    c.SetPinFile(pins);
    Player p(c);
    p.trust = false;
    c.Connect(Direct("127.0.0.1", server.port()));
    ASSERT_TRUE(WaitFor([&] { return p.questions.size() == 1 && !c.linkActive(); }));
    EXPECT_TRUE(p.questions[0].changed());
    EXPECT_EQ(p.questions[0].pinnedFingerprint, Fingerprint("self"));
    EXPECT_EQ(p.questions[0].fingerprint, Fingerprint("other"));
    EXPECT_TRUE(session::TrustQuestionText(p.questions[0]).contains(Fingerprint("self")));
    EXPECT_TRUE(p.game.isEmpty());
    EXPECT_EQ(ReadFile(pins), pinnedBytes);

    p.trust = true;
    c.Reconnect();
    PlayOneLine(c, p, server);
    EXPECT_EQ(ReadPinFile(pins).Lookup("127.0.0.1", server.port()),
              Fingerprint("other").toStdString());
}

TEST_F(TlsConnection, PlainServerOnATlsSiteFailsClearlyAndInTime)
{
    struct Row
    {
        const char *label;
        QByteArray greeting; // what the plain server sends at once
        bool hangUp;         // it closes at once
        QString says;
    };
    const std::vector<Row> rows = {
        {"a banner", kWelcome + "\r\n", false, QStringLiteral("不支持加密连接（TLS），请检查端口")},
        {"a hang-up", {}, true, QStringLiteral("断开了连接")},
        // Silence: the time limit ends it (shortened here from 30 s).
        {"silence", {}, false, QStringLiteral("在1秒内没有完成加密握手")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        QTcpServer plain;
        plain.listen(QHostAddress::LocalHost, 0);
        std::vector<QTcpSocket *> held;
        QObject::connect(&plain, &QTcpServer::newConnection, [&] {
            QTcpSocket *s = plain.nextPendingConnection();
            held.push_back(s);
            if (!row.greeting.isEmpty())
                s->write(row.greeting);
            if (row.hangUp)
                s->disconnectFromHost();
        });
        GameConnection c;
        c.SetPinFile(pins);
        c.SetConnectTimeLimit(300);
        Player p(c);
        c.Connect(Direct("127.0.0.1", plain.serverPort()));
        ASSERT_TRUE(WaitFor([&] { return !p.failures.isEmpty() && !c.linkActive(); }));
        ASSERT_EQ(p.failures.size(), 1);
        EXPECT_TRUE(p.failures[0].contains(row.says)) << p.failures[0].toStdString();
        EXPECT_TRUE(p.failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(plain.serverPort())))
            << p.failures[0].toStdString();
        EXPECT_TRUE(p.game.isEmpty());
        EXPECT_TRUE(p.questions.empty());
    }
}

TEST_F(TlsConnection, ThroughMicrosocksWithAndWithoutAPassword)
{
    TlsServer trusted("trusted");
    TlsServer self("self");
    {
        testsupport::MicrosocksProcess proxy;
        ASSERT_TRUE(proxy.Start());
        for (const std::string host : {"127.0.0.1", "localhost"}) {
            SCOPED_TRACE(host);
            GameConnection c;
            c.SetPinFile(pins);
            Player p(c);
            c.Connect(Proxied(host, trusted.port(), proxy.port()));
            PlayOneLine(c, p, trusted);
            EXPECT_EQ(p.statuses, (QStringList{kTrying, kAtProxy, kHandshaking, kThroughTls}));
            EXPECT_TRUE(p.questions.empty());
        }
    }
    testsupport::MicrosocksProcess proxy;
    ASSERT_TRUE(proxy.Start({"-u", "user", "-P", "pass"}));
    {
        // The certificate is judged for the game server, never for the proxy.
        GameConnection c;
        c.SetPinFile(pins);
        Player p(c);
        c.Connect(Proxied("127.0.0.1", self.port(), proxy.port(), true, "pass"));
        PlayOneLine(c, p, self);
        ASSERT_EQ(p.questions.size(), 1u);
        EXPECT_EQ(p.questions[0].host, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(p.questions[0].port, self.port());
        EXPECT_EQ(p.statuses, (QStringList{kTrying, kAtProxy, kHandshaking, kThroughTls}));
    }
    {
        // A refusal of the proxy names the game server and the proxy.
        GameConnection c;
        Player p(c);
        c.Connect(Proxied("127.0.0.1", trusted.port(), proxy.port(), true, "wrong"));
        ASSERT_TRUE(WaitFor([&] { return !p.failures.isEmpty() && !c.linkActive(); }));
        EXPECT_TRUE(p.failures[0].startsWith(
            QStringLiteral("您填写的代理服务器用户名和密码有误！连接失败！")));
        EXPECT_TRUE(p.failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(trusted.port())));
        EXPECT_TRUE(p.failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(proxy.port())));
    }
    {
        // A plain game server behind the proxy speaks first: not TLS.
        testsupport::FakeGameServer plain;
        plain.SetGreeting(kWelcome);
        GameConnection c;
        Player p(c);
        c.Connect(Proxied("127.0.0.1", plain.port(), proxy.port(), true, "pass"));
        ASSERT_TRUE(WaitFor([&] { return !p.failures.isEmpty() && !c.linkActive(); }));
        EXPECT_TRUE(p.failures[0].contains(QStringLiteral("不支持加密连接（TLS），请检查端口")));
        EXPECT_TRUE(p.failures[0].contains(QStringLiteral("127.0.0.1:%1").arg(plain.port())));
        EXPECT_TRUE(p.game.isEmpty());
    }
}

TEST_F(TlsConnection, PinFileRoundTripsAndSurvivesAFailedWrite)
{
    session::PinList list;
    ASSERT_TRUE(list.Replace("mud.example.cn", 4000, Fingerprint("self").toStdString()));
    ASSERT_TRUE(list.Replace("\xB1\xB1\xBE\xA9", 23, Fingerprint("other").toStdString()));
    ASSERT_TRUE(WritePinFile(pins, list));
    EXPECT_EQ(ReadPinFile(pins), list);
    const QByteArray written = ReadFile(pins);
    EXPECT_EQ(written.toStdString(), session::FormatPinFile(list));

    // A write cut short (the file size limit stands in for a full disk)
    // leaves the old file whole and no half-written sibling behind.
    session::PinList more = list;
    for (int port = 1; port <= 20; ++port)
        ASSERT_TRUE(more.Replace("host" + std::to_string(port), port,
                                 Fingerprint("trusted").toStdString()));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool wrote = WritePinFile(pins, more);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(ReadFile(pins), written);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Quorvel.pins")});

    // A pin that cannot be saved still lets this connection go on, and says so.
    TlsServer server("self");
    GameConnection c;
    c.SetPinFile(folder.filePath(QStringLiteral("missing/Quorvel.pins")));
    Player p(c);
    c.Connect(Direct("127.0.0.1", server.port()));
    PlayOneLine(c, p, server);
    EXPECT_EQ(p.saved, std::vector<bool>{false});
}

TEST_F(TlsConnection, ServerThatGaveUpWhileThePlayerDecidedIsConnectedAgainOnTrust)
{
    TlsServer server("self");
    GameConnection c;
    c.SetPinFile(pins);
    Player p(c, false);
    std::vector<session::TrustQuestion> asked;
    QObject::connect(&c, &GameConnection::trustQuestion,
                     [&](const session::TrustQuestion &q) { asked.push_back(q); });
    c.Connect(Direct("127.0.0.1", server.port()));
    ASSERT_TRUE(WaitFor([&] { return asked.size() == 1; }));
    // The server's own handshake limit runs out while the box is up.
    server.all.back()->abort();
    EXPECT_TRUE(c.AnswerTrust(asked[0].attempt, true));
    // Not a quiet end: the pinned certificate goes through at once.
    ASSERT_TRUE(WaitFor([&] { return c.IsOpen() && p.game == kWelcome; }))
        << p.statuses.join(" | ").toStdString();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(server.all.size(), 2u);
    EXPECT_EQ(p.statuses.last(), kDirectTls);
    EXPECT_TRUE(p.failures.isEmpty());
}
