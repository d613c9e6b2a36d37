#include "ui/platform/SystemMessage.h"

#include <QMessageBox>

namespace platform {

namespace {
MessagePresenter &Presenter()
{
    static MessagePresenter presenter;
    return presenter;
}
} // namespace

void SetMessagePresenter(MessagePresenter presenter)
{
    Presenter() = std::move(presenter);
}

void ShowSystemMessage(QWidget *parent, const QString &text, MessageIcon icon)
{
    if (Presenter()) {
        Presenter()(parent, text, icon);
        return;
    }
    QMessageBox::Icon qicon = QMessageBox::Critical;
    if (icon == MessageIcon::Information)
        qicon = QMessageBox::Information;
    QMessageBox box(qicon, QStringLiteral("系统信息"), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace platform
