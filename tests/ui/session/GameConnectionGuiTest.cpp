#include "core/session/Socks5.h"
#include "support/QtWait.h"
#include "support/TestServers.h"
#include "ui/session/GameConnection.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using session::GameConnection;

namespace {

const QString kTrying = QStringLiteral("尝试连接......");
const QString kDirect = QStringLiteral("状态:连线");
const QString kAtProxy = QStringLiteral("成功连接上代理服务器，通讯中...");
const QString kThrough = QStringLiteral("状态:连接");
const QString kGone = QStringLiteral("已经和服务器断开");

// "请输入你的名字: " in GBK, a typical first line of a game.
const QByteArray kWelcome("\xC7\xEB\xCA\xE4\xC8\xEB\xC4\xE3\xB5\xC4\xC3\xFB\xD7\xD6: ");

using testsupport::WaitFor;

QByteArray Raw(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray ToBytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Everything a GameConnection reports.
struct Recorder
{
    explicit Recorder(GameConnection &c)
    {
        QObject::connect(&c, &GameConnection::statusText,
                         [this](const QString &s) { statuses << s; });
        QObject::connect(&c, &GameConnection::gameText, [this](const QByteArray &b) {
            game += b;
            ++gameItems;
        });
        QObject::connect(&c, &GameConnection::failure, [this](const QString &s) { failures << s; });
        QObject::connect(&c, &GameConnection::linkActiveChanged,
                         [this](bool active) { linkChanges.push_back(active); });
    }

    QStringList statuses;
    QByteArray game;
    int gameItems = 0;
    QStringList failures;
    std::vector<bool> linkChanges;
};

// A game server on 127.0.0.1 that keeps what each connection sent.
class GameServer
{
public:
    GameServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                peers.push_back(s);
                QObject::connect(s, &QIODevice::readyRead, [this, s] { received += s->readAll(); });
            }
        });
    }
    quint16 port() const { return server.serverPort(); }
    QTcpSocket *last() const { return peers.empty() ? nullptr : peers.back(); }

    QTcpServer server;
    std::vector<QTcpSocket *> peers;
    QByteArray received;
};

// An in-process proxy that plays a script: wait for a number of bytes, keep them,
// then send chunks with a pause between them. After the script it is a dumb peer.
class FakeProxy
{
public:
    struct Step
    {
        int expect;                  // bytes to wait for
        std::vector<QByteArray> out; // sent in separate writes, one per tick
    };

    explicit FakeProxy(std::vector<Step> script)
        : script_(std::move(script))
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QIODevice::readyRead, [this] {
                pending_ += peer->readAll();
                Advance();
            });
        });
        ticker_.setInterval(15);
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            if (outgoing_.empty()) {
                ticker_.stop();
                return;
            }
            peer->write(outgoing_.front());
            peer->flush();
            outgoing_.pop_front();
        });
    }
    quint16 port() const { return server.serverPort(); }

    QTcpServer server;
    QTcpSocket *peer = nullptr;
    std::vector<QByteArray> requests; // what each step received
    QByteArray afterScript;           // what came once the script was done

private:
    void Advance()
    {
        while (next_ < script_.size() && pending_.size() >= script_[next_].expect) {
            requests.push_back(pending_.left(script_[next_].expect));
            pending_.remove(0, script_[next_].expect);
            for (const QByteArray &chunk : script_[next_].out)
                outgoing_.push_back(chunk);
            ++next_;
            ticker_.start();
        }
        if (next_ == script_.size()) {
            afterScript += pending_;
            pending_.clear();
        }
    }

    std::vector<Step> script_;
    std::size_t next_ = 0;
    QByteArray pending_;
    std::deque<QByteArray> outgoing_;
    QTimer ticker_;
};

// One write per byte, then the tail in one more write.
std::vector<QByteArray> Singles(const QByteArray &bytes, const QByteArray &tail = {})
{
    std::vector<QByteArray> out;
    for (char c : bytes)
        out.push_back(QByteArray(1, c));
    if (!tail.isEmpty())
        out.push_back(tail);
    return out;
}

void ConnectDirect(GameConnection &c, const std::string &host, quint16 port)
{
    c.Connect({host, port, false, "", 0, false, "", ""});
}

void ConnectProxied(GameConnection &c, const std::string &host, quint16 port, quint16 proxyPort,
                    bool auth = false, const std::string &user = "",
                    const std::string &password = "")
{
    c.Connect({host, port, true, "127.0.0.1", proxyPort, auth, user, password});
}

} // namespace

TEST(GameConnectionDirect, GameTextBothWaysAndAQuietHangUp)
{
    GameServer server;
    GameConnection c;
    Recorder rec(c);
    EXPECT_FALSE(c.WriteLine("too early\n"));

    ConnectDirect(c, "127.0.0.1", server.port());
    ASSERT_TRUE(WaitFor([&] { return server.last() && c.IsOpen(); }));
    EXPECT_TRUE(c.linkActive());

    server.last()->write(kWelcome);
    ASSERT_TRUE(WaitFor([&] { return rec.game == kWelcome; }));

    const std::string line = "look\xB1\xB1\n";
    EXPECT_TRUE(c.WriteLine(line));
    ASSERT_TRUE(WaitFor([&] { return server.received == ToBytes(line); }));

    // The server's last words and its hang-up come together; both reach us.
    server.last()->write("bye\r\n");
    server.last()->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return !c.linkActive(); }));
    EXPECT_TRUE(rec.game.endsWith("bye\r\n"));
    EXPECT_EQ(rec.statuses, (QStringList{kTrying, kDirect, kGone}));
    EXPECT_TRUE(rec.failures.isEmpty());
    EXPECT_EQ(rec.linkChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(c.WriteLine("after\n"));
}

TEST(GameConnectionDirect, ByNameThenReconnectWithTheStoredSettings)
{
    GameServer server;
    GameConnection c;
    Recorder rec(c);
    ConnectDirect(c, "localhost", server.port());
    ASSERT_TRUE(WaitFor([&] { return c.IsOpen(); }));

    c.Reconnect();
    ASSERT_TRUE(WaitFor([&] { return server.peers.size() == 2 && c.IsOpen(); }));
    EXPECT_EQ(rec.statuses, (QStringList{kTrying, kDirect, kGone, kTrying, kDirect}));
    EXPECT_EQ(c.settings().hostAddress, "localhost");

    EXPECT_TRUE(c.WriteLine("x\n"));
    ASSERT_TRUE(WaitFor([&] { return server.received == "x\n"; }));
    c.Close();
    ASSERT_TRUE(WaitFor([&] { return !c.linkActive(); }));
    EXPECT_TRUE(rec.failures.isEmpty());
}

TEST(GameConnectionDirect, RefusedConnection)
{
    quint16 closedPort = FreePort();
    GameConnection c;
    Recorder rec(c);
    ConnectDirect(c, "127.0.0.1", closedPort);
    ASSERT_TRUE(WaitFor([&] { return !rec.failures.isEmpty() && !c.linkActive(); }));
    EXPECT_EQ(rec.failures,
              QStringList{QStringLiteral("无法连接到服务器，请检查你输入的地址是否有误！")});
    EXPECT_EQ(rec.statuses.first(), kTrying);
    EXPECT_EQ(rec.statuses.last(), kGone);
}

TEST(GameConnectionDirect, UnusableAddressesAreRefusedBeforeConnecting)
{
    GameConnection c;
    Recorder rec(c);
    ConnectDirect(c, "127.0.0.1.1", 4000);
    ConnectProxied(c, "127.0.0.1", 4000, 1080, true, std::string(256, 'u'), "p");
    c.Connect({"localhost", 4000, true, "127.0.0", 1080, false, "", ""});
    EXPECT_EQ(rec.failures,
              (QStringList{QStringLiteral("服务器地址有误，请检查你输入的地址！"),
                           QStringLiteral("代理服务器用户名或密码太长（最多255字节）！"),
                           QStringLiteral("代理服务器地址有误，请检查你输入的地址！")}));
    // Refused before any socket call: no status can follow.
    EXPECT_TRUE(rec.statuses.isEmpty());
    EXPECT_FALSE(c.linkActive());
}

TEST(GameConnectionFakeProxy, ReplyAndGameTextInOneWriteLoseNothing)
{
    QByteArray reply = Raw({5, 0, 0, 1, 127, 0, 0, 1, 0x1F, 0x90});
    FakeProxy proxy({{3, {Raw({5, 0})}}, {10, {reply + kWelcome}}});
    GameConnection c;
    Recorder rec(c);
    ConnectProxied(c, "10.9.8.7", 0x1234, proxy.port());
    ASSERT_TRUE(WaitFor([&] { return c.IsOpen() && !rec.game.isEmpty(); }));
    EXPECT_EQ(rec.game, kWelcome);
    ASSERT_EQ(proxy.requests.size(), 2u);
    EXPECT_EQ(proxy.requests[0], Raw({5, 1, 0}));
    // The address only travels inside the request; the proxy is a fake on 127.0.0.1.
    EXPECT_EQ(proxy.requests[1], Raw({5, 1, 0, 1, 10, 9, 8, 7, 0x12, 0x34}));
    EXPECT_EQ(rec.statuses, (QStringList{kTrying, kAtProxy, kThrough}));

    EXPECT_TRUE(c.WriteLine("n\n"));
    ASSERT_TRUE(WaitFor([&] { return proxy.afterScript == "n\n"; }));
}

TEST(GameConnectionFakeProxy, RepliesSplitAcrossWrites)
{
    QByteArray reply = Raw({5, 0, 0, 3, 9}) + "localhost" + Raw({0x0F, 0xA0});
    FakeProxy proxy({{4, Singles(Raw({5, 2}))},
                     {11, Singles(Raw({1, 0}))},
                     {7 + 6, Singles(reply, kWelcome.left(3))}});
    GameConnection c;
    Recorder rec(c);
    ConnectProxied(c, "mud.cn", 4000, proxy.port(), true, "usr", "pword");
    // Nothing may be written while the handshake runs.
    ASSERT_TRUE(WaitFor([&] { return proxy.requests.size() == 3; }));
    EXPECT_FALSE(c.WriteLine("early\n"));
    ASSERT_TRUE(WaitFor([&] { return rec.game == kWelcome.left(3); }));
    EXPECT_EQ(proxy.requests[0], Raw({5, 2, 0, 2}));
    EXPECT_EQ(proxy.requests[1], Raw({1, 3}) + "usr" + Raw({5}) + "pword");
    EXPECT_EQ(proxy.requests[2], Raw({5, 1, 0, 3, 6}) + "mud.cn" + Raw({0x0F, 0xA0}));
    EXPECT_EQ(rec.statuses, (QStringList{kTrying, kAtProxy, kThrough}));
    EXPECT_TRUE(proxy.afterScript.isEmpty());
    EXPECT_TRUE(rec.failures.isEmpty());
}

TEST(GameConnectionFakeProxy, RefusedConnectQueuesNoGameText)
{
    FakeProxy proxy({{3, {Raw({5, 0})}}, {13, {Raw({5, 4, 0, 1, 0, 0, 0, 0, 0, 0}) + "junk"}}});
    GameConnection c;
    Recorder rec(c);
    ConnectProxied(c, "mud.cn", 4000, proxy.port());
    ASSERT_TRUE(WaitFor([&] { return !rec.failures.isEmpty() && !c.linkActive(); }));
    EXPECT_EQ(rec.failures, QStringList{QStringLiteral("无法连接到服务器")});
    EXPECT_TRUE(rec.game.isEmpty());
    EXPECT_EQ(rec.statuses.last(), kGone);
    EXPECT_FALSE(c.IsOpen());
}

// The real microsocks proxy, started on 127.0.0.1 for each test.
class Microsocks : public ::testing::Test
{
protected:
    void Start(const QStringList &extra = {})
    {
        ASSERT_TRUE(proxy.Start(extra)) << "microsocks is not installed or did not start";
        proxyPort = proxy.port();
    }

    // Connects through the proxy, exchanges a line each way, and hangs up.
    void RoundTrip(const std::string &host, bool auth, const std::string &user = "",
                   const std::string &password = "")
    {
        GameServer server;
        GameConnection c;
        Recorder rec(c);
        ConnectProxied(c, host, server.port(), proxyPort, auth, user, password);
        ASSERT_TRUE(WaitFor([&] { return c.IsOpen() && server.last(); }))
            << rec.failures.join(" | ").toStdString();
        EXPECT_EQ(rec.statuses, (QStringList{kTrying, kAtProxy, kThrough}));

        server.last()->write(kWelcome);
        ASSERT_TRUE(WaitFor([&] { return rec.game == kWelcome; }));
        EXPECT_TRUE(c.WriteLine("hi\n"));
        ASSERT_TRUE(WaitFor([&] { return server.received == "hi\n"; }));

        server.last()->disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return !c.linkActive(); }));
        EXPECT_EQ(rec.statuses.last(), kGone);
        EXPECT_TRUE(rec.failures.isEmpty());
    }

    testsupport::MicrosocksProcess proxy;
    quint16 proxyPort = 0;
};

TEST_F(Microsocks, WithoutAuthenticationByAddressAndByName)
{
    Start();
    RoundTrip("127.0.0.1", false);
    RoundTrip("localhost", false);
}

TEST_F(Microsocks, WithAuthentication)
{
    Start({"-u", "user", "-P", "pass"});
    RoundTrip("127.0.0.1", true, "user", "pass");
    RoundTrip("localhost", true, "user", "pass");
}

TEST_F(Microsocks, RefusalsOfAnAuthenticatingProxy)
{
    Start({"-u", "user", "-P", "pass"});
    struct Row
    {
        bool auth;
        std::string password;
        QString message;
    };
    std::vector<Row> rows = {
        {true, "wrong", QStringLiteral("您填写的代理服务器用户名和密码有误！连接失败！")},
        {false, "", QStringLiteral("您的代理服务器需要身份验证！请补充好用户名和密码")},
    };
    for (const Row &row : rows) {
        GameServer server;
        GameConnection c;
        Recorder rec(c);
        ConnectProxied(c, "127.0.0.1", server.port(), proxyPort, row.auth, "user", row.password);
        ASSERT_TRUE(WaitFor([&] { return !rec.failures.isEmpty() && !c.linkActive(); }));
        EXPECT_EQ(rec.failures, QStringList{row.message});
        EXPECT_TRUE(server.peers.empty());
        EXPECT_FALSE(c.IsOpen());
    }
}
