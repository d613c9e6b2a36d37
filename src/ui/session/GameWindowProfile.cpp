// TMDIChild's profile file: codes 8 and 9 with their file dialogs, the save and
// the load, and the one step in which a read profile replaces the window's
// collections, its triggers, its palette and its font.
#include "core/session/ProfileFile.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/GameWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QSaveFile>

using namespace session;

namespace {

QString FileName(const std::string &path)
{
    return gbk::ToQString(path);
}

void Fail(QWidget *window, const QString &text)
{
    platform::ShowSystemMessage(window, text, platform::MessageIcon::Error);
}

// Every refusal but the first two names the line where reading stopped and
// quotes the start of it (the reader keeps no more than a message shows).
QString ReadFailure(const ProfileReadError &error)
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

// The platform's file dialogs, as the window's save and open dialogs are set up.
QString AskForProfile(QWidget *parent, const QString &startDir, bool saving)
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

} // namespace

void TMDIChild::ChooseProfileFile(bool saving)
{
    const QString startDir = FileName(frame_.settingsDir);
    const QString chosen = dialogs_->profileFileDialog
                               ? dialogs_->profileFileDialog(this, startDir, saving)
                               : AskForProfile(this, startDir, saving);
    if (chosen.isEmpty())
        return;
    const std::string path = gbk::FromQString(chosen);
    if (saving)
        SaveProfile(path);
    else
        LoadProfile(path);
}

void TMDIChild::SetLook(const screen::ScreenLook &look)
{
    screen_->SetLook(look);
    // The new look shows at once, not only when the next text comes in.
    screen_->RequestRedraw();
}

void TMDIChild::FontApplied()
{
    SessionCommand(kFontApplied);
}

Profile TMDIChild::TakeProfile() const
{
    Profile profile;
    PutLook(profile, screen_->Look());
    // Every row but the blank one the table ends with.
    automation::TriggerTable table = screen_->triggers()->Snapshot();
    table.RemoveLastRow();
    profile.triggers = std::move(table);
    profile.hotkeys = hotkeys_;
    profile.groups = groups_->Snapshot();
    profile.paths = paths_;
    profile.directions = directions_;
    return profile;
}

bool TMDIChild::SaveProfile(const std::string &path)
{
    const std::string bytes = WriteProfile(TakeProfile());
    // Written beside the old file and renamed over it only when whole, so a
    // failed save leaves the previous profile as it was.
    QSaveFile file(FileName(path));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written) {
        file.cancelWriting();
        Fail(this, QStringLiteral("无法保存设置文件，请检查路径和写护！"));
        return false;
    }
    profilePath_ = path;
    if (!frame_.siteName.empty())
        Notify(kProfileSavedOrLoaded);
    return true;
}

bool TMDIChild::LoadProfile(const std::string &path)
{
    QFile file(FileName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(this, QStringLiteral("无法读取设置文件，请检查路径和文件名是否正确！"));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Fail(this, QStringLiteral("无法读取设置文件，请检查路径和文件名是否正确！"));
        return false;
    }
    // The whole file is read before anything changes: a file that stops half
    // way leaves the window exactly as it was.
    const ProfileReadResult read =
        ReadProfile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!read.profile) {
        Fail(this, ReadFailure(*read.error));
        return false;
    }
    ApplyProfile(*read.profile);
    profilePath_ = path;
    if (!frame_.siteName.empty())
        Notify(kProfileSavedOrLoaded);
    return true;
}

void TMDIChild::ApplyProfile(const Profile &profile)
{
    automation::TriggerEngine &engine = *screen_->triggers();
    // Triggers sit out the hand-over, so no line fires with the new table and
    // the old groups; the switch returns to what the player had set.
    const bool wasEnabled = engine.triggersEnabled.exchange(false);
    automation::TriggerTable table = profile.triggers;
    table.AddRow(" ", " ", " ", " ");
    // The engine builds the new table's index outside its lock and swaps it in
    // under the lock, so the screen thread never walks a half-replaced table
    // and keeps drawing meanwhile.
    engine.Replace(std::move(table));
    groups_->Replace(profile.groups.groupNames, profile.groups.groupContents);
    SetPaths(profile.paths);
    directions_ = profile.directions;
    if (profile.hotkeys)
        hotkeys_ = *profile.hotkeys;
    SetLook(LookAfter(profile, screen_->Look()));
    engine.triggersEnabled = wasEnabled;
}
