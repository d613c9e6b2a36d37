#include "ui/session/PinFile.h"

#include <QFile>
#include <QSaveFile>

namespace session {

session::PinList ReadPinFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return session::ParsePinFile(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool WritePinFile(const QString &path, const session::PinList &list)
{
    const std::string bytes = session::FormatPinFile(list);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A write cut short (a full disk) can fail only in the flush, and commit()
    // alone would still move the short file over the good one.
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace session
