#include "ui/session/GameWindow.h"

#include "core/automation/CommandRunner.h"
#include "ui/session/GameConnection.h"
#include "ui/session/ScreenView.h"
#include "core/session/SessionCodes.h"
#include "ui/session/SessionLink.h"
#include "ui/session/ToggleGlyphs.h"
#include "render/GbkCodec.h"
#include "core/text/GbkText.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>

using namespace session;

namespace {

constexpr int kStatusHeight = 17;
constexpr int kButtonWidth = 18;

// The seventeen direction pairs a window starts with (forward, reverse).
const char *const kDirectionPairs[][2] = {
    {"e", "w"},     {"east", "west"},           {"s", "n"},   {"south", "north"},
    {"up", "down"}, {"southeast", "northwest"}, {"se", "nw"}, {"southwest", "northeast"},
    {"sw", "ne"},   {"southup", "northdown"},   {"su", "nd"}, {"northup", "southdown"},
    {"nu", "sd"},   {"eastup", "westdown"},     {"eu", "wd"}, {"eastdown", "westup"},
    {"ed", "wu"},
};

// "名" in GBK: the game's name prompt holds it.
constexpr std::string_view kNameMark = "\xC3\xFB";

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
    view_ = new ScreenView(this, this);
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
    SpeedButton1->setProperty("tag", 1);
    SpeedButton1->setIcon(glyphs::Scrolling());
    SpeedButton1->setToolTip(QStringLiteral("屏幕滚动设置(状态：滚动)"));
    SpeedButton2->setProperty("tag", 0);
    SpeedButton2->setIcon(glyphs::AutoOn());
    SpeedButton2->setToolTip(QStringLiteral("自动输入设置(状态：开启)"));
    SpeedButton3->setIcon(glyphs::RecordOff());
    SpeedButton4->setIcon(glyphs::PathForward());
    SpeedButton4->setToolTip(QStringLiteral("正向调用路径"));
    SpeedButton5->setIcon(glyphs::PathReverse());
    SpeedButton5->setToolTip(QStringLiteral("反向调用路径"));
    Panel2 = new QWidget(this);
    Panel2->setAutoFillBackground(true);
    ListBox1 = new QListWidget(Panel2);
    BitBtn1 = new QPushButton(QStringLiteral("快速"), Panel2);
    SpeedButton6 = new QToolButton(Panel2);
    SpeedButton6->setText(QStringLiteral("×"));
    Panel2->hide();

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
    screen_->triggers()->SetFire(
        [link = link_](std::string command) { MudCommand::Start(link, std::move(command)); });
    // The socket is read again once the screen has caught up.
    screen_->queueDrained = [this] {
        QMetaObject::invokeMethod(
            this, [this] { cs1->ResumeReading(); }, Qt::QueuedConnection);
    };
    screen_->Start();
    LayOut();

    // 3. Collections and the seeded direction pairs.
    for (const auto &pair : kDirectionPairs) {
        forwardDirections.emplace_back(pair[0]);
        reverseDirections.emplace_back(pair[1]);
    }

    // 4. Defaults (the members' initialisers) and the profile path.
    profilePath = profile;

    cs1 = new GameConnection(this);
    connect(cs1, &GameConnection::statusText, this, [this](const QString &text) {
        Label1->setText(text);
        emit statusChanged(text);
    });
    connect(cs1, &GameConnection::gameText, this, &TMDIChild::OnGameText);
    connect(cs1, &GameConnection::linkActiveChanged, this, [this](bool on) { linkActive = on; });

    connect(SpeedButton1, &QToolButton::clicked, this, &TMDIChild::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TMDIChild::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TMDIChild::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { OpenPathPanel(true); });
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { OpenPathPanel(false); });
    connect(SpeedButton6, &QToolButton::clicked, Panel2, &QWidget::hide);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        BitBtn1->setText(BitBtn1->text() == QStringLiteral("快速") ? QStringLiteral("慢速")
                                                                   : QStringLiteral("快速"));
    });
    connect(bar2, &QScrollBar::valueChanged, this, &TMDIChild::bar2Change);

    // 5. A named profile would be loaded here; the profile reader hooks in
    // through the dialogs when it exists.
    if (!gbk::Trim(profilePath).empty() && dialogs_->loadProfileFrom)
        dialogs_->loadProfileFrom(*this, profilePath);
}

TMDIChild::~TMDIChild()
{
    // Runners that outlive the window find their link closed; the screen
    // thread stops before anything it calls back into goes away.
    link_->Close();
    screen_->Stop();
    cs1->Close();
    Notify(kWindowDestroyed);
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
    if (frameWindow)
        frameWindow->FrameNotice(windowIndex, code);
}

void TMDIChild::Connect(const std::string &hostAddress, int hostPort, bool useProxy,
                        const std::string &proxyHost, int proxyPort, bool proxyAuth,
                        const std::string &proxyUser, const std::string &proxyPassword)
{
    cs1->Connect(hostAddress, hostPort, useProxy, proxyHost, proxyPort, proxyAuth, proxyUser,
                 proxyPassword);
}

void TMDIChild::StartCommandRun(const std::string &text, bool slowMode, int slowDelayMs)
{
    MudCommand::Start(link_, text, slowMode, slowDelayMs);
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
    auto open = [this](std::function<void(TMDIChild &)> SessionDialogs::*dialog) {
        if (dialogs_->*dialog)
            (dialogs_->*dialog)(*this);
    };
    switch (code) {
    case kSendTypedLine:
        SendTypedLine();
        break;
    case kColourDialog:
        open(&SessionDialogs::colourDialog);
        break;
    case kTriggerEditor:
        open(&SessionDialogs::triggerEditor);
        break;
    case kFontDialog:
        open(&SessionDialogs::fontDialog);
        break;
    case kRunPasteText: {
        std::string text;
        if (dialogs_->takePasteText)
            text = dialogs_->takePasteText();
        StartCommandRun(text);
        ReturnToFollow();
        break;
    }
    case kReconnect:
        cs1->Reconnect();
        break;
    case kRunnerCount:
        runningCommands += value;
        break;
    case kSaveProfile:
        open(&SessionDialogs::saveProfile);
        break;
    case kLoadProfile:
        open(&SessionDialogs::loadProfile);
        break;
    case kReattachScreen:
        screen_->SetWindow(true);
        screen_->RequestRedraw();
        break;
    case kHotkey:
        for (std::size_t i = 0; i < hotkeyNames.size(); ++i) {
            if (hotkeyNames[i] == pendingHotkey) {
                if (i < hotkeyCommands.size())
                    StartCommandRun(hotkeyCommands[i]);
                break;
            }
        }
        break;
    case kHotkeyEditor:
        open(&SessionDialogs::hotkeyEditor);
        break;
    case kMirrorOn:
        screen_->SetMirror(true);
        break;
    case kMirrorOff:
        screen_->SetMirror(false);
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
        if (keepAliveMinutes != 0 && ++minuteCounter >= keepAliveMinutes) {
            minuteCounter = 0;
            StartCommandRun(keepAliveCommand);
        }
        break;
    case kHangUp:
        StartCommandRun(hangUpCommands);
        break;
    case kCopySelection:
        CopySelection();
        break;
    default:
        break; // codes outside 1-20 do nothing
    }
}

void TMDIChild::SendTypedLine()
{
    const std::string t = inputLine ? gbk::FromQString(inputLine->text()) : std::string();
    if (nameCaptureStage == 1) {
        setWindowTitle(windowTitle() + "(" + gbk::ToQString(gbk::Trim(t)) + ")");
        Notify(kCaptionChanged);
        nameCaptureStage = 2;
    }
    if (recording)
        recordedPath += t + "\r\n";
    StartCommandRun(t);
    ReturnToFollow();
    if (inputLine)
        inputLine->selectAll();
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
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (nameCaptureStage == 0 && gbk::FindCharwise(text, kNameMark) != gbk::npos)
        nameCaptureStage = 1;
    // While the screen is behind, the socket waits: TCP slows the server
    // instead of the queue growing.
    if (screen_->Enqueue(std::string(text)))
        cs1->PauseReading();
    selection_.EndDrag();
    PushSelection();
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
    screen_->SetWindow(true);
}

void TMDIChild::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A window not shown keeps only its text; it is painted again when shown.
    screen_->SetWindow(false);
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
    auto &engine = *screen_->triggers();
    if (SpeedButton2->property("tag").toInt() == 0) {
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
    recording = !recording;
    SpeedButton3->setIcon(recording ? glyphs::RecordOn() : glyphs::RecordOff());
}

void TMDIChild::OpenPathPanel(bool forward)
{
    walkForward = forward;
    Panel2->show();
    Panel2->raise();
    ListBox1->setFocus();
}

void TMDIChild::Activated()
{
    // A window whose path panel is open keeps the focus there and stays quiet.
    if (Panel2->isVisible())
        return;
    if (inputLine)
        inputLine->setFocus();
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
    BitBtn1->setGeometry(2, panelHeight - 26, 60, 24);
    SpeedButton6->setGeometry(panelWidth - 26, panelHeight - 26, 24, 24);
    // Any drag ends and the selection goes; the screen learns its new size.
    selection_.EndDrag();
    selection_.Clear();
    if (screen_) {
        PushSelection();
        screen_->SetViewSize(std::max(0, w - barWidth), viewHeight);
    }
}
