// The core's text (GB18030 bytes, a superset of GBK) <-> QString, only at the
// display and input boundary. Both ways use the GB18030 codec, so a GBK
// string reads as before and what the player types never loses a character.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace gbk {

QString ToQString(std::string_view bytes);
std::string FromQString(const QString &text);

} // namespace gbk
