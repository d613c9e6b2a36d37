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

QString Excerpt(const QString &text, qsizetype maxChars)
{
    qsizetype end = 0;
    for (qsizetype chars = 0; end < text.size() && chars < maxChars; ++chars)
        end += text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                       text.at(end + 1).isLowSurrogate()
                   ? 2
                   : 1;
    if (end >= text.size())
        return text;
    return text.left(end) + QChar(0x2026);
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
