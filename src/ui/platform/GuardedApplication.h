// The program's application object: an exception that escapes an event handler
// is shown to the player in a "系统信息" box and the event loop goes on, instead
// of ending the program with everything the player had open.
#pragma once

#include <QApplication>

namespace platform {

class GuardedApplication : public QApplication
{
    Q_OBJECT

public:
    GuardedApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

// The message shown for the exception being handled (call inside a catch).
QString EscapedExceptionText();

} // namespace platform
