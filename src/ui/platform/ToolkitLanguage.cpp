#include "ui/platform/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

bool LoadToolkitTranslations(QCoreApplication &app)
{
    // The program speaks Chinese whatever the desktop's locale, so the
    // language is named rather than taken from the system.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace platform
