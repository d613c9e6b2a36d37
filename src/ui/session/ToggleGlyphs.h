// The two-state glyphs of a game window's status-bar buttons, drawn once.
#pragma once

#include <QIcon>

namespace glyphs {

QIcon Scrolling();
QIcon Stopped();
QIcon AutoOn();
QIcon AutoOff();
QIcon RecordOn();
QIcon RecordOff();
QIcon PathForward();
QIcon PathReverse();

} // namespace glyphs
