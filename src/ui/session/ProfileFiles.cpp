#include "ui/session/ProfileFiles.h"

#include "render/GbkCodec.h"
#include "ui/session/GameWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QSaveFile>

namespace session {

namespace {

QString FileName(const std::string &path)
{
    return gbk::ToQString(path);
}

} // namespace

// Every refusal but the first two names the line where reading stopped and
// quotes the start of it (the reader keeps no more than a message shows).
QString ProfileReadFailure(const ProfileReadError &error)
{
    QString what;
    switch (error.fault) {
    case ProfileFault::kEmpty:
        return QStringLiteral("不是QUORVEL配置文件！无法读取.");
    case ProfileFault::kNotAProfile:
        return QStringLiteral("不是Quorvel配置文件！无法读取.");
    case ProfileFault::kBadNumber:
        what = QStringLiteral("设置文件第%1行“%2”不是十进制整数");
        break;
    case ProfileFault::kStrayLine:
        what = QStringLiteral("设置文件第%1行“%2”不属于任何一段");
        break;
    case ProfileFault::kOutOfOrder:
        what = QStringLiteral("设置文件第%1行“%2”这一段的次序不对或重复了");
        break;
    case ProfileFault::kNoTextStart:
        what = QStringLiteral("设置文件第%1行“%2”不是文本的开始行");
        break;
    case ProfileFault::kCutOff:
        what = error.inRecord ? QStringLiteral("设置文件第%1行“%2”之前，%3段的一条记录没有写完")
                              : QStringLiteral("设置文件第%1行“%2”之前，%3段没有结束行");
        break;
    case ProfileFault::kEndsEarly:
        what = error.inRecord
                   ? QStringLiteral("设置文件在第%1行“%2”之后就结束了，%3段的一条记录没有写完")
                   : QStringLiteral("设置文件在第%1行“%2”之后就结束了，%3段没有写完");
        break;
    }
    // One pass over the markers, so a quoted "%1" stays as it is.
    const QString line = QString::number(error.lineNumber);
    // Control bytes (the markers' own, or those of a file that is not text)
    // are left out of the quote: a message box shows them as nothing useful.
    QString quote = gbk::ToQString(error.lineText);
    quote.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    what = error.section.empty() ? what.arg(line, quote)
                                 : what.arg(line, quote, gbk::ToQString(error.section));
    return what + QStringLiteral("，无法读取！窗口的设置没有改变。");
}

bool WriteProfileFile(const std::string &path, const std::string &bytes)
{
    // Written beside the old file and renamed over it only when whole, so a
    // failed save leaves the previous profile as it was.
    QSaveFile file(FileName(path));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written)
        file.cancelWriting();
    return written;
}

std::optional<QByteArray> ReadProfileFile(const std::string &path)
{
    QFile file(FileName(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The platform's file dialogs, as the window's save and open dialogs are set up.
QString SessionFrame::AskProfileFile(QWidget *parent, const QString &startDir, bool saving)
{
    QFileDialog dialog(parent);
    dialog.setDirectory(startDir);
    if (saving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("qvl"));
        dialog.setNameFilter(QStringLiteral("Quorvel设置文件 (*.qvl)"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(QStringLiteral("QUORVEL设置文件 (*.qvl)"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

} // namespace session
