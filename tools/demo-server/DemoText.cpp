#include "DemoText.h"

#include <QStringEncoder>

namespace demo {

QByteArray Gbk(const QString &text)
{
    // The literals are fixed and all of them have GBK forms, so a converter per call
    // would only cost time; one per thread is enough (the server has one thread).
    thread_local QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

} // namespace demo
