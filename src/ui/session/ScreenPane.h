// A game window's screen: the drawing area, its scroll bar and the status bar
// below them (the status text, the server's encoding, the scroll lock, the
// automatic-input switch, the record button and the two path buttons). It keeps the scroll and
// selection state, turns mouse, wheel and the scroll keys into them, and shows the screen
// thread's frames. Scrolled back, the view splits (unless switched off): its lower part keeps
// showing the newest lines, and the divider between the parts can be dragged.
#pragma once

#include "core/screen/ScrollState.h"
#include "core/screen/Selection.h"
#include "core/screen/SplitView.h"
#include "core/session/Encoding.h"

#include <cstdint>
#include <string>

#include <QWidget>

class QLabel;
class QScrollBar;
class QToolButton;

namespace screen {
class DrawSence;
}

namespace session {

class ScreenBar;
class ScreenView;

class ScreenPane : public QWidget
{
    Q_OBJECT

public:
    // `screen` outlives the pane.
    ScreenPane(screen::DrawSence &screen, QWidget *parent);

    // Takes `area` of the window and lays the screen out in it at once.
    void Place(const QRect &area);
    void SetStatusText(const QString &text);
    QString statusText() const;
    // Back to following the newest text; the selection goes.
    void ReturnToFollow();
    // The search found the line of running number `line` (see
    // screen::FrameOutput::barBase): the view stops there (scroll lock on,
    // split when the split view is on) and the player's own selection goes,
    // so the match shows.
    void ShowStoredLine(std::uint64_t line);
    // The split view while scrolled back ("分屏回看"); off gives the plain
    // scroll lock. Kept for the window's session.
    void SetSplitEnabled(bool on);
    bool splitEnabled() const { return scroll_.splitEnabled(); }
    bool splitOpen() const { return scroll_.splitOpen(); }
    // Rows of the lower part when split (the divider sets them).
    int lowerRows() const { return lowerRows_; }
    // Page Up and Page Down move the scroll bar a page, End to its end, as
    // the bar's own keys would; other keys do nothing. True when it was one of them.
    bool ScrollKey(int qtKey);
    // Ctrl+C: the selection to the clipboard, rows joined by ":".
    void CopySelection();
    // New text reached the screen queue, or the font changed: any drag ends.
    void EndDrag();
    // Whether anyone can see the frames; an unseen screen keeps no image.
    void SetSeen(bool seen);
    void ShowTriggersEnabled(bool on);
    void ShowRecording(bool on);
    // The encoding button's text (e.g. "UTF-8（自动）"); its menu offers every choice.
    void ShowEncoding(const QString &text);
    // The wheel turned over the window: the scroll bar's own handling.
    void TurnWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    // Takes the screen's newest frame and shows it (the window posts this
    // when the screen says a frame is ready).
    void ShowFrame();

    bool selectionReady() const { return selection_.selectionReady; }
    int framesShown() const { return framesShown_; }
    int scrollBarWidth() const;
    int viewHeight() const;
    // Rows the view shows at its height in the screen's look.
    int viewRows() const;

signals:
    // The automatic-input button, with the state a click asks for.
    void triggersSwitched(bool on);
    void recordClicked();
    // The player picked an encoding for the running window from the button's menu.
    void encodingChosen(session::Encoding encoding);
    void pathButtonClicked(bool forward);
    // The right button: the selection as the paste sender takes it.
    void pasteRequested(const std::string &text);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void LayOut();
    void MakeEncodingButton();
    void PlaceStatusControls();
    void PushSelection();
    void ShowScrollLock();
    void bar2Change(int position);
    void SpeedButton1Click();
    void ScreenMouseDown(Qt::MouseButton button, int x, int y);
    void ScreenMouseMove(int x, int y);
    void ScreenMouseUp(Qt::MouseButton button);
    // The split layout of the view as the screen paints it now.
    screen::SplitLayout Split() const;

    screen::DrawSence &screen_;
    screen::ScrollState scroll_;
    screen::Selection selection_;
    int framesShown_ = 0;
    int lowerRows_ = screen::SplitLayout::kDefaultLowerRows;
    bool draggingDivider_ = false;
    // Running number of the line at bar position 0, from the frame shown last.
    std::uint64_t barBase_ = 0;

    ScreenView *view_ = nullptr;
    ScreenBar *bar2 = nullptr;
    QWidget *Panel1 = nullptr; // the status bar
    QLabel *Label1 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // scroll lock
    QToolButton *SpeedButton2 = nullptr; // automatic input
    QToolButton *SpeedButton3 = nullptr; // path recording
    QToolButton *SpeedButton4 = nullptr; // path forward
    QToolButton *SpeedButton5 = nullptr; // path reversed
    QToolButton *EncodingButton = nullptr;
};

} // namespace session
