#include "render/GbkCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QString ToQString(std::string_view bytes)
{
    // A decoder keeps state between calls; a fresh one per call keeps it thread-safe.
    QStringDecoder decoder("GB18030");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string FromQString(const QString &text)
{
    QStringEncoder encoder("GB18030");
    QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace gbk
