// The look every dialog of the program shares: its caption, the "宋体" face at
// 12 pixels, and a fixed client size.
#pragma once

#include <QString>

class QWidget;

namespace platform {

void SetDialogLook(QWidget *dialog, const QString &caption, int width, int height);

} // namespace platform
