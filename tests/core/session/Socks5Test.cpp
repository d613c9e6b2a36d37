#include "core/session/Socks5.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace session;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

ConnectSettings Proxied(std::string host, bool auth, std::string user = "",
                        std::string password = "")
{
    ConnectSettings s;
    s.hostAddress = std::move(host);
    s.hostPort = 4000;
    s.useProxy = true;
    s.proxyHost = "127.0.0.1";
    s.proxyPort = 1080;
    s.proxyAuth = auth;
    s.proxyUser = std::move(user);
    s.proxyPassword = std::move(password);
    return s;
}

// The whole step sequence of one handshake, fed whole or one byte at a time.
struct Outcome
{
    std::string sent;
    std::string game;
    Socks5Failure failure = Socks5Failure::None;
    bool connected = false;
};

Outcome Drive(Socks5Handshake &h, const std::string &fromProxy, bool byteByByte)
{
    Outcome out;
    auto take = [&](const Socks5Step &step) {
        out.sent += step.send;
        out.game += step.gameBytes;
        if (step.failure != Socks5Failure::None)
            out.failure = step.failure;
        out.connected = out.connected || step.connected;
    };
    if (byteByByte) {
        for (char c : fromProxy)
            take(h.Feed(std::string_view(&c, 1)));
    } else {
        take(h.Feed(fromProxy));
    }
    return out;
}

const std::string kConnectOk = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x04, 0x38});

} // namespace

TEST(Socks5Address, LetterRuleAndDottedForm)
{
    EXPECT_TRUE(HasLetter("mud.example"));
    EXPECT_TRUE(HasLetter("10.0.0.Z"));
    EXPECT_FALSE(HasLetter("127.0.0.1"));
    EXPECT_FALSE(HasLetter(""));
    // 0xB0 0x61 is one double-byte character: its second byte is no letter.
    EXPECT_FALSE(HasLetter("1.2\xB0\x61"));

    auto a = ParseDottedIPv4("192.168.0.255");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ((*a)[0], 192);
    EXPECT_EQ((*a)[3], 255);
    // Leading zeros are decimal, never octal: both routes connect by this reading.
    EXPECT_EQ(ParseDottedIPv4("192.168.001.010"), (std::array<std::uint8_t, 4>{192, 168, 1, 10}));
    EXPECT_EQ(ParseDottedIPv4("08.1.1.1"), (std::array<std::uint8_t, 4>{8, 1, 1, 1}));
    for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.4 ", " 1.2.3.4",
                            "1.2.3.0004", "1.2.3.-4", "::1"})
        EXPECT_FALSE(ParseDottedIPv4(bad).has_value()) << bad;
}

TEST(Socks5Messages, ByteLayouts)
{
    EXPECT_EQ(BuildGreeting(false), Bytes({5, 1, 0}));
    EXPECT_EQ(BuildGreeting(true), Bytes({5, 2, 0, 2}));

    std::string creds = BuildCredentials("abc", "12345");
    EXPECT_EQ(creds.size(), 11u);
    EXPECT_EQ(creds, Bytes({1, 3}) + "abc" + Bytes({5}) + "12345");

    EXPECT_EQ(BuildConnectRequest("mud.cn", 0x1234),
              Bytes({5, 1, 0, 3, 6}) + "mud.cn" + Bytes({0x12, 0x34}));
    std::string byAddress = BuildConnectRequest("10.1.2.254", 23);
    EXPECT_EQ(byAddress, Bytes({5, 1, 0, 1, 10, 1, 2, 254, 0, 23}));
    // Only the low 16 bits of the port go on the wire, most significant first.
    EXPECT_EQ(BuildConnectRequest("1.1.1.1", 0x1ABCD).substr(8), Bytes({0xAB, 0xCD}));
}

TEST(Socks5Settings, RefusedBeforeAnythingIsSent)
{
    std::string longest(255, 'a');
    std::string tooLong(256, 'a');
    struct Row
    {
        ConnectSettings settings;
        Socks5Failure expected;
    };
    ConnectSettings direct;
    direct.hostAddress = "127.0.0.1.1";
    ConnectSettings directName;
    directName.hostAddress = tooLong; // only the CONNECT length byte limits a name
    ConnectSettings badProxy = Proxied("mud.cn", false);
    badProxy.proxyHost = "300.1.1.1";
    std::vector<Row> rows = {
        {direct, Socks5Failure::BadHostAddress},
        {directName, Socks5Failure::None},
        {Proxied("1.2.3", false), Socks5Failure::BadHostAddress},
        {badProxy, Socks5Failure::BadProxyAddress},
        {Proxied(longest, false), Socks5Failure::None},
        {Proxied(tooLong, false), Socks5Failure::HostNameTooLong},
        {Proxied("mud.cn", true, longest, longest), Socks5Failure::None},
        {Proxied("mud.cn", true, tooLong, "p"), Socks5Failure::CredentialsTooLong},
        {Proxied("mud.cn", true, "u", tooLong), Socks5Failure::CredentialsTooLong},
        // Without authentication the credentials are never sent.
        {Proxied("mud.cn", false, tooLong, tooLong), Socks5Failure::None},
    };
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(CheckSettings(rows[i].settings), rows[i].expected) << "row " << i;
    EXPECT_FALSE(FailureText(Socks5Failure::CredentialsTooLong).empty());
}

TEST(Socks5Handshake, DecisionTable)
{
    struct Row
    {
        const char *name;
        bool auth;
        std::vector<std::string> replies; // one reply per stage reached
        Socks5Failure failure;
        int stage;
        bool connected;
    };
    std::string creds = BuildCredentials("usr", "pword");
    std::string connect = BuildConnectRequest("mud.cn", 4000);
    std::vector<Row> rows = {
        {"no auth, method 0, CONNECT ok",
         false,
         {Bytes({5, 0}), kConnectOk},
         Socks5Failure::None,
         2,
         true},
        {"no auth, CONNECT refused",
         false,
         {Bytes({5, 0}), Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})},
         Socks5Failure::ConnectRefused,
         2,
         false},
        {"no auth, method 2", false, {Bytes({5, 2})}, Socks5Failure::ProxyNeedsAuth, 0, false},
        {"no auth, no method", false, {Bytes({5, 0xFF})}, Socks5Failure::ProxyNeedsAuth, 0, false},
        {"auth, method 2, accepted, ok",
         true,
         {Bytes({5, 2}), Bytes({1, 0}), kConnectOk},
         Socks5Failure::None,
         2,
         true},
        {"auth, method 0", true, {Bytes({5, 0})}, Socks5Failure::ProxyRefusedMethod, 0, false},
        {"auth, no method", true, {Bytes({5, 0xFF})}, Socks5Failure::ProxyRefusedMethod, 0, false},
        {"auth, bad credentials",
         true,
         {Bytes({5, 2}), Bytes({1, 1})},
         Socks5Failure::BadCredentials,
         1,
         false},
        {"auth, CONNECT refused",
         true,
         {Bytes({5, 2}), Bytes({1, 0}), Bytes({5, 1})},
         Socks5Failure::ConnectRefused,
         2,
         false},
    };
    for (const Row &row : rows) {
        for (bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (byteByByte ? ", byte by byte" : ", whole"));
            Socks5Handshake h(Proxied("mud.cn", row.auth, "usr", "pword"));
            EXPECT_EQ(h.Greeting(), BuildGreeting(row.auth));
            Outcome total;
            for (const std::string &reply : row.replies) {
                Outcome o = Drive(h, reply, byteByByte);
                total.sent += o.sent;
                total.game += o.game;
                if (o.failure != Socks5Failure::None)
                    total.failure = o.failure;
                total.connected = total.connected || o.connected;
            }
            EXPECT_EQ(total.failure, row.failure);
            EXPECT_EQ(h.proxyStage(), row.stage);
            EXPECT_EQ(total.connected, row.connected);
            EXPECT_EQ(h.gameStream(), row.connected);
            EXPECT_TRUE(total.game.empty());
            // What was sent follows from the stages passed.
            std::string expectedSent;
            if (row.auth && row.replies[0] == Bytes({5, 2}))
                expectedSent += creds;
            if (row.stage == 2)
                expectedSent += connect;
            EXPECT_EQ(total.sent, expectedSent);
        }
    }
}

TEST(Socks5Handshake, AHalfReplyIsNotJudged)
{
    // A lone version byte used to be read with a zero status behind it: success.
    Socks5Handshake h(Proxied("mud.cn", false));
    h.Greeting();
    Socks5Step step = h.Feed(Bytes({5}));
    EXPECT_TRUE(step.send.empty());
    EXPECT_EQ(h.proxyStage(), 0);
    h.Feed(Bytes({0}));
    EXPECT_EQ(h.proxyStage(), 2);

    // A CONNECT reply missing its port is not yet a confirmation.
    step = h.Feed(kConnectOk.substr(0, 9));
    EXPECT_FALSE(step.connected);
    EXPECT_FALSE(h.gameStream());
    step = h.Feed(kConnectOk.substr(9));
    EXPECT_TRUE(step.connected);
}

TEST(Socks5Handshake, GameBytesAfterTheConnectReplyAreKept)
{
    const std::string game = "\xC7\xEB\xCA\xE4\xC8\xEB\xC3\xFB\xD7\xD6: ";
    struct Row
    {
        const char *name;
        std::string reply;
    };
    std::string ipv6 = Bytes({5, 0, 0, 4}) + std::string(16, '\x01') + Bytes({0, 80});
    std::vector<Row> rows = {
        {"IPv4", kConnectOk},
        {"domain", Bytes({5, 0, 0, 3, 9}) + "localhost" + Bytes({0x1F, 0x90})},
        {"IPv6", ipv6},
    };
    for (const Row &row : rows) {
        for (bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (byteByByte ? " byte by byte" : " whole"));
            Socks5Handshake h(Proxied("mud.cn", false));
            h.Greeting();
            Outcome o = Drive(h, Bytes({5, 0}) + row.reply + game, byteByByte);
            EXPECT_TRUE(o.connected);
            EXPECT_EQ(o.game, game);
            // After the reply every byte is game text, whatever it looks like.
            EXPECT_EQ(h.Feed(Bytes({5, 1, 0})).gameBytes, Bytes({5, 1, 0}));
        }
    }
}

TEST(Socks5Handshake, UnknownAddressTypeAndLateBytesAfterAFailure)
{
    Socks5Handshake h(Proxied("mud.cn", false));
    h.Greeting();
    h.Feed(Bytes({5, 0}));
    Socks5Step step = h.Feed(Bytes({5, 0, 0, 9, 1, 2}));
    EXPECT_EQ(step.failure, Socks5Failure::MalformedReply);
    EXPECT_FALSE(h.gameStream());
    // Nothing more comes out of a failed handshake.
    step = h.Feed(kConnectOk + "text");
    EXPECT_FALSE(step.connected);
    EXPECT_TRUE(step.gameBytes.empty());
    EXPECT_TRUE(step.send.empty());

    // A new greeting starts over.
    EXPECT_EQ(h.Greeting(), BuildGreeting(false));
    EXPECT_FALSE(h.failed());
    EXPECT_EQ(h.Feed(Bytes({5, 0})).send, BuildConnectRequest("mud.cn", 4000));
}
