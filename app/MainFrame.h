// TMainForm, the main frame: toolbar, menu, window tabs and the command input
// line around a multiple-document area of game windows. It turns the player's
// actions into commands for the active game window and keeps its array of
// windows and its tabs in step with the notices the windows send back.
#pragma once

#include "core/session/SessionCodes.h"
#include "core/shell/Clock.h"
#include "core/shell/History.h"
#include "ui/platform/HelpViewer.h"
#include "ui/platform/Tray.h"
#include "ui/session/GameWindow.h"
#include "ui/shell/CommandInput.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

class QAction;
class QFrame;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTabBar;
class QToolButton;

namespace automation {
class TAutoSetting;
class TfCmdsGroup;
} // namespace automation

namespace screen {
class TClipForm;
class TColorForm;
class TFontSetting;
class Ttextwin;
} // namespace screen

namespace session {
class CoverWatch;
class TDirectSet;
class TRoadSetting;
} // namespace session

namespace shell {
class TAboutBox;
class TClockForm;
class TFastKey;
} // namespace shell

namespace sites {
class TBookMark;
} // namespace sites

namespace testsupport {
template <class Server> class FrameFixture;
}

namespace app {

class TMainForm : public QMainWindow,
                  public session::FrameNoticeSink,
                  public session::SessionFrame,
                  public shell::CommandInputEdit::Host,
                  private shell::ClockWindows
{
    Q_OBJECT

public:
    static constexpr int kMaxSessions = 40;

    // The platform pieces the frame works through; empty ones get the real thing.
    struct Services
    {
        // Shows the site dialog and returns when the player is done with it
        // (the real one runs it modally).
        std::function<void(sites::TBookMark &)> runSiteDialog;
        std::unique_ptr<platform::NotificationTray> tray;
        std::unique_ptr<platform::HelpViewer> help;
        // The clock's time and timers; empty gets the system's.
        std::unique_ptr<shell::ClockSource> clockSource;
        // The machine's hang-up and power-off. Only the program's start-up
        // gives the real one; without it a hang-up touches nothing.
        std::unique_ptr<shell::HangUpPlatform> hangUp;
    };

    // `startDir` is the folder current at start-up; ProgramDirFrom makes the
    // program folder of it.
    explicit TMainForm(const std::string &startDir, Services services = {});
    ~TMainForm() override;

    // The start folder trimmed of surrounding blanks, with "/" appended when it
    // does not end in one.
    static std::string ProgramDirFrom(const std::string &currentDir);

    // "连接" and "新窗口": the caption is "NONAME" + (sessionCount + 1).
    void OpenGameWindow();
    void OpenGameWindow(const QString &caption);
    // "关闭窗口" and "断开".
    void CloseActiveWindow();
    void HideToTray() override;
    void RestoreFromTray();
    // "辅助窗口" and "辅助窗".
    void ShowAuxWindow();
    void ShowHelp();
    void ShowAbout();
    // "显示/隐藏工具栏": the tabs go and come with the buttons.
    void ToggleToolbar();
    // The "窗口" menu's arrangements.
    void CascadeWindows();
    void TileHorizontally(); // one above the other, each as wide as the area
    void TileVertically();   // side by side, each as high as the area
    void MinimizeAll();
    void ArrangeIcons();

    void FrameNotice(int windowIndex, int code) override;
    // The active game window, or null.
    session::TMDIChild *ActiveSession();
    // The input line's host.
    bool HasActiveSession() override;
    void SendTypedLine(const std::string &line) override;
    void OfferKeyName(const std::string &keyName) override;
    bool ActiveSelectionReady() override;
    void CopyActiveSelection() override;
    bool ActiveInputHidden() override;
    void ScrollActiveScreen(int qtKey, const std::string &keyName) override;
    bool StopActiveRunners() override;
    void InputCut() override;
    // A command for the active game window; nothing when there is none.
    void SendToActive(int code);
    // One of the shared dialogs, opened with the active window's port; nothing
    // without an active window or for a code that names no dialog.
    void OpenDialog(session::SessionCode code);

    // What the game windows ask of the frame.
    void OpenPasteSender(session::SessionPort &window, const std::string &text) override;
    void OpenRecordedPath(session::SessionPort &window, const std::string &recorded) override;
    void AppendAuxLines(const std::vector<std::string> &lines) override;
    QString AskProfileFile(QWidget *parent, const QString &startDir, bool saving) override;
    // Replaces the profile file dialogs (tests); empty: the platform's.
    std::function<QString(QWidget *parent, const QString &startDir, bool saving)> askProfileFile;

    // Entry i's frame inside the area, or null.
    QMdiSubWindow *SubWindowOf(int index) const;

    // Timer1 and Timer2 with the clock's program-wide settings, which the
    // clock dialog edits.
    shell::Clock &clock() { return *clock_; }
    // "定时": the clock dialog, filled from the frame's settings.
    void ShowClockDialog();

    platform::NotificationTray &tray() { return *services_.tray; }
    // True while the frame is hidden behind the notification area (or
    // minimised in its place).
    bool hiddenToTray() const { return hiddenToTray_; }

signals:
    // "定时": the clock dialog opens.
    void clockDialogRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Tests reach the frame's controls and state through their shared fixture.
    template <class Server> friend class testsupport::FrameFixture;

    // Frame state.
    std::array<session::TMDIChild *, kMaxSessions> sessions{};
    int sessionCount = 0;
    std::string programDir;
    bool auxWasVisible = false;
    bool firstActivationDone = false;
    // commandHistory and historyPos, one for the whole program.
    shell::CommandHistory history;

    // Controls.
    QFrame *Panel2 = nullptr; // the toolbar
    QTabBar *TabControl1 = nullptr;
    QMdiArea *ClientArea = nullptr;
    session::CoverWatch *coverWatch = nullptr; // windows behind a maximised one draw nothing
    QWidget *Panel1 = nullptr;                 // holds the input line
    shell::CommandInputEdit *CommandInput = nullptr;
    std::vector<QToolButton *> toolButtons;
    QMenu *WindowMenu = nullptr;
    QAction *ToolbarAction = nullptr;

    // The shared dialogs, in the order they are created at start-up.
    shell::TAboutBox *AboutBox = nullptr;
    screen::TClipForm *ClipForm = nullptr;
    automation::TAutoSetting *AutoSetting = nullptr;
    screen::TColorForm *ColorForm = nullptr;
    automation::TfCmdsGroup *fCmdsGroup = nullptr;
    sites::TBookMark *BookMark = nullptr;
    shell::TClockForm *ClockForm = nullptr;
    shell::TFastKey *FastKey = nullptr;
    session::TRoadSetting *RoadSetting = nullptr;
    session::TDirectSet *DirectSet = nullptr;
    screen::TFontSetting *FontSetting = nullptr;
    screen::Ttextwin *textwin = nullptr;

    void CreateDialogs();
    // The services a caller (a test) did not give: the real ones.
    void FillServices();
    // Ctrl+C and Ctrl+F wherever the focus is in the frame.
    void BindShortcuts();
    void BuildToolbar();
    void BuildMenus();
    void FillWindowMenu();
    void ClientAreaActivated(QMdiSubWindow *window);
    void TabControl1Change(int index);
    void ShowSession(int index);
    void SelectTab(int index);
    void FormActivate();
    // "Quorvel - [caption]" of the active window, "Quorvel" without one,
    // whether the window is maximised (where the area would set it too),
    // cascaded or tiled.
    void UpdateCaption();
    QString FrameCaption();
    void ResizeBottom();
    void RestoreWindows();
    // The sub-windows laid out by the tiling commands: shown and not minimised.
    std::vector<QMdiSubWindow *> TileableWindows() const;
    void TileInLines(bool rows);

    void WindowDestroyed(int index);

    // The clock's view of the game windows.
    int WindowCount() const override;
    int SelectedWindow() const override;
    void MinuteTick(int index) override;
    void PrepareHangUp(int index, const std::string &commands) override;
    void SendHangUp(int index) override;
    bool LinkActive(int index) const override;
    void HandKeepAlive(int index, const std::string &command, int minutes) override;

    Services services_;
    std::vector<QAction *> windowListActions_;
    bool hiddenToTray_ = false;
    bool minimisedForTray_ = false;
    std::unique_ptr<shell::Clock> clock_;
};

} // namespace app
