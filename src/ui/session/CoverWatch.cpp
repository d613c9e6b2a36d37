#include "ui/session/CoverWatch.h"

#include "ui/session/GameWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace session {

CoverWatch::CoverWatch(QMdiArea &area)
    : QObject(&area)
    , area_(area)
{
    connect(&area, &QMdiArea::subWindowActivated, this, &CoverWatch::Update);
}

void CoverWatch::Track(QMdiSubWindow *window)
{
    connect(window, &QMdiSubWindow::windowStateChanged, this, &CoverWatch::Update);
}

void CoverWatch::Update()
{
    // The current window stays current while the frame is not the active
    // application window, unlike the active one.
    QMdiSubWindow *front = area_.currentSubWindow();
    const bool maximised = front && front->isVisible() && front->isMaximized();
    for (QMdiSubWindow *window : area_.subWindowList()) {
        if (auto *game = qobject_cast<TMDIChild *>(window->widget()))
            game->SetCovered(maximised && window != front);
    }
}

} // namespace session
