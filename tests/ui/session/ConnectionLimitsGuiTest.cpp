// A connection attempt always ends: a proxy that takes the connection and then
// never answers is given up after the time limit, and a proxy that cannot be
// reached is named, not mistaken for the game server. Dotted addresses are
// read one way on both routes.
#include "support/QtWait.h"
#include "ui/session/GameConnection.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

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
