#include "ui/platform/GuardedApplication.h"

#include "ui/platform/SystemMessage.h"

#include <exception>
#include <new>

namespace platform {

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The handler is abandoned where it stood; what it had finished stays.
        // The box runs its own loop, whose events come back through here.
        ShowSystemMessage(activeWindow(), EscapedExceptionText(), MessageIcon::Error);
        return false;
    }
}

QString EscapedExceptionText()
{
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return QStringLiteral("内存不足，这一操作没有完成。");
    } catch (const std::exception &e) {
        return QStringLiteral("程序出现错误，这一操作没有完成：\n\n%1")
            .arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return QStringLiteral("程序出现未知错误，这一操作没有完成。");
    }
}

} // namespace platform
