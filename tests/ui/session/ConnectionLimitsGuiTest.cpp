// A connection attempt always ends: a proxy that takes the connection and then
// never answers is given up after the time limit, and a proxy that cannot be
// reached is named, not mistaken for the game server. Dotted addresses are
// read one way on both routes.
#include "support/QtWait.h"
#include "ui/session/GameConnection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

using session::GameConnection;

namespace {

using testsupport::WaitFor;

struct Failures
{
    explicit Failures(GameConnection &c)
    {
        QObject::connect(&c, &GameConnection::failure, [this](const QString &t) { texts << t; });
    }
    QStringList texts;
};

session::ConnectSettings ThroughProxy(quint16 proxyPort, bool auth)
{
    return {"game.example", 4000, true, "127.0.0.1", proxyPort, auth, "user", "secret"};
}

// A peer that takes the connection and never says a word.
struct SilentPeer
{
    SilentPeer() { server.listen(QHostAddress::LocalHost, 0); }
    QTcpServer server;
};

TEST(ConnectTimeLimit, SilentProxyIsGivenUpNamingIt)
{
    for (bool auth : {false, true}) {
        SilentPeer proxy;
        GameConnection c;
        Failures failed(c);
        c.SetConnectTimeLimit(200);
        c.Connect(ThroughProxy(proxy.server.serverPort(), auth));
        ASSERT_TRUE(WaitFor([&] { return !failed.texts.isEmpty(); }, 10000));
        ASSERT_EQ(failed.texts.size(), 1);
        const QString named = QStringLiteral("127.0.0.1:%1").arg(proxy.server.serverPort());
        EXPECT_TRUE(failed.texts[0].contains(QStringLiteral("代理服务器")))
            << failed.texts[0].toStdString();
        EXPECT_TRUE(failed.texts[0].contains(named)) << failed.texts[0].toStdString();
        EXPECT_FALSE(c.linkActive());
        EXPECT_FALSE(c.IsOpen());
    }
}

// A game server whose accept queue is full: the kernel drops every further
// SYN, so a connection to it is never completed.
struct FullListener
{
    FullListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(fd, 0) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        port = ntohs(address.sin_port);
        // The one connection the queue holds, never accepted.
        filler.connectToHost(QHostAddress::LocalHost, port);
        filled = filler.waitForConnected(5000);
    }
    ~FullListener()
    {
        filler.abort();
        if (fd >= 0)
            ::close(fd);
    }
    int fd = -1;
    quint16 port = 0;
    QTcpSocket filler;
    bool filled = false;
};

TEST(ConnectTimeLimit, UnansweredGameServerIsGivenUpNamingIt)
{
    FullListener server;
    ASSERT_TRUE(server.filled);
    GameConnection c;
    Failures failed(c);
    c.SetConnectTimeLimit(200);
    c.Connect({"127.0.0.1", server.port, false, "", 0, false, "", ""});
    ASSERT_TRUE(WaitFor([&] { return !failed.texts.isEmpty(); }, 10000));
    EXPECT_EQ(
        failed.texts[0],
        QStringLiteral("连接服务器 127.0.0.1:%1 超过1秒没有成功，请检查你输入的地址是否有误！")
            .arg(server.port));
    EXPECT_FALSE(c.linkActive());
}

TEST(ConnectTimeLimit, EndsWhenGameTextFlows)
{
    testsupport::FakeGameServer server;
    server.SetGreeting("welcome\n");
    GameConnection c;
    Failures failed(c);
    c.Connect({"127.0.0.1", server.port(), false, "", 0, false, "", ""});
    EXPECT_TRUE(c.waitingToConnect());
    QByteArray text;
    QObject::connect(&c, &GameConnection::gameText, [&](const QByteArray &b) { text += b; });
    ASSERT_TRUE(WaitFor([&] { return text == "welcome\n"; }));
    EXPECT_FALSE(c.waitingToConnect());
    EXPECT_TRUE(failed.texts.isEmpty());
}

TEST(ProxyUnreachable, ClosedProxyPortIsReportedAsTheProxy)
{
    quint16 closed = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closed = probe.serverPort();
    }
    GameConnection c;
    Failures failed(c);
    c.Connect(ThroughProxy(closed, false));
    ASSERT_TRUE(WaitFor([&] { return !failed.texts.isEmpty(); }));
    EXPECT_EQ(failed.texts[0],
              QStringLiteral("无法连接到代理服务器 127.0.0.1:%1，请检查代理服务器的地址和端口！")
                  .arg(closed));
}

TEST(DottedAddress, DirectRouteReadsDecimalLikeTheProxyRoute)
{
    // "127.0.0.010" is 127.0.0.10 read in decimal, 127.0.0.8 read in octal;
    // only the first listens.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.10")), 0));
    GameConnection c;
    Failures failed(c);
    c.Connect({"127.0.0.010", server.serverPort(), false, "", 0, false, "", ""});
    ASSERT_TRUE(WaitFor([&] { return server.hasPendingConnections() || !failed.texts.isEmpty(); }));
    EXPECT_TRUE(failed.texts.isEmpty()) << failed.texts.join(' ').toStdString();
    EXPECT_TRUE(server.hasPendingConnections());
}

} // namespace
