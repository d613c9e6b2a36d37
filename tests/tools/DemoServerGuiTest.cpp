// Drives the demo game server over a real socket: the bytes a client sees (GBK,
// CR LF, prompts without line end), the input log, several players, the flood.
#include "core/session/TelnetReceiver.h"
#include "support/TestServers.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace {

constexpr int kWaitMs = 5000;

QByteArray Gbk(const char *utf8)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(QString::fromUtf8(utf8));
}

// The server on a free port, with its input log in a temporary folder.
class DemoServer
{
public:
    explicit DemoServer(const QStringList &extra = {})
        : process_(dir_.filePath(QStringLiteral("received.log")), extra)
    {}
    quint16 Port() const { return process_.port(); }
    QByteArray Log() const { return process_.Log(); }

private:
    QTemporaryDir dir_;
    testsupport::DemoServerProcess process_;
};

// A player connection that reads until the server's output reaches a given point.
class Player
{
public:
    explicit Player(quint16 port) { socket_.connectToHost(QStringLiteral("127.0.0.1"), port); }

    bool Connected() { return socket_.waitForConnected(kWaitMs); }

    // Reads until `done` holds for everything read so far; returns it (also on timeout,
    // so the failing assertion shows what did arrive).
    QByteArray ReadUntil(const std::function<bool(const QByteArray &)> &done)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (!done(got) && timer.elapsed() < kWaitMs) {
            if (socket_.bytesAvailable() == 0)
                socket_.waitForReadyRead(100);
            got += socket_.readAll();
        }
        return got;
    }
    QByteArray ReadUntilEnd(const QByteArray &end)
    {
        return ReadUntil([&](const QByteArray &got) { return got.endsWith(end); });
    }
    // One command's answer: everything up to the next "> " prompt.
    QByteArray Command(const QByteArray &line)
    {
        Send(line);
        return ReadUntilEnd("> ");
    }
    void Send(const QByteArray &bytes)
    {
        socket_.write(bytes);
        socket_.waitForBytesWritten(kWaitMs);
    }
    void Login(const char *name)
    {
        ReadUntilEnd(Gbk("请输入你的英文名字："));
        Command(QByteArray(name) + "\n");
    }
    QTcpSocket &Socket() { return socket_; }

private:
    QTcpSocket socket_;
};

class DemoServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariable("QUORVEL_DEMO_SERVER").isEmpty());
        server_ = std::make_unique<DemoServer>();
        ASSERT_NE(server_->Port(), 0) << "the server did not report its port";
    }
    std::unique_ptr<DemoServer> server_;
};

TEST_F(DemoServerTest, BannerEndsInNamePromptWithoutLineEnd)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    const QByteArray prompt = Gbk("请输入你的英文名字：");
    const QByteArray banner = player.ReadUntilEnd(prompt);
    ASSERT_TRUE(banner.endsWith(prompt)) << banner.toHex().constData();
    EXPECT_TRUE(banner.contains(Gbk("名")));
    EXPECT_TRUE(banner.contains("\x1b[2J"));
    EXPECT_TRUE(banner.contains("\x1b[1;33;44m"));
    // Nothing follows the prompt until the player answers.
    EXPECT_FALSE(player.Socket().waitForReadyRead(200));
    // 0xFF never occurs in GBK text, so its absence also means no telnet negotiation.
    EXPECT_FALSE(banner.contains('\xff'));
    EXPECT_EQ(banner.count("\r\n"), banner.count('\n')) << "a line ended without CR";
}

TEST_F(DemoServerTest, LookAndSayAnswerInGbkAndTheLogKeepsExactBytes)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.ReadUntilEnd(Gbk("请输入你的英文名字："));

    const QByteArray welcome = player.Command("tester\n");
    EXPECT_TRUE(welcome.contains("tester"));
    EXPECT_TRUE(welcome.contains(Gbk("客店")));

    const QByteArray look = player.Command("look\r\n");
    EXPECT_TRUE(look.contains(Gbk("客店")));
    EXPECT_TRUE(look.contains(Gbk("这里明显的出口是 north 和 east。\r\n")));
    EXPECT_TRUE(look.endsWith("\r\n> "));

    const QByteArray say = Gbk("say 你好\n");
    const QByteArray answer = player.Command(say);
    EXPECT_TRUE(answer.contains(Gbk("你说道：你好\r\n"))) << answer.toHex().constData();
    EXPECT_TRUE(answer.contains(Gbk("小狗对你说道：你好\r\n")));

    EXPECT_EQ(server_->Log(), QByteArray("tester\nlook\r\n") + say);
}

TEST_F(DemoServerTest, CommandsAnswerAsInTheTable)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("walker");
    struct Row
    {
        const char *command;
        const char *expected; // UTF-8, must occur in the answer
    };
    // Walks 客店 -> 广场 -> 钟楼 -> 广场 -> 钱庄 -> 广场 -> 客店 -> 马厩 and back.
    const Row rows[] = {
        {"w\n", "这个方向没有出路。\r\n"},
        {"north\n", "中央广场"},
        {"l\n", "这里明显的出口是 north、south、west 和 up。\r\n"},
        {"u\n", "钟楼"},
        {"up\n", "这个方向没有出路。"},
        {"d\n", "中央广场"},
        {"west\n", "这里唯一的出口是 east。\r\n"},
        {"e\r\n", "中央广场"},
        {"s\n", "客店"},
        {"EAST\n", "马厩"},
        {"w\n", "客店"},
        {"dog\n", "小狗对你说道：你好\r\n"},
        {"say\n", "你想说什么？"},
        {"xyzzy\n", "什么？\r\n"},
        {"help\n", "flood"},
        {"help\n", "encoding"},
        {"cls\n", "\x1b[2J"},
        {"\n", ""},
    };
    for (const Row &row : rows) {
        const QByteArray answer = player.Command(row.command);
        EXPECT_TRUE(answer.endsWith("> ")) << row.command;
        EXPECT_TRUE(answer.contains(Gbk(row.expected))) << row.command;
    }
}

TEST_F(DemoServerTest, TheDogGreetsOnlyWhenEnteringItsSquare)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("walker");
    const QByteArray greeting = Gbk("小狗对你说道：你好\r\n");
    EXPECT_FALSE(player.Command("look\n").contains(greeting));
    EXPECT_TRUE(player.Command("n\n").contains(greeting));
    EXPECT_FALSE(player.Command("look\n").contains(greeting));
}

TEST_F(DemoServerTest, LineSplitAcrossPacketsIsOneCommand)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("slow");
    player.Send("lo");
    EXPECT_FALSE(player.Socket().waitForReadyRead(200)) << "answered half a line";
    const QByteArray answer = player.Command("ok\r\n");
    EXPECT_TRUE(answer.contains(Gbk("这里明显的出口是")));
    EXPECT_FALSE(answer.contains(Gbk("什么？")));
    EXPECT_EQ(server_->Log(), QByteArray("slow\nlook\r\n"));
}

TEST_F(DemoServerTest, PlayersKeepTheirOwnRooms)
{
    Player first(server_->Port());
    Player second(server_->Port());
    ASSERT_TRUE(first.Connected());
    ASSERT_TRUE(second.Connected());
    first.Login("first");
    second.Login("second");
    EXPECT_TRUE(first.Command("e\n").contains(Gbk("马厩")));
    EXPECT_TRUE(second.Command("n\n").contains(Gbk("中央广场")));
    EXPECT_TRUE(first.Command("look\n").contains(Gbk("这里唯一的出口是 west。")));
    const QByteArray log = server_->Log();
    EXPECT_EQ(log.count("\n"), 5);
    EXPECT_TRUE(log.contains("first\n") && log.contains("second\n"));
}

TEST_F(DemoServerTest, FloodDeliversEveryLineWithCrLfBeforeTheNextAnswer)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("reader");
    constexpr int kLines = 5000;
    // The second command is already waiting while the flood runs; its answer must
    // come after the last flood line, not in the middle.
    player.Send("flood 5000\nxyzzy\n");
    const QByteArray tail = "\r\n> " + Gbk("什么？") + "\r\n> ";
    const QByteArray got = player.ReadUntilEnd(tail);
    ASSERT_TRUE(got.endsWith(tail)) << "got " << got.size() << " bytes";

    const QByteArray flood = got.left(got.size() - tail.size() + 2);
    const QList<QByteArray> lines = flood.split('\n');
    ASSERT_EQ(lines.size(), kLines + 1); // the piece after the last LF is empty
    EXPECT_TRUE(lines.back().isEmpty());
    int coloured = 0;
    int tabbed = 0;
    for (int i = 0; i < kLines; ++i) {
        const QByteArray &line = lines[i];
        ASSERT_TRUE(line.endsWith('\r')) << "line " << i + 1;
        ASSERT_EQ(line.count('\r'), 1) << "line " << i + 1;
        ASSERT_TRUE(line.contains("#" + QByteArray::number(i + 1) + " ")) << "line " << i + 1;
        coloured += line.contains("\x1b[") ? 1 : 0;
        tabbed += line.contains('\t') ? 1 : 0;
    }
    EXPECT_GT(coloured, kLines / 5);
    EXPECT_LT(coloured, kLines / 2);
    EXPECT_GT(tabbed, 0);
}

TEST_F(DemoServerTest, QuitSaysGoodbyeAndCloses)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("leaver");
    player.Send("quit\n");
    const QByteArray bye = Gbk("再见！\r\n");
    EXPECT_TRUE(player.ReadUntilEnd(bye).endsWith(bye));
    EXPECT_TRUE(player.Socket().state() == QAbstractSocket::UnconnectedState ||
                player.Socket().waitForDisconnected(kWaitMs));
}

} // namespace

// The telnet commands a real server sends, for the client to show none of.
TEST_F(DemoServerTest, TelnetAndPasswordSendTheCommandsRealServersSend)
{
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("tester");

    player.Send("telnet\n");
    const QByteArray showcase = player.ReadUntilEnd(QByteArray("telnet> \xFF\xF9\xFF\xEF", 12));
    const QByteArray burst("\xFF\xFB\x19\xFF\xFD\x19\xFF\xFD\x03\xFF\xFD\x18"
                           "\xFF\xFD\x1F\xFF\xFD\x27\xFF\xFB\x2A\xFF\xFD\x2A",
                           24);
    EXPECT_TRUE(showcase.startsWith(burst)) << showcase.toHex().constData();
    EXPECT_TRUE(showcase.contains(QByteArray("\xFF\xFA\x18\x01\xFF\xFF\xFF\xF0", 8)));

    // The echo is the server's from the prompt until the password is taken.
    player.Send("password\n");
    const QByteArray prompt = player.ReadUntilEnd(Gbk("请输入密码："));
    EXPECT_TRUE(prompt.startsWith(QByteArray("\xFF\xFB\x01", 3))) << prompt.toHex().constData();
    const QByteArray taken = player.Command("hunter22\n");
    EXPECT_TRUE(taken.startsWith(QByteArray("\xFF\xFC\x01\r\n", 5))) << taken.toHex().constData();
    EXPECT_TRUE(taken.contains(Gbk("密码已收到（8 个字节）")));
    EXPECT_FALSE(taken.contains("hunter22"));
    // Back to ordinary commands.
    EXPECT_TRUE(player.Command("look\n").contains(Gbk("客店")));
}

// With --negotiate: the client's own telnet stage answers the offers, the
// server compresses, and `negotiation` tells what it learnt.
TEST_F(DemoServerTest, NegotiatingServerCompressesAndKnowsTheWindow)
{
    DemoServer server({QStringLiteral("--negotiate")});
    ASSERT_NE(server.Port(), 0);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
    ASSERT_TRUE(socket.waitForConnected(kWaitMs));
    session::TelnetReceiver client;
    std::string sizeReply;
    client.SetWindowSize(100, 40, sizeReply);
    std::string text;
    qint64 wire = 0;
    auto readUntil = [&](const QByteArray &end) {
        QElapsedTimer timer;
        timer.start();
        while (!QByteArray::fromStdString(text).endsWith(end) && timer.elapsed() < kWaitMs) {
            if (socket.bytesAvailable() == 0)
                socket.waitForReadyRead(100);
            const QByteArray got = socket.readAll();
            wire += got.size();
            session::TelnetOutput out;
            client.FeedAll(got.toStdString(), out);
            text += out.text;
            if (!out.replies.empty())
                socket.write(out.replies.data(), qint64(out.replies.size()));
        }
        return QByteArray::fromStdString(text);
    };
    ASSERT_TRUE(readUntil(Gbk("请输入你的英文名字：")).endsWith(Gbk("请输入你的英文名字：")));
    socket.write("tester\n");
    readUntil("> ");
    // The terminal types take a few round trips: ask until the last is told.
    QByteArray report;
    QElapsedTimer asking;
    asking.start();
    do {
        text.clear();
        socket.write("negotiation\n");
        report = readUntil("> ");
    } while (!report.contains("MTTS") && asking.elapsed() < kWaitMs);
    EXPECT_TRUE(client.compressing());
    EXPECT_TRUE(report.contains(Gbk("MCCP2 压缩：已开启"))) << report.constData();
    EXPECT_TRUE(report.contains(Gbk("窗口大小：100 列 × 40 行")));
    EXPECT_TRUE(report.contains(Gbk("终端类型：QUORVEL, ANSI, MTTS 1")));
    EXPECT_TRUE(report.contains(Gbk("字符集：GBK")));
    // A flood arrives whole, in far fewer bytes than it holds.
    text.clear();
    wire = 0;
    socket.write("flood 2000\n");
    const QByteArray flood = readUntil("> ");
    EXPECT_EQ(flood.count("\r\n"), 2000);
    EXPECT_LT(wire * 2, flood.size());
    EXPECT_FALSE(client.broken());
}

// The same server for a client that answers nothing: the offers, then the
// game as before, uncompressed.
TEST_F(DemoServerTest, NegotiatingServerPlaysAsBeforeForASilentClient)
{
    DemoServer server({QStringLiteral("--negotiate")});
    Player player(server.Port());
    ASSERT_TRUE(player.Connected());
    const QByteArray banner = player.ReadUntilEnd(Gbk("请输入你的英文名字："));
    EXPECT_TRUE(
        banner.startsWith(QByteArray("\xFF\xFB\x56\xFF\xFD\x1F\xFF\xFD\x18\xFF\xFB\x2A", 12)))
        << banner.toHex().constData();
    EXPECT_EQ(banner.count('\xff'), 4);
    player.Command("tester\n");
    EXPECT_TRUE(player.Command("look\n").contains(Gbk("客店")));
    EXPECT_TRUE(player.Command("negotiation\n").contains(Gbk("MCCP2 压缩：未开启")));
}

TEST_F(DemoServerTest, EncodingCommandSwitchesWhatIsSentAndRead)
{
    auto encode = [](const char *utf8, const char *name) {
        QStringEncoder encoder(name);
        return QByteArray(encoder.encode(QString::fromUtf8(utf8)));
    };
    Player player(server_->Port());
    ASSERT_TRUE(player.Connected());
    player.Login("tester");
    // The answer to the switch is already in the new encoding; so is a room,
    // and words said in it come back as they were sent.
    EXPECT_TRUE(player.Command("encoding utf8\n").contains("编码已切换为 UTF-8"));
    EXPECT_TRUE(player.Command("look\n").contains("这里明显的出口是 north 和 east。\r\n"));
    EXPECT_TRUE(player.Command("say 你好，𠀀\n").contains("你说道：你好，?\r\n"));

    EXPECT_TRUE(player.Command("encoding big5\n").contains(encode("編碼已切換為 Big5", "Big5")));
    const QByteArray look = player.Command("look\n");
    EXPECT_TRUE(look.contains(encode("這裡明顯的出口是 north 和 east。\r\n", "Big5")))
        << look.toHex().constData();
    const QByteArray said = encode("say 許功夫", "Big5");
    EXPECT_TRUE(player.Command(said + "\n").contains(encode("你說道：許功夫\r\n", "Big5")));

    EXPECT_TRUE(player.Command("encoding latin1\n").contains(encode("用法：encoding", "Big5")));
    EXPECT_TRUE(player.Command("encoding gbk\n").contains(Gbk("编码已切换为 GBK")));
    // The log keeps the bytes exactly as they came, in whatever encoding.
    EXPECT_TRUE(server_->Log().contains(said + "\n"));
}
