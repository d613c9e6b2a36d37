#include "ui/platform/DialogLook.h"

#include <QFont>
#include <QWidget>

namespace platform {

void SetDialogLook(QWidget *dialog, const QString &caption, int width, int height)
{
    dialog->setWindowTitle(caption);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    dialog->setFont(font);
    dialog->setFixedSize(width, height);
}

} // namespace platform
