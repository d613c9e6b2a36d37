#include "DemoNegotiation.h"

#include "DemoText.h"

#include <zlib.h>

namespace demo {
namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                        kSe = 240;
constexpr unsigned char kTtype = 24, kNaws = 31, kCharset = 42, kMccp2 = 86;
constexpr int kMaxSub = 4096;        // longer subnegotiations are not kept
constexpr int kMaxTerminalTypes = 4; // the client repeats its last one anyway

QByteArray Command(unsigned char verb, unsigned char option)
{
    const char bytes[3] = {char(kIac), char(verb), char(option)};
    return QByteArray(bytes, 3);
}

QByteArray Sub(unsigned char option, const QByteArray &data)
{
    const char start[3] = {char(kIac), char(kSb), char(option)};
    const char end[2] = {char(kIac), char(kSe)};
    return QByteArray(start, 3) + data + QByteArray(end, 2);
}

} // namespace

struct DemoNegotiation::Deflater
{
    z_stream z{};
    Deflater() { deflateInit(&z, Z_DEFAULT_COMPRESSION); }
    ~Deflater() { deflateEnd(&z); }
};

DemoNegotiation::DemoNegotiation(bool offer)
    : offer_(offer)
{}

DemoNegotiation::~DemoNegotiation() = default;

QByteArray DemoNegotiation::Offers() const
{
    if (!offer_)
        return {};
    return Command(kWill, kMccp2) + Command(kDo, kNaws) + Command(kDo, kTtype) +
           Command(kWill, kCharset);
}

QByteArray DemoNegotiation::Take(const QByteArray &bytes, QByteArray &wire)
{
    QByteArray text;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (state_) {
        case State::Text:
            if (c == kIac)
                state_ = State::Iac;
            else
                text += ch;
            break;
        case State::Iac:
            state_ = State::Text;
            if (c == kIac) {
                text += ch;
            } else if (c >= kWill && c <= kDont) {
                verb_ = c;
                state_ = State::Verb;
            } else if (c == kSb) {
                sub_.clear();
                state_ = State::SubOption;
            }
            break;
        case State::Verb:
            state_ = State::Text;
            Verb(verb_, c, wire);
            break;
        case State::SubOption:
            subOption_ = c;
            state_ = State::Sub;
            break;
        case State::Sub:
            if (c == kIac)
                state_ = State::SubIac;
            else if (sub_.size() < kMaxSub)
                sub_ += ch;
            break;
        case State::SubIac:
            if (c == kSe) {
                state_ = State::Text;
                SubDone(wire);
            } else {
                if (c == kIac && sub_.size() < kMaxSub)
                    sub_ += ch;
                state_ = State::Sub;
            }
            break;
        }
    }
    return text;
}

void DemoNegotiation::Verb(unsigned char verb, unsigned char option, QByteArray &wire)
{
    // Only answers to our own offers matter; the `telnet` showcase's offers
    // are there to be seen, not agreed.
    if (!offer_)
        return;
    switch (option) {
    case kMccp2:
        if (verb == kDo && !deflater_)
            StartCompression(wire);
        mccpRefused_ = verb == kDont;
        break;
    case kNaws:
        nawsRefused_ = verb == kWont;
        break;
    case kTtype:
        ttypeRefused_ = verb == kWont;
        if (verb == kWill && terminalTypes_.isEmpty())
            wire += Outgoing(Sub(kTtype, QByteArray(1, '\x01')));
        break;
    case kCharset:
        charsetRefused_ = verb == kDont;
        if (verb == kDo)
            wire += Outgoing(Sub(kCharset, QByteArray("\x01;GBK", 5)));
        break;
    default:
        break;
    }
}

void DemoNegotiation::SubDone(QByteArray &wire)
{
    if (subOption_ == kNaws && sub_.size() == 4) {
        const auto b = [&](int i) { return static_cast<unsigned char>(sub_[i]); };
        columns_ = b(0) * 256 + b(1);
        rows_ = b(2) * 256 + b(3);
    } else if (subOption_ == kTtype && sub_.startsWith('\0')) {
        const QByteArray name = sub_.mid(1);
        // Asked again until the answer repeats, as the convention goes.
        const bool repeated = !terminalTypes_.isEmpty() && terminalTypes_.last() == name;
        if (!repeated)
            terminalTypes_.append(name);
        if (offer_ && !repeated && terminalTypes_.size() < kMaxTerminalTypes)
            wire += Outgoing(Sub(kTtype, QByteArray(1, '\x01')));
    } else if (subOption_ == kCharset && sub_.startsWith('\x02')) {
        charset_ = sub_.mid(1);
    } else if (subOption_ == kCharset && sub_.startsWith('\x03')) {
        charsetRejected_ = true;
    }
}

void DemoNegotiation::StartCompression(QByteArray &wire)
{
    // The start goes out plain; every byte after it is compressed.
    wire += Outgoing(Sub(kMccp2, {}));
    deflater_ = std::make_unique<Deflater>();
}

QByteArray DemoNegotiation::Outgoing(const QByteArray &bytes)
{
    plainBytes_ += bytes.size();
    if (!deflater_) {
        wireBytes_ += bytes.size();
        return bytes;
    }
    // A sync flush per write: the client can show each answer as it comes.
    z_stream &z = deflater_->z;
    QByteArray out;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    z.avail_in = static_cast<uInt>(bytes.size());
    char buffer[16384];
    do {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, Z_SYNC_FLUSH);
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - z.avail_out));
    } while (z.avail_out == 0);
    wireBytes_ += out.size();
    return out;
}

QByteArray DemoNegotiation::Report() const
{
    QByteArray r = GbkLine(SGR("1;36") "【协商】" RESET);
    if (!offer_)
        r += GbkLine("  本服务器没有用 --negotiate 启动，连接时不发出协商。");
    if (deflater_)
        r += Gbk(QStringLiteral("  MCCP2 压缩：已开启，送出 %1 字节文字，线路上只有 %2 字节")
                     .arg(plainBytes_)
                     .arg(wireBytes_)) +
             "\r\n";
    else
        r += mccpRefused_ ? GbkLine("  MCCP2 压缩：客户端拒绝") : GbkLine("  MCCP2 压缩：未开启");
    if (columns_ > 0 || rows_ > 0)
        r += Gbk(QStringLiteral("  窗口大小：%1 列 × %2 行").arg(columns_).arg(rows_)) + "\r\n";
    else
        r += nawsRefused_ ? GbkLine("  窗口大小：客户端拒绝") : GbkLine("  窗口大小：未告知");
    if (!terminalTypes_.isEmpty())
        r += Gbk("  终端类型：") + terminalTypes_.join(", ") + "\r\n";
    else
        r += ttypeRefused_ ? GbkLine("  终端类型：客户端拒绝") : GbkLine("  终端类型：未告知");
    if (!charset_.isEmpty())
        r += Gbk("  字符集：") + charset_ + "\r\n";
    else if (charsetRejected_ || charsetRefused_)
        r += GbkLine("  字符集：客户端拒绝");
    else
        r += GbkLine("  字符集：未协商");
    return r;
}

} // namespace demo
