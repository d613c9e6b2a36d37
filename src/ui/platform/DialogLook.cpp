#include "ui/platform/DialogLook.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
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

QLabel *MakeLabel(const QString &text, QWidget *parent, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton *MakeButton(const QString &text, QWidget *parent, int x, int y, int width, int height)
{
    auto *button = new QPushButton(text, parent);
    button->setGeometry(x, y, width, height);
    button->setAutoDefault(false);
    return button;
}

} // namespace platform
