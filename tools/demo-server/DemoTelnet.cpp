#include "DemoTelnet.h"

#include "DemoText.h"

namespace demo {
namespace {

// IAC and the commands used here, as byte strings to glue together.
#define TN_IAC "\xFF"
#define TN_WILL "\xFB"
#define TN_WONT "\xFC"
#define TN_DO "\xFD"
#define TN_SB "\xFA"
#define TN_SE "\xF0"
#define TN_GA "\xF9"
#define TN_EOR "\xEF"
#define TN_NOP "\xF1"
#define TN_ECHO "\x01"

QByteArray Bytes(const char *bytes, qsizetype size)
{
    return QByteArray(bytes, size);
}

} // namespace

QByteArray TelnetShowcase()
{
    // What a real server sent at connect: WILL NAWS, DO NAWS, DO SGA, DO TTYPE,
    // DO NEW-ENVIRON, DO ENVIRON, WILL CHARSET, DO CHARSET (24 bytes).
    static const char kConnect[] = TN_IAC TN_WILL
        "\x19" TN_IAC TN_DO "\x19" TN_IAC TN_DO "\x03" TN_IAC TN_DO "\x18" TN_IAC TN_DO
        "\x1F" TN_IAC TN_DO "\x27" TN_IAC TN_WILL "\x2A" TN_IAC TN_DO "\x2A";
    // A terminal-type request (SB TTYPE SEND), with an IAC IAC inside it.
    static const char kSub[] = TN_IAC TN_SB "\x18\x01" TN_IAC TN_IAC TN_IAC TN_SE;
    QByteArray text = Bytes(kConnect, sizeof kConnect - 1);
    text += GbkLine(SGR("1;36") "【telnet】" RESET "服务器刚才送出了 24 个字节的 telnet 协商。");
    text += Bytes(kSub, sizeof kSub - 1);
    text += Gbk("这一行的中间");
    text += Bytes(TN_IAC TN_NOP, 2);
    text += GbkLine("夹着一个 NOP，之前还有一段子协商。");
    text += GbkLine("如果屏幕上没有出现乱码或问号，客户端就把它们都去掉了。");
    text += Gbk("telnet> ");
    text += Bytes(TN_IAC TN_GA TN_IAC TN_EOR, 4);
    return text;
}

QByteArray PasswordPrompt()
{
    return Bytes(TN_IAC TN_WILL TN_ECHO, 3) + Gbk("请输入密码：");
}

QByteArray PasswordTaken(qsizetype length)
{
    // The player's Enter did not show, so the server ends the prompt's line.
    return Bytes(TN_IAC TN_WONT TN_ECHO, 3) + "\r\n" +
           Gbk(QStringLiteral("密码已收到（%1 个字节），屏幕上看不到它。").arg(length)) + "\r\n";
}

} // namespace demo
