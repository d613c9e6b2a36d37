#include "ui/session/GameWindow.h"

#include "core/automation/CommandRunner.h"
#include "core/platform/MemoryReturn.h"
#include "core/session/SessionCodes.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/FindBar.h"
#include "ui/session/GameConnection.h"
#include "ui/session/InputLineKeeper.h"
#include "ui/session/PathPanel.h"
#include "ui/session/ScreenPane.h"
#include "ui/session/SessionLink.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace session {

namespace {

// A window made without a frame (tests, tools) asks nobody.
SessionFrame &NoDialogs()
{
    static SessionFrame none;
    return none;
}

} // namespace

// What the window's runners ask of it, on its thread: lines through the road,
// lines for the aux window and the count of running runners.
struct TMDIChild::RunnerSide final : SessionLink::WindowSide
{
    explicit RunnerSide(TMDIChild *w)
        : window(w)
    {}
    void WriteLine(const std::string &line) override
    {
        window->session_->SendLine(line);
        window->ReportUnsent();
    }
    void AppendAuxLine(std::string text) override
    {
        window->dialogs_->AppendAuxLines({std::move(text)});
    }
    void RunnerCountChanged(int delta) override { window->session_->RunnerCountChanged(delta); }
    TMDIChild *window;
};

// What the window's screen thread tells it, posted to the window's thread:
// a frame for the pane, lines for the aux window, room to read the socket again.
struct TMDIChild::ScreenSide final : screen::ScreenHost
{
    explicit ScreenSide(TMDIChild *w)
        : window(w)
    {}
    void FrameReady() override
    {
        QMetaObject::invokeMethod(window->pane_, &ScreenPane::ShowFrame, Qt::QueuedConnection);
    }
    void MirrorLines(std::vector<std::string> texts) override
    {
        QMetaObject::invokeMethod(
            window, [w = window, lines = std::move(texts)] { w->dialogs_->AppendAuxLines(lines); },
            Qt::QueuedConnection);
    }
    // The socket is read again once the screen has caught up (and the road
    // has given what it held back).
    void QueueDrained() override
    {
        QMetaObject::invokeMethod(window, &TMDIChild::ContinueReceive, Qt::QueuedConnection);
    }
    TMDIChild *window;
};

TMDIChild::TMDIChild(QWidget *owner, const std::string &profile, SessionFrame *frame)
    : QWidget(owner)
    , dialogs_(frame ? frame : &NoDialogs())
    , profilePath_(profile)
{
    setWindowTitle(QStringLiteral("MDI Child"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 400);
    MakeScreen();
    LayOut();
    connection_ = new GameConnection(this);
    ConnectSignals();
    // A named profile is loaded at once; one that cannot be read says so and
    // leaves the window working with its defaults.
    if (!gbk::Trim(profile).empty())
        LoadProfile(profile);
}

void TMDIChild::MakeScreen()
{
    screen_ = std::make_unique<screen::DrawSence>();
    screen_->SetWindowPresent(true);
    runnerSide_ = std::make_unique<RunnerSide>(this);
    link_ = std::make_shared<SessionLink>(this, screen_.get(), groups_, screen_->triggers(),
                                          *runnerSide_);
    session_ = std::make_unique<SessionController>(link_, groups_, wire_);
    pane_ = new ScreenPane(*screen_, this);
    Panel2 = new PathPanel(this);
    keeper_ = new InputLineKeeper(*this, *Panel2);
    findBar_ = new FindBar(this);
    // A firing trigger starts its runner from the screen thread; the runner's
    // start notice is posted, never waited for. The engine holds its fire
    // callback and the link holds the engine, so the callback only watches
    // the link: a strong hold would keep both alive after the window is gone.
    screen_->triggers()->SetFire([weakLink = std::weak_ptr<SessionLink>(link_),
                                  stops = session_->stops()](std::string command) {
        if (std::shared_ptr<SessionLink> link = weakLink.lock())
            automation::MudCommand::Start(stops->Wrap(std::move(link)), std::move(command));
    });
    screenSide_ = std::make_unique<ScreenSide>(this);
    screen_->SetHost(screenSide_.get());
    screen_->Start();
}

void TMDIChild::ConnectSignals()
{
    // The connection reports; the window shows. It has already closed its
    // socket, so no socket event runs while the box is up.
    connect(connection_, &GameConnection::failure, this, [this](const QString &text) {
        platform::ShowSystemMessage(this, text, platform::MessageIcon::Error);
    });
    connect(connection_, &GameConnection::statusText, pane_, &ScreenPane::SetStatusText);
    connect(connection_, &GameConnection::gameText, this, &TMDIChild::OnGameText);
    connect(connection_, &GameConnection::linkActiveChanged, this, &TMDIChild::OnLinkActive);
    connect(pane_, &ScreenPane::triggersSwitched, this, &TMDIChild::SetTriggersEnabled);
    connect(pane_, &ScreenPane::recordClicked, this, &TMDIChild::RecordClicked);
    connect(pane_, &ScreenPane::pathButtonClicked, this, [this](bool forward) {
        session_->SetWalkForward(forward);
        Panel2->Open();
    });
    connect(pane_, &ScreenPane::pasteRequested, this,
            [this](const std::string &text) { dialogs_->OpenPasteSender(*this, text); });
    connect(pane_, &ScreenPane::encodingChosen, this, [this](session::Encoding e) {
        session_->SetEncoding(e);
        ShowEncoding();
    });
    connect(Panel2, &PathPanel::walkRequested, this, &TMDIChild::WalkPath);
    connect(Panel2, &PathPanel::stopRequested, this, &TMDIChild::StopRunners);
    connect(findBar_, &FindBar::findRequested, this, &TMDIChild::FindInScrollback);
    connect(findBar_, &FindBar::closeRequested, this, &TMDIChild::CloseFindBar);
}

TMDIChild::~TMDIChild()
{
    // Runners that outlive the window find their link closed; the screen
    // thread stops before anything it calls back into goes away.
    link_->Close();
    StopLog();
    screen_->Stop();
    connection_->Close();
    // The controller goes before the connection: nothing it says may reach it.
    connection_->disconnect(this);
    Notify(kWindowDestroyed);
    // The screen and the window's children are freed after this body; once
    // the window is wholly gone, what it held goes back to the system.
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { platform::ReturnFreedMemory(); }, Qt::QueuedConnection);
}

void TMDIChild::Notify(int code)
{
    if (frame_.frameWindow)
        frame_.frameWindow->FrameNotice(frame_.windowIndex, code);
}

void TMDIChild::BindToFrame(const FrameBinding &binding)
{
    frame_ = binding;
    // Whatever gives the window the focus (a click on the screen, the area
    // activating it) passes it on to the input line; a click on a control
    // that takes no focus walks up to here.
    setFocusPolicy(frame_.inputLine ? Qt::StrongFocus : Qt::NoFocus);
    keeper_->SetInputLine(frame_.inputLine);
}

void TMDIChild::RunPasteText(const std::string &text)
{
    StartCommandRun(text);
    ReturnToFollow();
}

void TMDIChild::SetPaths(session::PathLists lists)
{
    Panel2->SetPathNames(lists.pathNames);
    session_->SetPaths(std::move(lists));
}

void TMDIChild::SessionCommand(int code, int value)
{
    // The dialog codes (2, 3, 4, 12, 15, 17) are the frame's: it opens the
    // dialog itself with this window's port.
    // clang-format off
    switch (code) {
    case kReconnect:       connection_->Reconnect(); break;
    case kRunnerCount:     session_->RunnerCountChanged(value); break;
    case kSaveProfile:     ChooseProfileFile(true); break;
    case kLoadProfile:     ChooseProfileFile(false); break;
    case kReattachScreen:  UpdateScreenPresence(); screen_->RequestRedraw(); break;
    case kMirrorOn:        SetMirror(true); break;
    case kMirrorOff:       SetMirror(false); break;
    case kFontApplied:     screen_->RequestRedraw(); pane_->EndDrag(); TellWindowSizeSoon(); break;
    case kMinuteTick:      session_->MinuteTick(); break;
    case kHangUp:          session_->HangUp(); break;
    case kCopySelection:   pane_->CopySelection(); break;
    default:               break; // dialog codes and codes outside 1-20 do nothing
    }
    // clang-format on
}

void TMDIChild::SendTypedLine(const std::string &typed)
{
    const SessionController::TypedLine sent = session_->SendTypedLine(typed);
    if (sent.captionName) {
        setWindowTitle(windowTitle() + "(" + gbk::ToQString(*sent.captionName) + ")");
        Notify(kCaptionChanged);
    }
    ReturnToFollow();
    if (!statusNote_.isEmpty()) {
        if (pane_->statusText() == statusNote_)
            pane_->SetStatusText(statusUnderNote_);
        statusNote_.clear();
    }
    if (!frame_.inputLine)
        return;
    // A hidden line is emptied rather than selected, or the text would show
    // in clear the moment the server gives the echo back.
    if (sent.hidden)
        frame_.inputLine->clear();
    else
        frame_.inputLine->selectAll();
}

void TMDIChild::ShowStatusNote(const QString &note)
{
    if (statusNote_.isEmpty() || pane_->statusText() != statusNote_)
        statusUnderNote_ = pane_->statusText();
    statusNote_ = note;
    pane_->SetStatusText(note);
}

void TMDIChild::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    hidden_ = false;
    UpdateScreenPresence();
}

void TMDIChild::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    hidden_ = true; // also when minimised, where the widget still counts as visible
    UpdateScreenPresence();
}

void TMDIChild::SetCovered(bool covered)
{
    if (covered == covered_)
        return;
    covered_ = covered;
    UpdateScreenPresence();
}

void TMDIChild::UpdateScreenPresence()
{
    pane_->SetSeen(!hidden_ && !covered_);
}

void TMDIChild::SetTriggersEnabled(bool on)
{
    pane_->ShowTriggersEnabled(on);
    screen_->triggers()->triggersEnabled = on;
}

void TMDIChild::RecordClicked()
{
    const SessionController::Recording recording = session_->ToggleRecording();
    pane_->ShowRecording(recording == SessionController::Recording::kStarted);
    if (recording == SessionController::Recording::kNothingRecorded)
        platform::ShowSystemMessage(this, QStringLiteral("没有记录下任何动作"),
                                    platform::MessageIcon::Error);
    else if (recording == SessionController::Recording::kRecorded)
        dialogs_->OpenRecordedPath(*this, session_->walk().recordedPath);
}

void TMDIChild::WalkPath(int row, bool slowMode)
{
    if (!session_->WalkPath(row, slowMode))
        return;
    Panel2->hide();
    if (frame_.inputLine)
        frame_.inputLine->setFocus();
}

void TMDIChild::Activated()
{
    // A window whose path panel is open keeps the focus there and stays quiet.
    if (Panel2->isVisible())
        return;
    if (frame_.inputLine)
        frame_.inputLine->setFocus();
    Notify(kWindowActivated);
}

void TMDIChild::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void TMDIChild::LayOut()
{
    pane_->Place(rect());
    // The path panel stands just left of the scroll bar and above the status bar.
    Panel2->Place(width() - pane_->scrollBarWidth() - 1, pane_->viewHeight() - 1);
    PlaceFindBar();
    TellWindowSizeSoon();
}

} // namespace session
