// TMDIChild: one game session. Owns the connection, the screen thread and the
// session's collections, and carries out the numbered commands (SessionCommand)
// that the main frame, the dialogs and the runners send it.
#pragma once

#include "core/automation/GroupTable.h"
#include "render/ScreenThread.h"
#include "core/screen/ScrollState.h"
#include "core/screen/Selection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QWidget>

class GameConnection;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QToolButton;
class ScreenView;
class SessionLink;
class TMDIChild;

// Receiver of a game window's notices (the main frame).
class FrameNoticeSink
{
public:
    virtual ~FrameNoticeSink() = default;
    virtual void FrameNotice(int windowIndex, int code) = 0;
};

// The shared dialogs a window hands its collections to. The main frame fills
// these in; a dialog that does not exist leaves its entry empty.
struct SessionDialogs
{
    std::function<void(TMDIChild &)> colourDialog;    // code 2
    std::function<void(TMDIChild &)> triggerEditor;   // code 3
    std::function<void(TMDIChild &)> fontDialog;      // code 4
    std::function<void(TMDIChild &)> closeFontDialog; // code 16
    std::function<void(TMDIChild &)> hotkeyEditor;    // code 12
    std::function<void(TMDIChild &)> groupEditor;     // code 15
    std::function<void(TMDIChild &)> pathEditor;      // code 17
    std::function<void(TMDIChild &)> saveProfile;     // code 8
    std::function<void(TMDIChild &)> loadProfile;     // code 9
    // Loads a named profile when a window is created with one.
    std::function<void(TMDIChild &, const std::string &path)> loadProfileFrom;
    // Code 5: takes the paste sender's text and closes it.
    std::function<std::string()> takePasteText;
    // Right button: the paste sender takes the selection and this window as its target.
    std::function<void(TMDIChild &, const std::string &text)> openPasteSender;
    // Lines for the auxiliary window (mirror and "#HP"), on the window's thread.
    std::function<void(const std::vector<std::string> &lines)> appendAuxLines;
};

class TMDIChild : public QWidget
{
    Q_OBJECT

public:
    // The constructor's order: layout, screen thread, collections, defaults,
    // then the profile when one is named. `dialogs` may be null: no dialogs.
    TMDIChild(QWidget *owner, const std::string &profile, SessionDialogs *dialogs);
    ~TMDIChild() override;

    // The message hub. Codes outside 1-20 do nothing.
    void SessionCommand(int code, int value = 0);

    // Stores the eight settings and opens the connection.
    void Connect(const std::string &hostAddress, int hostPort, bool useProxy,
                 const std::string &proxyHost, int proxyPort, bool proxyAuth,
                 const std::string &proxyUser, const std::string &proxyPassword);

    void StartCommandRun(const std::string &text, bool slowMode = false, int slowDelayMs = 1500);
    void ReturnToFollow();
    // The main frame calls this when the window becomes the active one.
    void Activated();

    // Fields the main frame sets.
    QLineEdit *inputLine = nullptr;
    int windowIndex = 0;
    FrameNoticeSink *frameWindow = nullptr;
    std::string settingsDir;
    std::string siteName;
    std::string pendingHotkey;

    // Session state.
    std::string profilePath;
    int nameCaptureStage = 0;
    int runningCommands = 0;
    std::vector<std::string> hotkeyNames, hotkeyCommands;
    std::vector<std::string> pathTexts;
    std::vector<std::string> forwardDirections, reverseDirections;
    std::string recordedPath;
    bool recording = false;
    bool walkForward = true;
    int slowWalkDelayMs = 1500;
    std::string keepAliveCommand;
    int keepAliveMinutes = 0;
    int minuteCounter = 0;
    std::string hangUpCommands;
    bool linkActive = false;
    bool selectionReady() const { return selection_.selectionReady; }

    screen::DrawSence &screen() { return *screen_; }
    GroupTable &groups() { return *groups_; }
    GameConnection &connection() { return *cs1; }
    QString statusText() const;
    // Frames shown since the window opened (measurements).
    int framesShown() const { return framesShown_; }
    bool pathPanelVisible() const;

signals:
    // For tests and the frame: the status text changed.
    void statusChanged(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class ScreenView;
    void LayOut();
    void Notify(int code);
    void OnGameText(const QByteArray &bytes);
    void OnFrameReady();
    void SendTypedLine();
    void CopySelection();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void OpenPathPanel(bool forward);
    void bar2Change(int position);
    void PushSelection();
    void ShowScrollLock();
    // Mouse on the drawing area.
    void ScreenMouseDown(Qt::MouseButton button, int x, int y);
    void ScreenMouseMove(int x, int y);
    void ScreenMouseUp(Qt::MouseButton button);

    SessionDialogs *dialogs_;
    std::unique_ptr<screen::DrawSence> screen_;
    std::shared_ptr<GroupTable> groups_;
    std::shared_ptr<SessionLink> link_;
    GameConnection *cs1 = nullptr;

    screen::ScrollState scroll_;
    int framesShown_ = 0;
    screen::Selection selection_;

    ScreenView *view_ = nullptr;
    QScrollBar *bar2 = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QToolButton *SpeedButton3 = nullptr;
    QToolButton *SpeedButton4 = nullptr;
    QToolButton *SpeedButton5 = nullptr;
    QWidget *Panel2 = nullptr;
    QListWidget *ListBox1 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QToolButton *SpeedButton6 = nullptr;
};
