// A memo shows a multi-line command text one line per row; the text itself
// keeps CR LF between its lines (GBK bytes).
#pragma once

#include "render/GbkCodec.h"

#include <string>

#include <QString>

namespace platform {

inline QString TextToMemo(const std::string &text)
{
    return gbk::ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

inline std::string MemoToText(const QString &memo)
{
    return gbk::FromQString(QString(memo).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}

} // namespace platform
