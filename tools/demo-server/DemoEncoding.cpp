#include "DemoEncoding.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

#include <QByteArrayView>
#include <QHash>
#include <QString>

namespace demo {
namespace {

// `in` converted from `from` to `to`; a character that does not convert
// becomes "?" (so does each byte of an unfinished one at the end).
QByteArray Convert(const QByteArray &in, const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return in;
    const bool fromUtf8 = qstrcmp(from, "UTF-8") == 0;
    QByteArray out;
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
        if (r != static_cast<size_t>(-1) || err == E2BIG)
            continue;
        // One "?" a character: from UTF-8, its continuation bytes go with it.
        out += '?';
        do {
            ++inPtr;
            --inLeft;
        } while (fromUtf8 && inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80);
    }
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
    iconv_close(cd);
    return out;
}

// Simplified characters of the demo's texts that Big5 lacks, with the
// traditional forms a Big5 server would write instead.
const QHash<QChar, QChar> &Traditional()
{
    static const QHash<QChar, QChar> map = [] {
        const QString pairs = QStringLiteral(
            "专專临臨们們伤傷兑兌写寫击擊协協卖賣卫衛历歷圆圓场場宽寬宾賓对對尽盡应應开開张張"
            "归歸当當录錄戏戲战戰拨撥择擇换換摇搖数數时時显顯来來栏欄树樹楼樓欢歡没沒牵牽盘盤"
            "码碼粪糞线線绵綿绸綢缎緞编編让讓议議许許试試话話该該说說请請调調谣謠贴貼转轉过過"
            "这這远遠连連选選钱錢铺鋪错錯闲閒阔闊阵陣顶頂颜顏验驗鲜鮮见見么麼为為从從样樣还還"
            "发發无無门門气氣里裡东東乐樂个個边邊头頭动動问問进進离離");
        QHash<QChar, QChar> m;
        for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
            m.insert(pairs.at(i), pairs.at(i + 1));
        return m;
    }();
    return map;
}

QByteArray TextOut(const QByteArray &gbk, WireEncoding::Kind kind)
{
    QByteArray utf8 = Convert(gbk, "UTF-8", "GBK");
    if (kind == WireEncoding::Kind::kUtf8)
        return utf8;
    QString text = QString::fromUtf8(utf8);
    for (QChar &c : text)
        c = Traditional().value(c, c);
    return Convert(text.toUtf8(), "BIG5-HKSCS", "UTF-8");
}

// Length of the telnet command at `at` (an IAC).
qsizetype TelnetLength(const QByteArray &bytes, qsizetype at)
{
    if (at + 1 >= bytes.size())
        return 1;
    const auto verb = static_cast<unsigned char>(bytes[at + 1]);
    if (verb >= 251 && verb <= 254)
        return std::min<qsizetype>(3, bytes.size() - at);
    if (verb == 250) { // IAC SB ... IAC SE
        const qsizetype end = bytes.indexOf("\xFF\xF0", at + 2);
        return end < 0 ? bytes.size() - at : end + 2 - at;
    }
    return 2;
}

} // namespace

WireEncoding::WireEncoding() = default;
WireEncoding::~WireEncoding() = default;

bool WireEncoding::Set(const QByteArray &name)
{
    const QByteArray n = name.toLower();
    if (n == "gbk")
        kind_ = Kind::kGbk;
    else if (n == "utf8" || n == "utf-8")
        kind_ = Kind::kUtf8;
    else if (n == "big5")
        kind_ = Kind::kBig5;
    else
        return false;
    return true;
}

const char *WireEncoding::name() const
{
    switch (kind_) {
    case Kind::kUtf8:
        return "UTF-8";
    case Kind::kBig5:
        return "Big5";
    case Kind::kGbk:
        break;
    }
    return "GBK";
}

QByteArray WireEncoding::Out(const QByteArray &gbk) const
{
    if (kind_ == Kind::kGbk)
        return gbk;
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = gbk.indexOf('\xFF'); i >= 0; i = gbk.indexOf('\xFF', start)) {
        out += TextOut(gbk.mid(start, i - start), kind_);
        const qsizetype n = TelnetLength(gbk, i);
        out += gbk.mid(i, n);
        start = i + n;
    }
    out += TextOut(gbk.mid(start), kind_);
    return out;
}

QByteArray WireEncoding::In(const QByteArray &wire) const
{
    if (kind_ == Kind::kGbk)
        return wire;
    return Convert(wire, "GBK", kind_ == Kind::kUtf8 ? "UTF-8" : "BIG5-HKSCS");
}

} // namespace demo
