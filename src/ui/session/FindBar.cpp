#include "ui/session/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace session {

FindBar::FindBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FindBar"));
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("查找:"), this));
    findText = new QLineEdit(this);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setToolTip(
        QStringLiteral("回车：向上找（更早的文字）；Shift+回车：向下找；Esc：关闭"));
    findText->installEventFilter(this);
    layout->addWidget(findText, 1);
    findResult = new QLabel(this);
    findResult->setObjectName(QStringLiteral("findResult"));
    findResult->setMinimumWidth(48);
    layout->addWidget(findResult);
    // A new text starts over from the newest line; the old result no longer says anything.
    connect(findText, &QLineEdit::textEdited, findResult, &QLabel::clear);
    hide();
}

void FindBar::Open()
{
    show();
    raise();
    findText->setFocus(Qt::ShortcutFocusReason);
    findText->selectAll();
}

void FindBar::ShowFound(bool found)
{
    findResult->setText(found ? QString() : QStringLiteral("无匹配"));
}

QString FindBar::text() const
{
    return findText->text();
}

QString FindBar::result() const
{
    return findResult->text();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == findText && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit findRequested(findText->text(), !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit closeRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace session
