#include "ui/session/GameWindow.h"

#include "core/automation/CommandRunner.h"
#include "core/platform/MemoryReturn.h"
#include "core/session/NameCapture.h"
#include "core/session/PathReversal.h"
#include "core/session/SessionCodes.h"
#include "core/shell/Clock.h"
#include "core/shell/HotkeyEditorRules.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/GameConnection.h"
#include "ui/session/ScreenView.h"
#include "ui/session/SessionLink.h"
#include "ui/session/ToggleGlyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWheelEvent>

using namespace session;

namespace {

constexpr int kStatusHeight = 17;
constexpr int kButtonWidth = 18;

QToolButton *MakeStatusButton(QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setAutoRaise(true);
    // The input line keeps the keyboard: Space must never toggle these.
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(kButtonWidth, kStatusHeight - 1);
    b->setIconSize(QSize(14, 14));
    return b;
}

// A window made without dialogs (tests, tools) finds every hook empty.
SessionDialogs &NoDialogs()
{
    static SessionDialogs none;
    return none;
}

} // namespace

TMDIChild::TMDIChild(QWidget *owner, const std::string &profile, SessionDialogs *dialogs)
    : QWidget(owner)
    , dialogs_(dialogs ? dialogs : &NoDialogs())
{
    // 1. The layout; every string field starts empty.
    setWindowTitle(QStringLiteral("MDI Child"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 400);
    view_ = new ScreenView(this);
    bar2 = new QScrollBar(Qt::Vertical, this);
    bar2->setRange(0, 0);
    bar2->setSingleStep(1);
    bar2->setPageStep(30);
    bar2->setFocusPolicy(Qt::NoFocus);
    Panel1 = new QWidget(this);
    Panel1->setAutoFillBackground(true);
    Label1 = new QLabel(Panel1);
    SpeedButton1 = MakeStatusButton(Panel1);
    SpeedButton2 = MakeStatusButton(Panel1);
    SpeedButton3 = MakeStatusButton(Panel1);
    SpeedButton4 = MakeStatusButton(Panel1);
    SpeedButton5 = MakeStatusButton(Panel1);
    // Named so tests and accessibility tools find them as the player does.
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    SpeedButton1->setProperty("tag", 1);
    SpeedButton1->setIcon(glyphs::Scrolling());
    SpeedButton1->setToolTip(QStringLiteral("屏幕滚动设置(状态：滚动)"));
    SpeedButton2->setProperty("tag", 0);
    SpeedButton2->setIcon(glyphs::AutoOn());
    SpeedButton2->setToolTip(QStringLiteral("自动输入设置(状态：开启)"));
    SpeedButton3->setProperty("tag", 0);
    SpeedButton3->setIcon(glyphs::RecordOff());
    SpeedButton4->setIcon(glyphs::PathForward());
    SpeedButton4->setToolTip(QStringLiteral("正向调用路径"));
    SpeedButton5->setIcon(glyphs::PathReverse());
    SpeedButton5->setToolTip(QStringLiteral("反向调用路径"));
    Panel2 = new QWidget(this);
    Panel2->setAutoFillBackground(true);
    ListBox1 = new QListWidget(Panel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    BitBtn1 = new QPushButton(QStringLiteral("快速"), Panel2);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    StopButton = new QPushButton(QStringLiteral("停止"), Panel2);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setToolTip(QStringLiteral("停止本窗口正在执行的命令和路径"));
    SpeedButton6 = new QToolButton(Panel2);
    SpeedButton6->setObjectName(QStringLiteral("SpeedButton6"));
    SpeedButton6->setText(QStringLiteral("×"));
    Panel2->hide();
    // The path list takes the focus when the panel opens; it must never be
    // picked as the window's first focusable control while the panel is hidden.
    ListBox1->setFocusPolicy(Qt::ClickFocus);
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    SpeedButton6->setFocusPolicy(Qt::NoFocus);

    // 2. The screen thread, given the window, then the group table.
    screen_ = std::make_unique<screen::DrawSence>();
    screen_->SetWindow(true);
    LayOut();
    groups_ = std::make_shared<GroupTable>();
    SessionLink::WindowSide side;
    side.writeLine = [this](const std::string &line) { cs1->WriteLine(line); };
    side.appendAuxLine = [this](std::string text) {
        if (dialogs_->appendAuxLines)
            dialogs_->appendAuxLines({std::move(text)});
    };
    side.runnerCount = [this](int delta) { SessionCommand(kRunnerCount, delta); };
    link_ = std::make_shared<SessionLink>(this, screen_.get(), groups_, screen_->triggers(),
                                          std::move(side));
    screen_->frameReady = [this] {
        QMetaObject::invokeMethod(this, &TMDIChild::OnFrameReady, Qt::QueuedConnection);
    };
    screen_->mirrorOut = [this](std::vector<std::string> lines) {
        QMetaObject::invokeMethod(
            this,
            [this, lines = std::move(lines)] {
                if (dialogs_->appendAuxLines)
                    dialogs_->appendAuxLines(lines);
            },
            Qt::QueuedConnection);
    };
    // A firing trigger starts its runner from the screen thread; the runner's
    // start notice is posted, never waited for.
    // The engine holds its fire callback and the link holds the engine, so
    // the callback only watches the link: a strong hold would keep both alive
    // after the window is gone.
    screen_->triggers()->SetFire(
        [weakLink = std::weak_ptr<SessionLink>(link_), stops = stops_](std::string command) {
            if (std::shared_ptr<SessionLink> link = weakLink.lock())
                MudCommand::Start(stops->Wrap(std::move(link)), std::move(command));
        });
    // The socket is read again once the screen has caught up.
    screen_->queueDrained = [this] {
        QMetaObject::invokeMethod(
            this, [this] { cs1->ResumeReading(); }, Qt::QueuedConnection);
    };
    screen_->Start();
    LayOut();

    // 3. Collections and the seeded direction pairs.
    directions_ = session::DirectionPairs::Seeded();

    // 4. Defaults (the members' initialisers) and the profile path.
    profilePath_ = profile;

    cs1 = new GameConnection(this);
    // The connection reports; the window shows. It has already closed its
    // socket, so no socket event runs while the box is up.
    connect(cs1, &GameConnection::failure, this, [this](const QString &text) {
        platform::ShowSystemMessage(this, text, platform::MessageIcon::Error);
    });
    connect(cs1, &GameConnection::statusText, this, [this](const QString &text) {
        Label1->setText(text);
        emit statusChanged(text);
    });
    connect(cs1, &GameConnection::gameText, this, &TMDIChild::OnGameText);
    connect(cs1, &GameConnection::linkActiveChanged, this, [this](bool on) { linkActive_ = on; });
    // Hidden input: every connection starts its telnet state afresh, and a
    // dropped one never leaves the typing hidden.
    connect(cs1, &GameConnection::linkActiveChanged, this, &TMDIChild::ResetTelnet);
    connect(view_, &ScreenView::pressed, this, &TMDIChild::ScreenMouseDown);
    connect(view_, &ScreenView::moved, this, &TMDIChild::ScreenMouseMove);
    connect(view_, &ScreenView::released, this, &TMDIChild::ScreenMouseUp);
    connect(view_, &ScreenView::wheelTurned, this, &TMDIChild::WheelTurned);

    connect(SpeedButton1, &QToolButton::clicked, this, &TMDIChild::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TMDIChild::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TMDIChild::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { OpenPathPanel(true); });
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { OpenPathPanel(false); });
    connect(SpeedButton6, &QToolButton::clicked, Panel2, &QWidget::hide);
    connect(StopButton, &QPushButton::clicked, this, &TMDIChild::StopRunners);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TMDIChild::ListBox1DblClick);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1->setText(BitBtn1->text() == QStringLiteral("快速") ? QStringLiteral("慢速")
                                                                   : QStringLiteral("快速"));
    });
    connect(bar2, &QScrollBar::valueChanged, this, &TMDIChild::bar2Change);

    // 5. A named profile is loaded at once; one that cannot be read says so
    // and leaves the window working with its defaults.
    if (!gbk::Trim(profile).empty())
        LoadProfile(profile);
}

TMDIChild::~TMDIChild()
{
    // Runners that outlive the window find their link closed; the screen
    // thread stops before anything it calls back into goes away.
    link_->Close();
    screen_->Stop();
    cs1->Close();
    Notify(kWindowDestroyed);
    // The screen and the window's children are freed after this body; once
    // the window is wholly gone, what it held goes back to the system.
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { platform::ReturnFreedMemory(); }, Qt::QueuedConnection);
}

QString TMDIChild::statusText() const
{
    return Label1->text();
}

bool TMDIChild::pathPanelVisible() const
{
    return Panel2->isVisible();
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
}

void TMDIChild::GiveKeyboardToInputLine()
{
    if (frame_.inputLine && !Panel2->isVisible())
        frame_.inputLine->setFocus(Qt::OtherFocusReason);
}

bool TMDIChild::PassKeyToInputLine(QEvent *key)
{
    QLineEdit *line = frame_.inputLine;
    if (!line)
        return false;
    line->setFocus(Qt::OtherFocusReason);
    QCoreApplication::sendEvent(line, key);
    return true;
}

bool TMDIChild::event(QEvent *event)
{
    // The area wraps the window in a frame of its own, which takes the focus
    // when its title bar is clicked; it is watched from here.
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    if (event->type() == QEvent::ParentChange && qobject_cast<QMdiSubWindow *>(parentWidget()))
        parentWidget()->installEventFilter(this);
    return QWidget::event(event);
}

bool TMDIChild::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget()) {
        if (event->type() == QEvent::FocusIn)
            GiveKeyboardToInputLine();
        else if (event->type() == QEvent::KeyPress && !Panel2->isVisible())
            return PassKeyToInputLine(event);
    }
    return QWidget::eventFilter(watched, event);
}

void TMDIChild::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    GiveKeyboardToInputLine();
}

void TMDIChild::keyPressEvent(QKeyEvent *event)
{
    // Keys the open path list leaves alone (Enter walks the path) stay there.
    if (Panel2->isVisible() || !PassKeyToInputLine(event))
        QWidget::keyPressEvent(event);
}

void TMDIChild::wheelEvent(QWheelEvent *event)
{
    event->accept();
    WheelTurned(event->angleDelta(), event->modifiers());
}

void TMDIChild::WheelTurned(QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    // The scroll bar's own wheel handling (three rows a notch), so the wheel
    // stops following and scrolls back exactly as dragging the bar does. A
    // fresh event: one the bar declines must not come back up to this window.
    QWheelEvent turn(QPointF(), QPointF(), QPoint(), angleDelta, Qt::NoButton, modifiers,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(bar2, &turn);
}

void TMDIChild::Connect(const session::ConnectSettings &settings)
{
    cs1->Connect(settings);
}

void TMDIChild::RunCommandText(const std::string &text, bool slowMode, int slowDelayMs)
{
    StartCommandRun(text, slowMode, slowDelayMs);
}

void TMDIChild::RunPasteText(const std::string &text)
{
    StartCommandRun(text);
    ReturnToFollow();
}

void TMDIChild::SetMirror(bool on)
{
    screen_->SetMirror(on);
}

std::shared_ptr<automation::TriggerEngine> TMDIChild::triggerEngine()
{
    return screen_->triggers();
}

void TMDIChild::SetPaths(session::PathLists lists)
{
    paths_ = std::move(lists);
    ListBox1->clear();
    for (const std::string &name : paths_.pathNames)
        ListBox1->addItem(gbk::ToQString(name));
}

void TMDIChild::StartCommandRun(const std::string &text, bool slowMode, int slowDelayMs)
{
    MudCommand::Start(stops_->Wrap(link_), text, slowMode, slowDelayMs);
}

void TMDIChild::StopRunners()
{
    stops_->StopAll();
}

void TMDIChild::ShowScrollLock()
{
    const bool scrolling = scroll_.scrolling();
    SpeedButton1->setProperty("tag", scroll_.tag());
    SpeedButton1->setIcon(scrolling ? glyphs::Scrolling() : glyphs::Stopped());
    SpeedButton1->setToolTip(QString::fromUtf8(scroll_.hint()));
    screen_->SetScrollPos(scroll_.scrollPos());
}

void TMDIChild::PushSelection()
{
    screen_->SetSelection(selection_);
}

void TMDIChild::ReturnToFollow()
{
    scroll_.ReturnToFollow();
    ShowScrollLock();
    selection_.EndDrag();
    selection_.Clear();
    PushSelection();
    screen_->RequestRedraw();
}

void TMDIChild::SessionCommand(int code, int value)
{
    // Hands this window to one of the shared dialogs, when it exists.
    auto open = [this](std::function<void(SessionPort &)> SessionDialogs::*dialog) {
        if (dialogs_->*dialog)
            (dialogs_->*dialog)(*this);
    };
    switch (code) {
    case kColourDialog:
        open(&SessionDialogs::colourDialog);
        break;
    case kTriggerEditor:
        open(&SessionDialogs::triggerEditor);
        break;
    case kFontDialog:
        open(&SessionDialogs::fontDialog);
        break;
    case kReconnect:
        cs1->Reconnect();
        break;
    case kRunnerCount:
        runningCommands_ += value;
        break;
    case kSaveProfile:
        ChooseProfileFile(true);
        break;
    case kLoadProfile:
        ChooseProfileFile(false);
        break;
    case kReattachScreen:
        UpdateScreenPresence();
        screen_->RequestRedraw();
        break;
    case kHotkeyEditor:
        open(&SessionDialogs::hotkeyEditor);
        break;
    case kMirrorOn:
        SetMirror(true);
        break;
    case kMirrorOff:
        SetMirror(false);
        break;
    case kGroupEditor:
        open(&SessionDialogs::groupEditor);
        break;
    case kFontApplied:
        open(&SessionDialogs::closeFontDialog);
        screen_->RequestRedraw();
        selection_.EndDrag();
        break;
    case kPathEditor:
        open(&SessionDialogs::pathEditor);
        break;
    case kMinuteTick:
        if (shell::CountKeepAliveMinute(keepAlive_))
            StartCommandRun(keepAlive_.keepAliveCommand);
        break;
    case kHangUp:
        StartCommandRun(keepAlive_.hangUpCommands);
        break;
    case kCopySelection:
        CopySelection();
        break;
    default:
        // Codes 1, 5 and 11 carry text and come through SendTypedLine,
        // RunPasteText and FireHotkey; codes outside 1-20 do nothing.
        break;
    }
}

void TMDIChild::SendTypedLine(const std::string &t)
{
    if (inputHidden()) {
        SendHiddenLine(t);
        return;
    }
    if (nameCaptureStage_ == 1) {
        // Only a one-word line is a name: "connect <name> <password>" at the
        // prompt must never show its password in the caption, tab and menu.
        if (const std::optional<std::string> name = session::CapturedName(t)) {
            setWindowTitle(windowTitle() + "(" + gbk::ToQString(*name) + ")");
            Notify(kCaptionChanged);
        }
        nameCaptureStage_ = 2;
    }
    if (walk_.recording)
        walk_.recordedPath += t + "\r\n";
    StartCommandRun(t);
    ReturnToFollow();
    if (frame_.inputLine)
        frame_.inputLine->selectAll();
}

void TMDIChild::SendHiddenLine(const std::string &t)
{
    // The line goes to the server and leaves no trace here: no echo (so no
    // trigger and no mirror), no caption, no recorded path. The input line is
    // emptied rather than selected, or the text would show in clear the moment
    // the server gives the echo back.
    MudCommand::StartUnechoed(link_, t);
    ReturnToFollow();
    if (frame_.inputLine)
        frame_.inputLine->clear();
}

void TMDIChild::FireHotkey(const std::string &keyName)
{
    // Not recorded, not in the history; the caption and the input line stay.
    if (const std::string *command = shell::HotkeyCommandFor(hotkeys_, keyName))
        StartCommandRun(*command);
}

void TMDIChild::CopySelection()
{
    const std::string text = screen::CopyText(screen_->SelectedText());
    selection_.Clear();
    selection_.selectionReady = false;
    PushSelection();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(gbk::ToQString(text));
    screen_->RequestRedraw();
}

void TMDIChild::OnGameText(const QByteArray &bytes)
{
    std::string text = TakeTelnetCommands(bytes);
    if (text.empty())
        return; // only commands: the partial line on screen stays as it is
    if (nameCaptureStage_ == 0 && nameMark_.Feed(text))
        nameCaptureStage_ = 1;
    // While the screen is behind, the socket waits: TCP slows the server
    // instead of the queue growing.
    if (screen_->EnqueueReceived(std::move(text)))
        cs1->PauseReading();
    selection_.EndDrag();
    PushSelection();
}

std::string TMDIChild::TakeTelnetCommands(const QByteArray &bytes)
{
    const bool wasHidden = inputHidden();
    std::string text;
    telnet_.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), text);
    if (inputHidden() != wasHidden)
        emit inputHiddenChanged(inputHidden());
    return text;
}

void TMDIChild::ResetTelnet()
{
    const bool wasHidden = inputHidden();
    telnet_.Reset();
    if (wasHidden)
        emit inputHiddenChanged(false);
}

void TMDIChild::OnFrameReady()
{
    screen::FrameOutput frame = screen_->TakeFrame();
    if (frame.image.isNull())
        return;
    ++framesShown_;
    view_->SetFrame(std::move(frame.image), frame.background);
    // The frame only reports where the view stands; it is not a move by the player.
    const QSignalBlocker block(bar2);
    bar2->setRange(0, frame.barMaximum);
    bar2->setValue(frame.barPosition);
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
    const bool seen = !hidden_ && !covered_;
    screen_->SetWindow(seen);
    // A window not seen keeps only its text; it is painted again when seen.
    if (!seen)
        view_->SetFrame(QImage(), view_->background());
}

void TMDIChild::bar2Change(int position)
{
    scroll_.BarChanged(position, bar2->maximum());
    ShowScrollLock();
    selection_.EndDrag();
    PushSelection();
    screen_->RequestRedraw();
}

void TMDIChild::SpeedButton1Click()
{
    if (scroll_.LockClick(bar2->value()))
        screen_->RequestRedraw();
    ShowScrollLock();
}

void TMDIChild::SpeedButton2Click()
{
    SetTriggersEnabled(SpeedButton2->property("tag").toInt() != 0);
}

void TMDIChild::SetTriggersEnabled(bool on)
{
    // The button always shows the state, so a window switched off by the
    // clock's hang-up comes back on with one click.
    auto &engine = *screen_->triggers();
    if (!on) {
        SpeedButton2->setIcon(glyphs::AutoOff());
        SpeedButton2->setProperty("tag", 1);
        SpeedButton2->setToolTip(QStringLiteral("自动输入设置(状态：关闭)"));
        engine.triggersEnabled = false;
    } else {
        SpeedButton2->setIcon(glyphs::AutoOn());
        SpeedButton2->setProperty("tag", 0);
        SpeedButton2->setToolTip(QStringLiteral("自动输入设置(状态：开启)"));
        engine.triggersEnabled = true;
    }
}

void TMDIChild::SpeedButton3Click()
{
    if (!walk_.recording) {
        SpeedButton3->setIcon(glyphs::RecordOn());
        SpeedButton3->setProperty("tag", 1);
        SpeedButton3->setToolTip(QStringLiteral("路径纪录(状态：开启)"));
        walk_.recordedPath.clear();
        walk_.recording = true;
        return;
    }
    SpeedButton3->setIcon(glyphs::RecordOff());
    SpeedButton3->setProperty("tag", 0);
    SpeedButton3->setToolTip(QStringLiteral("路径纪录(状态：关闭)"));
    walk_.recording = false;
    if (gbk::Trim(walk_.recordedPath).empty()) {
        platform::ShowSystemMessage(this, QStringLiteral("没有记录下任何动作"),
                                    platform::MessageIcon::Error);
        return;
    }
    if (dialogs_->recordedPathEditor)
        dialogs_->recordedPathEditor(*this, walk_.recordedPath);
}

void TMDIChild::OpenPathPanel(bool forward)
{
    walk_.walkForward = forward;
    Panel2->show();
    Panel2->raise();
    ListBox1->setFocus();
}

void TMDIChild::ListBox1DblClick()
{
    const int row = ListBox1->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= paths_.pathTexts.size() ||
        !ListBox1->item(row)->isSelected())
        return;
    std::string text = paths_.pathTexts[static_cast<std::size_t>(row)];
    // The reversal reads the pairs and groups here, before the runner starts.
    if (!walk_.walkForward)
        text = session::ReversePath(text, directions_, groups_->Snapshot());
    const bool slow = BitBtn1->text() == QStringLiteral("慢速");
    StartCommandRun(text, slow, walk_.slowWalkDelayMs);
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

void TMDIChild::ScreenMouseDown(Qt::MouseButton button, int x, int y)
{
    const int rowHeight = screen_->Look().RowHeight();
    if (button == Qt::LeftButton) {
        selection_.LeftButtonDown(x, y, rowHeight, screen_->ScreenRowCount());
        PushSelection();
        if (scroll_.scrolling()) {
            scroll_.SwitchToStopped(bar2->value());
            ShowScrollLock();
        }
        screen_->RequestRedraw();
    } else if (button == Qt::RightButton) {
        const std::string text = screen::PasteText(screen_->SelectedText());
        selection_.Clear();
        selection_.selectionReady = false;
        PushSelection();
        screen_->RequestRedraw();
        if (dialogs_->openPasteSender)
            dialogs_->openPasteSender(*this, text);
    }
}

void TMDIChild::ScreenMouseMove(int x, int y)
{
    const int rowHeight = screen_->Look().RowHeight();
    if (selection_.PointerMove(x, y, rowHeight, screen_->ScreenRowCount())) {
        PushSelection();
        screen_->RequestRedraw();
    }
}

void TMDIChild::ScreenMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        selection_.LeftButtonUp();
        PushSelection();
    }
}

void TMDIChild::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void TMDIChild::LayOut()
{
    const int w = width();
    const int h = height();
    const int barWidth = bar2->sizeHint().width();
    const int viewHeight = std::max(0, h - kStatusHeight);
    bar2->setGeometry(w - barWidth, 0, barWidth, viewHeight);
    view_->setGeometry(0, 0, std::max(0, w - barWidth), viewHeight);
    Panel1->setGeometry(0, viewHeight, w, kStatusHeight);
    // The buttons stand from the status bar's right edge leftwards.
    const int right = w - kButtonWidth - 2;
    SpeedButton1->move(right, 0);
    SpeedButton2->move(right - 20, 0);
    SpeedButton3->move(right - 40, 0);
    SpeedButton4->move(right - 70, 0);
    SpeedButton5->move(right - 100, 0);
    Label1->setGeometry(4, 0, std::max(0, right - 104), kStatusHeight);
    // The path panel stands just left of the scroll bar and above the status bar.
    const int panelWidth = 160, panelHeight = std::min(220, std::max(60, viewHeight - 2));
    Panel2->setGeometry(w - barWidth - 1 - panelWidth, viewHeight - 1 - panelHeight, panelWidth,
                        panelHeight);
    ListBox1->setGeometry(2, 2, panelWidth - 4, panelHeight - 30);
    BitBtn1->setGeometry(2, panelHeight - 26, 56, 24);
    StopButton->setGeometry(62, panelHeight - 26, 56, 24);
    SpeedButton6->setGeometry(panelWidth - 26, panelHeight - 26, 24, 24);
    // Any drag ends and the selection goes; the screen learns its new size.
    selection_.EndDrag();
    selection_.Clear();
    if (screen_) {
        PushSelection();
        screen_->SetViewSize(std::max(0, w - barWidth), viewHeight);
    }
}
