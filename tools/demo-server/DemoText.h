// Text building for the demo server: everything it sends is GBK bytes with CR LF
// line ends, written in the source as UTF-8 literals with ANSI escapes.
#pragma once

#include <QByteArray>
#include <QString>

// One SGR escape, e.g. SGR("1;33") -> ESC[1;33m. Kept as a macro so it can be glued
// to neighbouring literals; a "\x1b" directly followed by a hex digit would be misread.
#define SGR(params) "\x1b[" params "m"
#define RESET "\x1b[0m"
#define RESET_SHORT "\x1b[m"
#define CLEAR_SCREEN "\x1b[2J"

namespace demo {

// UTF-8 (or UTF-16) text -> GBK bytes.
QByteArray Gbk(const QString &text);
inline QByteArray Gbk(const char *utf8)
{
    return Gbk(QString::fromUtf8(utf8));
}

// GBK bytes of a literal plus CR LF.
inline QByteArray GbkLine(const char *utf8)
{
    return Gbk(utf8) + "\r\n";
}

} // namespace demo
