#include "core/session/SessionController.h"

#include "core/automation/CommandRunner.h"
#include "core/session/NameCapture.h"
#include "core/session/PathReversal.h"
#include "core/shell/Clock.h"
#include "core/shell/HotkeyEditorRules.h"
#include "core/text/GbkText.h"

namespace session {

SessionController::SessionController(std::shared_ptr<automation::RunnerHost> host,
                                     std::shared_ptr<automation::GroupTable> groups,
                                     ServerWire &wire)
    : host_(std::move(host))
    , groups_(std::move(groups))
    , road_(wire)
{
    auto transcode = std::make_unique<TranscodeStage>(Encoding::kAuto);
    transcode_ = transcode.get();
    auto encode = std::make_unique<EncodeStage>(transcode_->transcoder());
    encode_ = encode.get();
    road_.Insert(SessionRoad::Place::kAfterTelnet, std::move(transcode));
    road_.InsertSend(std::move(encode));
    road_.telnet().SetCharsetListener(this);
}

void SessionController::SetEncoding(Encoding setting)
{
    transcode_->transcoder().SetEncoding(setting);
    road_.telnet().SetSiteEncoding(SiteCharset());
}

void SessionController::SetNegotiation(bool negotiate)
{
    road_.telnet().Configure(negotiate, SiteCharset());
}

std::string SessionController::SiteCharset() const
{
    const Encoding setting = transcoder().setting();
    return setting == Encoding::kAuto ? std::string() : std::string(EncodingName(setting));
}

void SessionController::CharsetAgreed(std::string_view canonical)
{
    transcode_->transcoder().AgreeCharset(canonical);
}

std::string SessionController::encodingStatus() const
{
    return EncodingStatusText(transcoder().setting(), transcoder().current());
}

bool SessionController::TakeEncodingChange()
{
    // Compared as the pair the text is made of: this runs on every read.
    const std::pair now{transcoder().setting(), transcoder().current()};
    if (shownEncoding_ == now)
        return false;
    shownEncoding_ = now;
    return true;
}

bool SessionController::Receive(std::string_view read, std::string &screenText)
{
    const bool wasHidden = inputHidden();
    road_.Receive(read, screenText);
    return AfterReceive(wasHidden);
}

bool SessionController::ContinueReceive(std::string &screenText)
{
    const bool wasHidden = inputHidden();
    road_.Continue(screenText);
    return AfterReceive(wasHidden);
}

bool SessionController::AfterReceive(bool wasHidden)
{
    if (nameCaptureStage_ == 0 && road_.nameMark().seen())
        nameCaptureStage_ = 1;
    return inputHidden() != wasHidden;
}

bool SessionController::NewConnection()
{
    const bool wasHidden = inputHidden();
    road_.NewConnection();
    return wasHidden;
}

SessionController::TypedLine SessionController::SendTypedLine(const std::string &typed)
{
    TypedLine outcome;
    if (inputHidden()) {
        // The line goes to the server and leaves no trace here: no echo (so no
        // trigger and no mirror), no caption, no recorded path.
        automation::MudCommand::StartUnechoed(stops_->Wrap(host_), typed);
        outcome.hidden = true;
        return outcome;
    }
    if (nameCaptureStage_ == 1) {
        // Only a one-word line is a name: "connect <name> <password>" at the
        // prompt must never show its password in the caption, tab and menu.
        outcome.captionName = CapturedName(typed);
        nameCaptureStage_ = 2;
    }
    if (walk_.recording)
        walk_.recordedPath += typed + "\r\n";
    StartRun(typed);
    return outcome;
}

void SessionController::FireHotkey(const std::string &keyName)
{
    if (const std::string *command = shell::HotkeyCommandFor(hotkeys_, keyName))
        StartRun(*command);
}

void SessionController::StartRun(const std::string &text, bool slowMode, int slowDelayMs)
{
    automation::MudCommand::Start(stops_->Wrap(host_), text, slowMode, slowDelayMs);
}

SessionController::Recording SessionController::ToggleRecording()
{
    if (!walk_.recording) {
        walk_.recordedPath.clear();
        walk_.recording = true;
        return Recording::kStarted;
    }
    walk_.recording = false;
    return gbk::Trim(walk_.recordedPath).empty() ? Recording::kNothingRecorded
                                                 : Recording::kRecorded;
}

bool SessionController::WalkPath(int row, bool slowMode)
{
    if (row < 0 || static_cast<std::size_t>(row) >= paths_.pathTexts.size())
        return false;
    std::string text = paths_.pathTexts[static_cast<std::size_t>(row)];
    // The reversal reads the pairs and groups here, before the runner starts.
    if (!walk_.walkForward)
        text = ReversePath(text, directions_, groups_->Snapshot());
    StartRun(text, slowMode, walk_.slowWalkDelayMs);
    return true;
}

void SessionController::MinuteTick()
{
    if (shell::CountKeepAliveMinute(keepAlive_))
        StartRun(keepAlive_.keepAliveCommand);
}

} // namespace session
