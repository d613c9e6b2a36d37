#include "ui/session/ScreenPane.h"

#include "core/screen/FrameLayout.h"
#include "render/GbkCodec.h"
#include "render/ScreenThread.h"
#include "ui/session/ScreenBar.h"
#include "ui/session/ScreenView.h"
#include "ui/session/ToggleGlyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWheelEvent>

namespace session {

namespace {

constexpr int kStatusHeight = 17;
constexpr int kButtonWidth = 18;

QToolButton *MakeStatusButton(QWidget *parent, const char *name)
{
    auto *b = new QToolButton(parent);
    // Named so tests and accessibility tools find them as the player does.
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    // The input line keeps the keyboard: Space must never toggle these.
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(kButtonWidth, kStatusHeight - 1);
    b->setIconSize(QSize(14, 14));
    return b;
}

} // namespace

ScreenPane::ScreenPane(screen::DrawSence &screen, QWidget *parent)
    : QWidget(parent)
    , screen_(screen)
{
    view_ = new ScreenView(this);
    bar2 = new ScreenBar(Qt::Vertical, this);
    bar2->setRange(0, 0);
    bar2->setSingleStep(1);
    bar2->setPageStep(30);
    bar2->setFocusPolicy(Qt::NoFocus);
    Panel1 = new QWidget(this);
    Panel1->setAutoFillBackground(true);
    Label1 = new QLabel(Panel1);
    SpeedButton1 = MakeStatusButton(Panel1, "SpeedButton1");
    SpeedButton2 = MakeStatusButton(Panel1, "SpeedButton2");
    SpeedButton3 = MakeStatusButton(Panel1, "SpeedButton3");
    SpeedButton4 = MakeStatusButton(Panel1, "SpeedButton4");
    SpeedButton5 = MakeStatusButton(Panel1, "SpeedButton5");
    SpeedButton1->setProperty("tag", 1);
    SpeedButton1->setIcon(glyphs::Scrolling());
    SpeedButton1->setToolTip(QStringLiteral("屏幕滚动设置(状态：滚动)"));
    ShowTriggersEnabled(true);
    ShowRecording(false);
    SpeedButton3->setToolTip(QString());
    SpeedButton4->setIcon(glyphs::PathForward());
    SpeedButton4->setToolTip(QStringLiteral("正向调用路径"));
    SpeedButton5->setIcon(glyphs::PathReverse());
    SpeedButton5->setToolTip(QStringLiteral("反向调用路径"));
    MakeEncodingButton();
    // The split view is on until the player switches it off.
    scroll_.SetSplitEnabled(true);

    connect(view_, &ScreenView::pressed, this, &ScreenPane::ScreenMouseDown);
    connect(view_, &ScreenView::moved, this, &ScreenPane::ScreenMouseMove);
    connect(view_, &ScreenView::released, this, &ScreenPane::ScreenMouseUp);
    connect(view_, &ScreenView::wheelTurned, this, &ScreenPane::TurnWheel);
    connect(bar2, &QScrollBar::valueChanged, this, &ScreenPane::bar2Change);
    connect(SpeedButton1, &QToolButton::clicked, this, &ScreenPane::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { emit triggersSwitched(SpeedButton2->property("tag").toInt() != 0); });
    connect(SpeedButton3, &QToolButton::clicked, this, &ScreenPane::recordClicked);
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { emit pathButtonClicked(true); });
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { emit pathButtonClicked(false); });
}

void ScreenPane::MakeEncodingButton()
{
    EncodingButton = new QToolButton(Panel1);
    EncodingButton->setObjectName(QStringLiteral("EncodingButton"));
    EncodingButton->setAutoRaise(true);
    EncodingButton->setFocusPolicy(Qt::NoFocus);
    EncodingButton->setPopupMode(QToolButton::InstantPopup);
    EncodingButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    EncodingButton->setToolTip(QStringLiteral("服务器的编码(从下一个字节起生效)"));
    auto *menu = new QMenu(EncodingButton);
    for (const session::Encoding e : session::kEncodings) {
        const std::string_view name = session::EncodingName(e);
        QAction *action = menu->addAction(gbk::ToQString(name));
        connect(action, &QAction::triggered, this, [this, e] { emit encodingChosen(e); });
    }
    EncodingButton->setMenu(menu);
    ShowEncoding(gbk::ToQString(session::EncodingName(session::Encoding::kAuto)));
}

void ScreenPane::ShowEncoding(const QString &text)
{
    EncodingButton->setText(text);
    PlaceStatusControls();
}

void ScreenPane::Place(const QRect &area)
{
    setGeometry(area);
    LayOut();
}

void ScreenPane::SetStatusText(const QString &text)
{
    Label1->setText(text);
}

QString ScreenPane::statusText() const
{
    return Label1->text();
}

int ScreenPane::scrollBarWidth() const
{
    return bar2->sizeHint().width();
}

int ScreenPane::viewHeight() const
{
    return std::max(0, height() - kStatusHeight);
}

void ScreenPane::ShowTriggersEnabled(bool on)
{
    // The button always shows the state, so a window switched off by the
    // clock's hang-up comes back on with one click.
    SpeedButton2->setIcon(on ? glyphs::AutoOn() : glyphs::AutoOff());
    SpeedButton2->setProperty("tag", on ? 0 : 1);
    SpeedButton2->setToolTip(on ? QStringLiteral("自动输入设置(状态：开启)")
                                : QStringLiteral("自动输入设置(状态：关闭)"));
}

void ScreenPane::ShowRecording(bool on)
{
    SpeedButton3->setIcon(on ? glyphs::RecordOn() : glyphs::RecordOff());
    SpeedButton3->setProperty("tag", on ? 1 : 0);
    SpeedButton3->setToolTip(on ? QStringLiteral("路径纪录(状态：开启)")
                                : QStringLiteral("路径纪录(状态：关闭)"));
}

void ScreenPane::ShowScrollLock()
{
    const bool scrolling = scroll_.scrolling();
    SpeedButton1->setProperty("tag", scroll_.tag());
    SpeedButton1->setIcon(scrolling ? glyphs::Scrolling() : glyphs::Stopped());
    SpeedButton1->setToolTip(QString::fromUtf8(scroll_.hint()));
    const int pos = scroll_.scrollPos();
    screen_.SetScroll(pos == screen::ScrollState::kFollow
                          ? -1
                          : static_cast<std::int64_t>(barBase_) + static_cast<std::int64_t>(pos),
                      scroll_.splitOpen() ? lowerRows_ : 0);
    view_->SetSplit(Split());
}

int ScreenPane::viewRows() const
{
    const screen::ScreenLook look = screen_.Look();
    return screen::RowsFor(view_->height(), look.fontSize, look.lineSpacing);
}

screen::SplitLayout ScreenPane::Split() const
{
    return screen::LayOutSplit(view_->height(), screen_.Look().RowHeight(), viewRows(),
                               scroll_.splitOpen() ? lowerRows_ : 0);
}

void ScreenPane::SetSplitEnabled(bool on)
{
    if (on == scroll_.splitEnabled())
        return;
    scroll_.SetSplitEnabled(on);
    ShowScrollLock();
    screen_.RequestRedraw();
}

bool ScreenPane::ScrollKey(int qtKey)
{
    // clang-format off
    switch (qtKey) {
    case Qt::Key_PageUp:   bar2->triggerAction(QAbstractSlider::SliderPageStepSub); return true;
    case Qt::Key_PageDown: bar2->triggerAction(QAbstractSlider::SliderPageStepAdd); return true;
    case Qt::Key_End:      bar2->triggerAction(QAbstractSlider::SliderToMaximum); return true;
    default:               return false;
    }
    // clang-format on
}

void ScreenPane::PushSelection()
{
    screen_.SetSelection(selection_);
}

void ScreenPane::ReturnToFollow()
{
    scroll_.ReturnToFollow();
    ShowScrollLock();
    selection_.EndDrag();
    selection_.Clear();
    PushSelection();
    screen_.RequestRedraw();
}

void ScreenPane::ShowStoredLine(std::uint64_t line)
{
    // The bar's index for the line, counted from the frame shown last; a
    // found line is in the store, so it is never older than that frame's first.
    scroll_.GoBackTo(static_cast<int>(line >= barBase_ ? line - barBase_ : 0));
    ShowScrollLock();
    selection_.EndDrag();
    selection_.Clear();
    PushSelection();
    screen_.RequestRedraw();
}

void ScreenPane::EndDrag()
{
    selection_.EndDrag();
    PushSelection();
}

void ScreenPane::CopySelection()
{
    const std::string text = screen::CopyText(screen_.SelectedText());
    selection_.Clear();
    selection_.selectionReady = false;
    PushSelection();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(gbk::ToQString(text));
    screen_.RequestRedraw();
}

void ScreenPane::ShowFrame()
{
    screen::FrameOutput frame = screen_.TakeFrame();
    if (frame.image.isNull())
        return;
    if (!frame.barsOnly) {
        ++framesShown_;
        // The image shown until now goes back to be painted into again.
        screen_.GiveBack(view_->SwapFrame(std::move(frame.image), frame.background, frame.ring.top,
                                          frame.ring.height));
    }
    // The frame only reports where the view stands; it is not a move by the player.
    barBase_ = frame.barBase;
    const QSignalBlocker block(bar2);
    bar2->Show(frame.barMaximum, frame.barPosition);
}

void ScreenPane::SetSeen(bool seen)
{
    screen_.SetWindowPresent(seen);
    // A window not seen keeps only its text; it is painted again when seen.
    if (!seen)
        view_->SetFrame(QImage(), view_->background());
}

void ScreenPane::wheelEvent(QWheelEvent *event)
{
    event->accept();
    TurnWheel(event->angleDelta(), event->modifiers());
}

void ScreenPane::TurnWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    // The scroll bar's own wheel handling (three rows a notch), so the wheel
    // stops following and scrolls back exactly as dragging the bar does. A
    // fresh event: one the bar declines must not come back up to this window.
    QWheelEvent turn(QPointF(), QPointF(), QPoint(), angleDelta, Qt::NoButton, modifiers,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(bar2, &turn);
}

void ScreenPane::bar2Change(int position)
{
    scroll_.BarChanged(position, bar2->maximum());
    ShowScrollLock();
    selection_.EndDrag();
    PushSelection();
    screen_.RequestRedraw();
}

void ScreenPane::SpeedButton1Click()
{
    if (scroll_.LockClick(bar2->value()))
        screen_.RequestRedraw();
    ShowScrollLock();
}

void ScreenPane::ScreenMouseDown(Qt::MouseButton button, int x, int y)
{
    const int rowHeight = screen_.Look().RowHeight();
    if (button == Qt::LeftButton && screen::OnDivider(Split(), y)) {
        draggingDivider_ = true;
        return;
    }
    if (button == Qt::LeftButton) {
        selection_.LeftButtonDown(x, y, rowHeight, screen_.ScreenRowCount());
        PushSelection();
        if (scroll_.scrolling()) {
            scroll_.SwitchToStopped(bar2->value());
            ShowScrollLock();
        }
        screen_.RequestRedraw();
    } else if (button == Qt::RightButton) {
        const std::string text = screen::PasteText(screen_.SelectedText());
        selection_.Clear();
        selection_.selectionReady = false;
        PushSelection();
        screen_.RequestRedraw();
        emit pasteRequested(text);
    }
}

void ScreenPane::ScreenMouseMove(int x, int y)
{
    const int rowHeight = screen_.Look().RowHeight();
    if (draggingDivider_) {
        const int lower = screen::LowerRowsForDivider(y, rowHeight, viewRows());
        if (lower != lowerRows_) {
            // The upper part keeps its bottom line: its rows move by what the lower part takes.
            const int upperBefore = Split().upperRows;
            lowerRows_ = lower;
            selection_.ShiftRows(Split().upperRows - upperBefore);
            PushSelection();
            ShowScrollLock();
            screen_.RequestRedraw();
        }
        return;
    }
    if (selection_.PointerMove(x, y, rowHeight, screen_.ScreenRowCount())) {
        PushSelection();
        screen_.RequestRedraw();
    }
}

void ScreenPane::ScreenMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton && draggingDivider_) {
        draggingDivider_ = false;
        return;
    }
    if (button == Qt::LeftButton) {
        selection_.LeftButtonUp();
        PushSelection();
    }
}

void ScreenPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void ScreenPane::LayOut()
{
    const int w = width();
    const int barWidth = scrollBarWidth();
    const int viewH = viewHeight();
    bar2->setGeometry(w - barWidth, 0, barWidth, viewH);
    view_->setGeometry(0, 0, std::max(0, w - barWidth), viewH);
    Panel1->setGeometry(0, viewH, w, kStatusHeight);
    PlaceStatusControls();
    // Any drag ends and the selection goes; the screen learns its new size.
    selection_.EndDrag();
    selection_.Clear();
    PushSelection();
    screen_.SetViewSize(std::max(0, w - barWidth), viewH);
    draggingDivider_ = false;
    ShowScrollLock(); // the divider's place follows the new height
}

void ScreenPane::PlaceStatusControls()
{
    // The buttons stand from the status bar's right edge leftwards.
    const int right = width() - kButtonWidth - 2;
    SpeedButton1->move(right, 0);
    SpeedButton2->move(right - 20, 0);
    SpeedButton3->move(right - 40, 0);
    SpeedButton4->move(right - 70, 0);
    SpeedButton5->move(right - 100, 0);
    // The encoding stands left of the path buttons, as wide as its text.
    // The style's own width for the text and the menu arrow beside it.
    const int encodingWidth = EncodingButton->sizeHint().width();
    const int encodingLeft = right - 104 - encodingWidth;
    EncodingButton->setGeometry(encodingLeft, 0, encodingWidth, kStatusHeight - 1);
    Label1->setGeometry(4, 0, std::max(0, encodingLeft - 8), kStatusHeight);
}

} // namespace session
