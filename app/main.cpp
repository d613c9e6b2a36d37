// Quorvel start-up: one copy per user, then the main frame, which makes every
// shared dialog once, and the message loop.
#include "MainFrame.h"
#include "core/platform/DataHome.h"
#include "ui/platform/DBusHangUp.h"
#include "ui/platform/GuardedApplication.h"
#include "ui/platform/SingleInstance.h"
#include "ui/platform/SystemMessage.h"
#include "ui/platform/ToolkitLanguage.h"
#include "ui/shell/ProgramIcon.h"

#include <algorithm>
#include <string_view>

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

    // Started from the desktop entry, the program works in a folder of its own
    // under the user's data directory; from a terminal, in the folder current
    // at start-up, as always.
    const bool dataHome = std::any_of(argv + 1, argv + argc, [](const char *arg) {
        return std::string_view(arg) == platform::kDataHomeFlag;
    });
    if (dataHome) {
        const QByteArray xdgDataHome = qgetenv("XDG_DATA_HOME");
        const QByteArray home = qgetenv("HOME");
        const auto folder = platform::DataHomeFolder(xdgDataHome.constData(), home.constData());
        if (!folder || !platform::EnterFolder(*folder))
            platform::ShowSystemMessage(
                nullptr,
                QStringLiteral("无法使用程序目录 %1，程序将在当前目录 %2 中保存文件")
                    .arg(folder ? QFile::decodeName(folder->c_str()) : QStringLiteral("~"),
                         QDir::currentPath()),
                platform::MessageIcon::Error);
    }

    // The scheduled hang-up reaches the machine through the system bus; this is
    // the one place that hands it over.
    app::TMainForm::Services services;
    services.hangUp = std::make_unique<platform::DBusHangUp>(QDBusConnection::systemBus());
    // The program folder is the folder current at start, as the file system
    // names it.
    app::TMainForm frame(QFile::encodeName(QDir::currentPath()).toStdString(), std::move(services));
    frame.show();
    return app.exec();
}
