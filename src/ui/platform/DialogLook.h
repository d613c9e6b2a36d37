// The look every dialog of the program shares: its caption, the "宋体" face at
// 12 pixels, and a fixed client size.
#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace platform {

void SetDialogLook(QWidget *dialog, const QString &caption, int width, int height);

// A label sized to its text at (x, y).
QLabel *MakeLabel(const QString &text, QWidget *parent, int x, int y);
// A dialog button at a fixed place and size that Enter in another control
// never presses.
QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y, int width, int height);

} // namespace platform
