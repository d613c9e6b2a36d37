// TMDIChild: one game session. It composes the connection, the screen thread,
// the session controller (the road, runners, walking, hotkeys, the name
// capture), the screen pane and the path panel, glues the socket to the road
// and the road to the screen queue, and carries out the numbered commands
// (SessionCommand) that the main frame sends it.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/screen/LogWriter.h"
#include "core/screen/StoreSearch.h"
#include "core/session/ProfileFile.h"
#include "core/session/SessionController.h"
#include "core/session/SessionState.h"
#include "core/session/Socks5.h"
#include "core/sites/SiteFile.h"
#include "render/ScreenThread.h"
#include "ui/session/PathPanel.h"
#include "ui/session/ScreenPane.h"
#include "ui/session/SessionPort.h"

#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QWidget>

class QMenu;
class QTimer;
class QLineEdit;

namespace session {

class FindBar;
class GameConnection;
class InputLineKeeper;
class SessionLink;
class TMDIChild;

// Receiver of a game window's notices (the main frame).
class FrameNoticeSink
{
public:
    virtual ~FrameNoticeSink() = default;
    virtual void FrameNotice(int windowIndex, int code) = 0;
};

// What a game window asks of the frame around it; the main frame implements it,
// and a window without a frame asks this one, which does nothing. The frame
// opens every other dialog itself, with the active window's port.
class SessionFrame
{
public:
    virtual ~SessionFrame() = default;
    // Right button: the paste sender takes the selection and this window as its target.
    virtual void OpenPasteSender(SessionPort &, const std::string &) {}
    // The end of a path recording: the path editor opens with the recording.
    virtual void OpenRecordedPath(SessionPort &, const std::string &) {}
    // Lines for the auxiliary window (mirror and "#HP"), on the window's thread.
    virtual void AppendAuxLines(const std::vector<std::string> &) {}
    // Profiles: the file to save to (code 8) or load from (code 9), starting in
    // `startDir`; an empty answer is a cancel. By default the platform's file dialogs.
    virtual QString AskProfileFile(QWidget *parent, const QString &startDir, bool saving);
};

// What the main frame tells a window once it has made it.
struct FrameBinding
{
    QLineEdit *inputLine = nullptr;
    int windowIndex = 0;
    FrameNoticeSink *frameWindow = nullptr;
    std::string settingsDir;
    std::string siteName;
};

class TMDIChild : public QWidget, public SessionPort
{
    Q_OBJECT

public:
    // The constructor's order: the screen thread, the controller, the pane and
    // panel, the connection, then the profile when one is named. `frame` may
    // be null: no paste sender, no path editor, no aux window.
    TMDIChild(QWidget *owner, const std::string &profile, SessionFrame *frame);
    ~TMDIChild() override;

    // The message hub for the codes that carry no text. Codes outside 1-20
    // do nothing; typed lines, paste texts and hotkeys have their own entries.
    void SessionCommand(int code, int value = 0);
    // Enter in the input line with its text.
    void SendTypedLine(const std::string &typed);
    // A key name offered by the input line; the first equal hotkey fires (not
    // recorded, not in the history; the caption and the input line stay).
    void FireHotkey(const std::string &keyName) { session_->FireHotkey(keyName); }

    // Stores the settings and opens the connection; failures show in a box.
    // The site's options set the road up for this server first.
    void Connect(const session::ConnectSettings &settings, const sites::SiteOptions &options = {});

    void StartCommandRun(const std::string &text, bool slowMode = false, int slowDelayMs = 1500)
    {
        session_->StartRun(text, slowMode, slowDelayMs);
    }
    // The path panel's "停止": every runner of this window still going ends at
    // its next step or wait; runners started later run normally.
    void StopRunners() { session_->StopRunners(); }
    // A word for the player in the status panel; the status it covers comes
    // back with the next typed line, unless the connection said something new.
    void ShowStatusNote(const QString &note);
    void ReturnToFollow();
    // The main frame calls this when the window becomes the active one.
    void Activated();
    // Another window lies over the whole of this one (a maximised window in
    // front): while covered, or hidden, the window draws no frames and keeps
    // no image, only its text; it is painted again when seen.
    void SetCovered(bool covered);
    bool covered() const { return covered_; }

    // Set once by the main frame after it made the window; the index again
    // whenever a window before this one closes.
    void BindToFrame(const FrameBinding &binding);
    void SetWindowIndex(int index) { frame_.windowIndex = index; }
    const FrameBinding &frameBinding() const { return frame_; }

    // SessionPort.
    QObject *lifetime() override { return this; }
    void RunCommandText(const std::string &text, bool slowMode, int slowDelayMs) override
    {
        StartCommandRun(text, slowMode, slowDelayMs);
    }
    void RunPasteText(const std::string &text) override;
    void SetMirror(bool on) override { screen_->SetMirror(on); }
    std::shared_ptr<automation::TriggerEngine> triggerEngine() override
    {
        return screen_->triggers();
    }
    automation::GroupTable &groups() override { return *groups_; }
    session::HotkeyLists hotkeys() const override { return session_->hotkeys(); }
    void SetHotkeys(session::HotkeyLists lists) override { session_->SetHotkeys(std::move(lists)); }
    session::PathLists paths() const override { return session_->paths(); }
    void SetPaths(session::PathLists lists) override;
    session::DirectionPairs directions() const override { return session_->directions(); }
    void SetDirections(session::DirectionPairs pairs) override
    {
        session_->SetDirections(std::move(pairs));
    }
    int slowWalkDelayMs() const override { return session_->walk().slowWalkDelayMs; }
    void SetSlowWalkDelayMs(int ms) override { session_->SetSlowWalkDelayMs(ms); }
    // Colours and font.
    screen::ScreenLook look() const override { return screen_->Look(); }
    void SetLook(const screen::ScreenLook &look) override;
    void FontApplied() override;

    // Profiles. Both report their own failures in a box and then change
    // nothing; on success `profilePath` is the file and the frame hears of it
    // (notice 5) when the window belongs to a site. Paths are GBK bytes, as the
    // site list keeps them.
    bool SaveProfile(const std::string &path);
    bool LoadProfile(const std::string &path);
    // The window's collections as a profile stores them, and a read profile
    // applied in one step.
    session::Profile TakeProfile() const;
    void ApplyProfile(const session::Profile &profile);

    const std::string &profilePath() const { return profilePath_; }
    int nameCaptureStage() const { return session_->nameCaptureStage(); }
    int runningCommands() const { return session_->runningCommands(); }
    const session::WalkSettings &walk() const { return session_->walk(); }
    const session::KeepAliveSettings &keepAlive() const { return session_->keepAlive(); }
    void SetKeepAlive(const session::KeepAliveSettings &settings)
    {
        session_->SetKeepAlive(settings);
    }
    bool linkActive() const { return linkActive_; }
    // The automatic-input switch (triggers on received text), as its button
    // sets it; the clock's hang-up switches it off.
    void SetTriggersEnabled(bool on);
    bool selectionReady() const { return pane_->selectionReady(); }
    // Hidden input: the server asked that what the player types now is not
    // shown (it echoes for itself, as before a password).
    bool inputHidden() const { return session_->inputHidden(); }

    screen::DrawSence &screen() { return *screen_; }
    GameConnection &connection() { return *connection_; }
    const session::SessionController &session() const { return *session_; }
    QString statusText() const { return pane_->statusText(); }
    // Frames shown since the window opened (measurements).
    int framesShown() const { return pane_->framesShown(); }
    bool pathPanelVisible() const { return Panel2->isVisible(); }

    // The scrollback tools (GameWindowScrollback.cpp). Ctrl+F opens the find
    // bar; a search finds the next match up (`older`) or down the store,
    // scrolls there and shows it; false when there is none.
    void OpenFindBar();
    void CloseFindBar();
    bool FindInScrollback(const QString &text, bool older);
    FindBar *findBar() const { return findBar_; }
    // The log: "开始记录…" asks for the file and its form; StartLog opens
    // `path` (local file name bytes) and reports a failure in a box.
    void ChooseLog();
    bool StartLog(const std::string &path, const screen::LogOptions &options);
    void StopLog();
    bool logging() const { return log_ != nullptr; }
    // The log items, the find bar's and the split view's switch for a menu of this window.
    void AddScrollbackItems(QMenu *menu);
    // The split view while scrolled back ("分屏回看", on by default, kept for
    // the window's session); off gives the plain scroll lock.
    void SetSplitView(bool on);
    bool splitView() const;
    bool splitOpen() const { return pane_->splitOpen(); }
    // A key from the input line that may scroll the screen (Page Up, Page
    // Down, End) with its key name: true when it scrolled. A hotkey of that
    // name keeps the key.
    bool ScrollKey(int qtKey, const std::string &keyName);

signals:
    // Hidden input: the server switched its echo on or off.
    void inputHiddenChanged(bool hidden);
    // The log started or stopped (by the player or by itself).
    void loggingChanged(bool on);
    void splitViewChanged(bool on);

protected:
    void resizeEvent(QResizeEvent *event) override;
    // The wheel over the screen or the status bar moves the scroll bar.
    void wheelEvent(QWheelEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The road's bytes for the server go to the connection.
    struct ConnectionWire : session::ServerWire
    {
        explicit ConnectionWire(TMDIChild *w)
            : window(w)
        {}
        void WriteToServer(std::string_view bytes) override;
        TMDIChild *window;
    };

    struct RunnerSide;
    struct ScreenSide;
    void MakeScreen();
    void LayOut();
    void ConnectSignals();
    // Tells the screen whether anyone can see its frames.
    void UpdateScreenPresence();
    void Notify(int code);
    // The glue of the receive road: socket -> road -> screen queue.
    void OnGameText(const QByteArray &bytes);
    // The next piece of what the road held back, or the socket read again.
    void ContinueReceive();
    void TakeReceived(bool hiddenChanged, std::string text);
    // The screen's size in columns and rows for the server (NAWS).
    void TellWindowSizeSoon();
    void TellWindowSize();
    void OnLinkActive(bool active);
    // The status panel follows the encoding in force; a character the
    // server's encoding could not carry is named once.
    void ShowEncoding();
    void ReportUnsent();
    void RecordClicked();
    void WalkPath(int row, bool slowMode);
    // Codes 8 and 9: the file dialogs, then the save or the load.
    void ChooseProfileFile(bool saving);

    void LogStopped(const screen::LogWriter *writer, const QString &message);
    void PlaceFindBar();

    SessionFrame *dialogs_;
    FrameBinding frame_;
    std::string profilePath_;
    bool linkActive_ = false;
    bool covered_ = false;
    bool hidden_ = false;     // by the last hide or show event
    QString statusNote_;      // shown in the status panel, or empty
    QString statusUnderNote_; // what the note covers
    bool unsentReported_ = false;
    QTimer *sizeTimer_ = nullptr;

    ConnectionWire wire_{this};
    std::unique_ptr<RunnerSide> runnerSide_; // outlives the link's posted calls
    std::unique_ptr<ScreenSide> screenSide_; // outlives the screen thread
    std::unique_ptr<screen::DrawSence> screen_;
    std::shared_ptr<automation::GroupTable> groups_ = std::make_shared<automation::GroupTable>();
    std::shared_ptr<SessionLink> link_;
    std::unique_ptr<session::SessionController> session_;
    GameConnection *connection_ = nullptr; // cs1
    ScreenPane *pane_ = nullptr;
    PathPanel *Panel2 = nullptr;
    // The input line keeps the keyboard: the window's focus and the keys that
    // reach it, or the frame the area wraps it in, are handed to the line.
    InputLineKeeper *keeper_ = nullptr;
    FindBar *findBar_ = nullptr;
    std::optional<screen::StoreMatch> found_;
    std::string foundNeedle_;
    std::shared_ptr<screen::LogWriter> log_;
};

} // namespace session
