// The "系统信息" box that asks whether to trust a server certificate, and the
// one line that lets a connection ask its questions through it.
#pragma once

#include "ui/session/TrustQuestion.h"

class QWidget;

namespace session {

class GameConnection;

// Shows the question modally over `parent`; true only when "信任此证书" was
// pressed (closing the box or "断开连接" is a no).
bool AskToTrust(QWidget *parent, const TrustQuestion &question);

// Answers every question of `connection` with the box over `parent`, and tells
// the player when a trusted certificate could not be remembered.
void AnswerTrustWithDialog(GameConnection &connection, QWidget *parent);

} // namespace session
