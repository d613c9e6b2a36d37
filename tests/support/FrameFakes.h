// Stand-ins for the platform pieces the main frame works through, so a test
// frame never touches the desktop's notification area or opens a help viewer.
#pragma once

#include "ui/platform/HelpViewer.h"
#include "ui/platform/Tray.h"

#include <QString>
#include <QStringList>

namespace testsupport {

// The notification area, without a desktop: available unless told otherwise.
class FakeTray : public platform::NotificationTray
{
public:
    bool available = true;
    bool shown = false;
    bool IsAvailable() const override { return available; }
    void Show() override { shown = true; }
    void Hide() override { shown = false; }
    bool IsShown() const override { return shown; }
};

// A help viewer that shows only the one file it is told exists.
class FakeHelp : public platform::HelpViewer
{
public:
    QString readable;
    QStringList tried;
    bool Show(const QString &path) override
    {
        tried << path;
        return path == readable;
    }
};

} // namespace testsupport
