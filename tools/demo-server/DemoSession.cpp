#include "DemoSession.h"

#include "DemoTelnet.h"
#include "DemoText.h"
#include "DemoWorld.h"

#include <QFile>
#include <QTcpSocket>

namespace demo {
namespace {

// A client that never sends a line end must not make the server buffer without
// bound; past this many bytes the pending text is taken as a line of its own.
constexpr qsizetype kMaxLineBytes = 64 * 1024;

// The flood refills the socket's buffer while it holds less than this, so memory
// stays bounded however many lines were asked for.
constexpr qint64 kFloodHighWater = 256 * 1024;
constexpr int kFloodBatchLines = 512;
constexpr qint64 kFloodMaxLines = 100'000'000;

QByteArray TrimSpaces(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\t'))
        ++begin;
    while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t'))
        --end;
    return bytes.mid(begin, end - begin);
}

} // namespace

DemoSession::DemoSession(QTcpSocket *socket, QFile *log, bool negotiate, const QByteArray &encoding,
                         QObject *parent)
    : QObject(parent)
    , socket_(socket)
    , log_(log)
    , negotiation_(negotiate)
{
    wire_.Set(encoding);
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, &DemoSession::ReadIncoming);
    connect(socket_, &QTcpSocket::bytesWritten, this, &DemoSession::PumpFlood);
    connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    Send(negotiation_.Offers() + Banner() + NamePrompt());
}

void DemoSession::ReadIncoming()
{
    QByteArray answers;
    partial_ += negotiation_.Take(socket_->readAll(), answers);
    if (!answers.isEmpty() && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(answers);
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = partial_.indexOf('\n', start);
        if (lf < 0)
            break;
        TakeLine(partial_.mid(start, lf + 1 - start));
        start = lf + 1;
    }
    partial_.remove(0, start);
    if (partial_.size() >= kMaxLineBytes) {
        TakeLine(partial_);
        partial_.clear();
    }
    RunPending();
}

void DemoSession::TakeLine(const QByteArray &raw)
{
    // The log gets the bytes exactly as they came, line end included, and at once:
    // tests compare it with what they sent while the session is still open.
    if (log_) {
        log_->write(raw);
        log_->flush();
    }
    QByteArray line = raw;
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    pending_.append(wire_.In(line));
}

void DemoSession::RunPending()
{
    // While a flood runs, later commands wait so that their answers follow it.
    while (!pending_.isEmpty() && floodLeft_ == 0 && !closing_) {
        const QByteArray line = pending_.takeFirst();
        if (!named_) {
            Login(TrimSpaces(line));
            continue;
        }
        if (awaitingPassword_) {
            TakePassword(line);
            continue;
        }
        const QByteArray trimmed = TrimSpaces(line);
        const qsizetype space = trimmed.indexOf(' ');
        const QByteArray command = (space < 0 ? trimmed : trimmed.left(space)).toLower();
        const QByteArray argument = space < 0 ? QByteArray() : TrimSpaces(trimmed.mid(space + 1));
        RunCommand(command, argument);
    }
}

void DemoSession::Login(const QByteArray &name)
{
    named_ = true;
    name_ = name.isEmpty() ? Gbk("无名氏") : name;
    Send(Gbk(SGR("1;32") "欢迎你，") + name_ +
         GbkLine("！" RESET "输入 " SGR("1;33") "help" RESET " 可以看到所有的命令。"));
    Send(Rooms().at(room_).text);
    SendPrompt();
}

void DemoSession::RunCommand(const QByteArray &command, const QByteArray &argument)
{
    if (command.isEmpty()) {
        // Nothing typed: a fresh prompt, as game servers do.
    } else if (command == "look" || command == "l") {
        Send(Rooms().at(room_).text);
    } else if (const char *direction = DirectionName(command)) {
        Walk(direction);
    } else if (command == "say") {
        Say(argument);
    } else if (command == "dog") {
        Send(DogLine(Gbk("你好")));
    } else if (command == "cls") {
        Send(CLEAR_SCREEN);
    } else if (command == "help") {
        Send(HelpText());
    } else if (command == "telnet") {
        Send(TelnetShowcase());
        return; // the showcase ends with its own prompt
    } else if (command == "negotiation") {
        Send(negotiation_.Report());
    } else if (command == "password") {
        awaitingPassword_ = true;
        Send(PasswordPrompt());
        return;
    } else if (command == "encoding") {
        SwitchEncoding(argument);
    } else if (command == "flood") {
        StartFlood(argument);
        return; // the prompt follows the last flood line
    } else if (command == "quit") {
        Send(GbkLine("再见！"));
        closing_ = true;
        // Closes once everything written so far has gone out.
        socket_->disconnectFromHost();
        return;
    } else {
        Send(GbkLine("什么？"));
    }
    SendPrompt();
}

void DemoSession::TakePassword(const QByteArray &password)
{
    // Only its length is told back: a server never repeats a password.
    awaitingPassword_ = false;
    Send(PasswordTaken(password.size()));
    SendPrompt();
}

void DemoSession::SwitchEncoding(const QByteArray &name)
{
    if (!wire_.Set(name)) {
        Send(GbkLine("用法：encoding utf8|gbk|big5") + Gbk("现在的编码：") + wire_.name() + "\r\n");
        return;
    }
    // Already in the new encoding: the client should read this line right.
    Send(Gbk("编码已切换为 ") + wire_.name() + GbkLine("。"));
}

void DemoSession::Say(const QByteArray &words)
{
    if (words.isEmpty()) {
        Send(GbkLine("你想说什么？"));
        return;
    }
    // The words are echoed as the very bytes received, so whatever GBK text the
    // client sent comes back unchanged.
    Send(Gbk("你说道：") + words + "\r\n");
    Send(DogLine(words));
}

void DemoSession::Walk(const char *direction)
{
    const int target = FollowExit(room_, direction);
    if (target < 0) {
        Send(GbkLine("这个方向没有出路。"));
        return;
    }
    room_ = target;
    const Room &room = Rooms().at(room_);
    Send(room.text);
    if (room.dogGreets)
        Send(DogLine(Gbk("你好")));
}

void DemoSession::StartFlood(const QByteArray &argument)
{
    bool ok = false;
    const qint64 count = argument.toLongLong(&ok);
    if (!ok || count <= 0 || count > kFloodMaxLines) {
        Send(GbkLine("用法：flood <行数>，行数在 1 到 100000000 之间。"));
        SendPrompt();
        return;
    }
    floodLeft_ = count;
    floodSent_ = 0;
    PumpFlood();
}

void DemoSession::PumpFlood()
{
    if (floodLeft_ == 0 || closing_ || socket_->state() != QAbstractSocket::ConnectedState)
        return;
    while (floodLeft_ > 0 && socket_->bytesToWrite() < kFloodHighWater) {
        QByteArray batch;
        batch.reserve(kFloodBatchLines * 96);
        for (int i = 0; i < kFloodBatchLines && floodLeft_ > 0; ++i, --floodLeft_)
            batch += FloodLine(++floodSent_);
        socket_->write(negotiation_.Outgoing(wire_.Out(batch)));
    }
    if (floodLeft_ == 0) {
        SendPrompt();
        RunPending();
    }
}

void DemoSession::Send(const QByteArray &bytes)
{
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(negotiation_.Outgoing(wire_.Out(bytes)));
}

void DemoSession::SendPrompt()
{
    Send("> ");
}

} // namespace demo
