// The program's icon (title bars, the about box, the notification area), kept
// as a Qt resource in three sizes.
#pragma once

#include <QIcon>

namespace shell {

QIcon ProgramIcon();

} // namespace shell
