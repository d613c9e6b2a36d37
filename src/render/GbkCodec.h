// GBK bytes <-> QString, only at the display and input boundary.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace gbk {

QString ToQString(std::string_view bytes);
std::string FromQString(const QString &text);

} // namespace gbk
