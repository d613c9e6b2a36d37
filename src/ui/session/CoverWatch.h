// Watches an MDI area for the game windows a maximised window covers: the
// area keeps the windows behind the maximised one visible, so without being
// told they would go on painting frames nobody sees, each holding its image.
#pragma once

#include <QObject>

class QMdiArea;
class QMdiSubWindow;

namespace session {

class CoverWatch : public QObject
{
public:
    explicit CoverWatch(QMdiArea &area);

    // Follows the window's own changes of state (maximised, restored,
    // minimised); call once for each window added to the area.
    void Track(QMdiSubWindow *window);
    // Tells every game window of the area whether it is covered now.
    void Update();

private:
    QMdiArea &area_;
};

} // namespace session
