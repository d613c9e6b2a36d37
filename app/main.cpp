// Quorvel start-up: one copy per user, then the main frame, which makes every
// shared dialog once, and the message loop.
#include "MainFrame.h"
#include "ui/platform/DBusHangUp.h"
#include "ui/platform/GuardedApplication.h"
#include "ui/platform/SingleInstance.h"
#include "ui/platform/ToolkitLanguage.h"
#include "ui/shell/ProgramIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>

int main(int argc, char **argv)
{
    platform::GuardedApplication app(argc, argv);
    platform::LoadToolkitTranslations(app);

    platform::LockFileInstance instance;
    if (!platform::EnsureSingleInstance(instance))
        return 0;

    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setWindowIcon(shell::ProgramIcon());

    // The scheduled hang-up reaches the machine through the system bus; this is
    // the one place that hands it over.
    TMainForm::Services services;
    services.hangUp = std::make_unique<platform::DBusHangUp>(QDBusConnection::systemBus());
    // The program folder is the folder current at start, as the file system
    // names it.
    TMainForm frame(QFile::encodeName(QDir::currentPath()).toStdString(), std::move(services));
    frame.show();
    return app.exec();
}
