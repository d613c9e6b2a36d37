#include "ui/shell/ProgramIcon.h"

// The resource lives in a static library: naming it here links it in. The
// macro must stand outside every namespace, the anonymous one included.
static void LoadIconResource()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(quorvel);
        return true;
    }();
    (void)loaded;
}

namespace shell {

QIcon ProgramIcon()
{
    LoadIconResource();
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace shell
