// The toolkit's own texts (standard buttons, file dialogs, edit menus) in the
// program's language, so a message box says "确定" and not "OK".
#pragma once

class QCoreApplication;

namespace platform {

// Installs the toolkit's Simplified Chinese translations on `app`; false when
// they are not installed on this system (the English texts stay).
bool LoadToolkitTranslations(QCoreApplication &app);

} // namespace platform
