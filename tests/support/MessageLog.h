// The program's message boxes, kept instead of shown: while a MessageLog lives
// every box's text and icon is appended to it, in order.
#pragma once

#include "ui/platform/SystemMessage.h"

#include <vector>

#include <QString>
#include <QStringList>

namespace testsupport {

struct ShownMessage
{
    QString text;
    platform::MessageIcon icon;
};

class MessageLog : public std::vector<ShownMessage>
{
public:
    MessageLog()
    {
        platform::SetMessagePresenter(
            [this](QWidget *, const QString &text, platform::MessageIcon icon) {
                push_back({text, icon});
            });
    }
    ~MessageLog() { platform::SetMessagePresenter({}); }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    QStringList Texts() const
    {
        QStringList texts;
        for (const ShownMessage &m : *this)
            texts << m.text;
        return texts;
    }
};

} // namespace testsupport
