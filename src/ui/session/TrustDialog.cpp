#include "ui/session/TrustDialog.h"

#include "ui/platform/SystemMessage.h"
#include "ui/session/GameConnection.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace session {

bool AskToTrust(QWidget *parent, const TrustQuestion &question)
{
    QMessageBox box(question.changed() ? QMessageBox::Critical : QMessageBox::Warning,
                    QStringLiteral("系统信息"), TrustQuestionText(question), QMessageBox::NoButton,
                    parent);
    // Fingerprints are for comparing with what the server's keeper publishes.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton *trust = box.addButton(QStringLiteral("信任此证书"), QMessageBox::AcceptRole);
    QPushButton *refuse = box.addButton(QStringLiteral("断开连接"), QMessageBox::RejectRole);
    // Enter must never trust by accident.
    box.setDefaultButton(refuse);
    box.setEscapeButton(refuse);
    box.exec();
    return box.clickedButton() == trust;
}

void AnswerTrustWithDialog(GameConnection &connection, QWidget *parent)
{
    QPointer<QWidget> over(parent);
    QPointer<GameConnection> asking(&connection);
    QObject::connect(&connection, &GameConnection::trustQuestion, parent,
                     [asking, over](const TrustQuestion &question) {
                         const bool trust = AskToTrust(over, question);
                         // The window may have gone while the box was up.
                         if (!asking)
                             return;
                         if (!asking->AnswerTrust(question.attempt, trust))
                             platform::ShowSystemMessage(
                                 over, QStringLiteral("无法保存证书记录文件%1！这次仍然信任此证书，"
                                                      "下次连接时会再问。")
                                           .arg(asking->pinFile()));
                     });
}

} // namespace session
