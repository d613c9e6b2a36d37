#include "ui/session/InputLineKeeper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMdiSubWindow>

namespace session {

InputLineKeeper::InputLineKeeper(QWidget &window, QWidget &pathPanel)
    : QObject(&window)
    , window_(window)
    , pathPanel_(pathPanel)
{
    window_.installEventFilter(this);
}

void InputLineKeeper::GiveKeyboard()
{
    if (line_ && !pathPanel_.isVisible())
        line_->setFocus(Qt::OtherFocusReason);
}

bool InputLineKeeper::PassKey(QEvent *key)
{
    if (!line_)
        return false;
    line_->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(line_, key);
    return true;
}

bool InputLineKeeper::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *frame = window_.parentWidget();
    if (watched == &window_) {
        // The area wraps the window in a frame of its own, which takes the
        // focus when its title bar is clicked; it is watched from here.
        if (event->type() == QEvent::ParentAboutToChange && frame)
            frame->removeEventFilter(this);
        else if (event->type() == QEvent::ParentChange && qobject_cast<QMdiSubWindow *>(frame))
            frame->installEventFilter(this);
        else if (event->type() == QEvent::FocusIn)
            GiveKeyboard();
        // Keys the open path list leaves alone (Enter walks the path) stay there.
        else if (event->type() == QEvent::KeyPress && !pathPanel_.isVisible())
            return PassKey(event);
    } else if (watched == frame) {
        if (event->type() == QEvent::FocusIn)
            GiveKeyboard();
        else if (event->type() == QEvent::KeyPress && !pathPanel_.isVisible())
            return PassKey(event);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace session
