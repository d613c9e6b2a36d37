// A game window against an in-process server that negotiates as a modern
// driver does: it learns the window's size and the terminal types, then sends
// a flood compressed, and the screen holds exactly the flood's lines.
#include "render/GbkCodec.h"
#include "render/ScreenThread.h"
#include "support/HookedFrame.h"
#include "support/MessageLog.h"
#include "support/QtWait.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QLineEdit>

using session::TMDIChild;

using testsupport::FakeGameServer;
using testsupport::WaitFor;

namespace {

QByteArray B(std::initializer_list<int> bytes)
{
    QByteArray s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

QByteArray Deflated(const QByteArray &plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    QByteArray out(static_cast<qsizetype>(size), '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size,
              reinterpret_cast<const Bytef *>(plain.constData()), static_cast<uLong>(plain.size()),
              9);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

// The window size of the last NAWS the server received, or {-1, -1}.
std::pair<int, int> LastNaws(const QByteArray &received)
{
    const QByteArray head = B({255, 250, 31});
    const qsizetype at = received.lastIndexOf(head);
    if (at < 0 || received.size() < at + 9)
        return {-1, -1};
    auto u16 = [&](qsizetype i) {
        return static_cast<unsigned char>(received[i]) * 256 +
               static_cast<unsigned char>(received[i + 1]);
    };
    return {u16(at + 3), u16(at + 5)};
}

struct Session
{
    FakeGameServer server;
    testsupport::HookedFrame dialogs;
    testsupport::MessageLog messages;
    QLineEdit input;
    TMDIChild *w;

    Session()
    {
        server.SetGreeting(B({255, 253, 31, 255, 253, 24, 255, 251, 86}));
        w = new TMDIChild(nullptr, "", &dialogs);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->BindToFrame({&input, 0, nullptr, "", ""});
        w->resize(640, 400);
        w->show();
        w->Connect({"127.0.0.1", server.port(), false, "", 0, false, "", ""},
                   {session::Encoding::kUtf8, true});
        EXPECT_TRUE(WaitFor([this] { return server.connected(); }));
    }
    ~Session() { delete w; }
};

} // namespace

TEST(Negotiation, TheServerLearnsSizeAndTerminalAndItsCompressedFloodIsShownWhole)
{
    Session s;
    ASSERT_TRUE(WaitFor([&] {
        return s.server.received.contains(B({255, 251, 31})) &&
               s.server.received.contains(B({255, 251, 24})) &&
               s.server.received.contains(B({255, 253, 86}));
    }));
    const auto [columns, rows] = LastNaws(s.server.received);
    EXPECT_GT(columns, 40) << "a 640-pixel screen";
    EXPECT_GT(rows, 5);

    for (int i = 0; i < 3; ++i)
        s.server.Send(B({255, 250, 24, 1, 255, 240}));
    ASSERT_TRUE(WaitFor([&] { return s.server.received.contains("MTTS 5"); }));
    const QByteArray answers = s.server.received;
    EXPECT_LT(answers.indexOf("QUORVEL"), answers.indexOf("ANSI"));
    EXPECT_LT(answers.indexOf("ANSI"), answers.indexOf("MTTS 5")) << "ANSI colour and UTF-8";

    // The flood, in UTF-8, compressed from the first byte after the start.
    // Large enough that the road holds inflated text back between reads; the
    // last kCheck lines are within what the store keeps.
    constexpr int kLines = 12000, kCheck = 1500;
    QByteArray flood;
    for (int i = 0; i < kLines; ++i)
        flood += "\x1b[1;3" + QByteArray::number(i % 8) + "m" +
                 QString::fromUtf8("你好 第").toUtf8() + QByteArray::number(i) + " 行\r\n";
    const QByteArray wire = B({255, 250, 86, 255, 240}) + Deflated(flood);
    for (qsizetype at = 0; at < wire.size(); at += 1000)
        s.server.Send(wire.mid(at, 1000));
    // Stored lines keep their line ends.
    auto line = [](int i) { return gbk::FromQString(QStringLiteral("你好 第%1 行\r\n").arg(i)); };
    const std::string last = line(kLines - 1);
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto lines = s.w->screen().StoreSnapshot();
            return !lines.empty() && lines.back().text == last;
        },
        20000));
    const auto lines = s.w->screen().StoreSnapshot();
    ASSERT_GE(lines.size(), static_cast<std::size_t>(kCheck));
    const std::size_t first = lines.size() - kCheck;
    for (int i = 0; i < kCheck; ++i)
        ASSERT_EQ(lines[first + static_cast<std::size_t>(i)].text, line(kLines - kCheck + i)) << i;
    // The server was told the rows the full screen shows once it is painted.
    EXPECT_TRUE(WaitFor([&] { return s.w->screen().ScreenRowCount() == rows; }))
        << rows << " told, " << s.w->screen().ScreenRowCount() << " shown";

    // A new size is told once the resizing has stopped.
    s.w->resize(800, 500);
    ASSERT_TRUE(WaitFor([&] { return LastNaws(s.server.received).first > columns; }));
    EXPECT_GT(LastNaws(s.server.received).second, rows);
    EXPECT_TRUE(s.messages.empty());
}

TEST(Negotiation, ACorruptCompressedStreamClosesTheConnectionWithTheReason)
{
    Session s;
    ASSERT_TRUE(WaitFor([&] { return s.server.received.contains(B({255, 253, 86})); }));
    QByteArray packed = Deflated(QByteArray(5000, 'x'));
    packed[4] = static_cast<char>(packed[4] ^ 0x5A);
    packed[5] = static_cast<char>(packed[5] ^ 0x5A);
    ASSERT_TRUE(s.w->linkActive());
    s.server.Send(B({255, 250, 86, 255, 240}) + packed);
    ASSERT_TRUE(WaitFor([&] { return !s.messages.empty(); }));
    EXPECT_EQ(s.messages.Texts(), QStringList{QStringLiteral("压缩数据出错，连接已关闭")});
    EXPECT_TRUE(WaitFor([&] { return !s.w->linkActive(); }));
}
