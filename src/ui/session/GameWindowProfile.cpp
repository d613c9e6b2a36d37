// TMDIChild's profile: codes 8 and 9, the save and the load (the files
// themselves are ProfileFiles'), and the one step in which a read profile replaces the window's
// collections, its triggers, its palette and its font.
#include "core/session/ProfileFile.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ProfileFiles.h"

namespace session {

namespace {

void Fail(QWidget *window, const QString &text)
{
    platform::ShowSystemMessage(window, text, platform::MessageIcon::Error);
}

} // namespace

void TMDIChild::ChooseProfileFile(bool saving)
{
    const QString startDir = gbk::ToQString(frame_.settingsDir);
    const QString chosen = dialogs_->AskProfileFile(this, startDir, saving);
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
    profile.hotkeys = session_->hotkeys();
    profile.groups = groups_->Snapshot();
    profile.paths = session_->paths();
    profile.directions = session_->directions();
    return profile;
}

bool TMDIChild::SaveProfile(const std::string &path)
{
    if (!WriteProfileFile(path, WriteProfile(TakeProfile()))) {
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
    const std::optional<QByteArray> bytes = ReadProfileFile(path);
    if (!bytes) {
        Fail(this, QStringLiteral("无法读取设置文件，请检查路径和文件名是否正确！"));
        return false;
    }
    // The whole file is read before anything changes: a file that stops half
    // way leaves the window exactly as it was.
    const ProfileReadResult read =
        ReadProfile(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
    if (!read.profile) {
        Fail(this, ProfileReadFailure(*read.error));
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
    session_->SetDirections(profile.directions);
    if (profile.hotkeys)
        session_->SetHotkeys(*profile.hotkeys);
    SetLook(LookAfter(profile, screen_->Look()));
    engine.triggersEnabled = wasEnabled;
}

} // namespace session
