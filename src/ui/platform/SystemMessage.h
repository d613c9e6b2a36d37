// The program's message boxes: every failure is shown at once in a modal box
// captioned "系统信息". Tests replace the presenter to read the messages.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace platform {

enum class MessageIcon { Error, Stop, Information };

using MessagePresenter = std::function<void(QWidget *parent, const QString &text, MessageIcon)>;

// Shows `text` in a modal "系统信息" box (or hands it to the installed presenter).
void ShowSystemMessage(QWidget *parent, const QString &text, MessageIcon icon = MessageIcon::Error);

// What a message may quote of file content or typed text: at most `maxChars`
// characters of `text` (a surrogate pair is one), with "…" after a cut.
QString Excerpt(const QString &text, qsizetype maxChars = 80);

// Replaces the presenter (tests); an empty function restores the real box.
void SetMessagePresenter(MessagePresenter presenter);

} // namespace platform
