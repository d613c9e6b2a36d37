#include "MainFrame.h"

#include "core/session/CertificatePins.h"
#include "core/session/SessionCodes.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/automation/CommandGroupEditor.h"
#include "ui/automation/TriggerEditor.h"
#include "ui/platform/DBusHangUp.h"
#include "ui/platform/HelpViewer.h"
#include "ui/platform/SystemClock.h"
#include "ui/platform/SystemMessage.h"
#include "ui/platform/Tray.h"
#include "ui/screen/AuxWindow.h"
#include "ui/screen/ColourDialog.h"
#include "ui/screen/FontDialog.h"
#include "ui/screen/PasteSender.h"
#include "ui/session/CoverWatch.h"
#include "ui/session/DirectionEditor.h"
#include "ui/session/GameConnection.h"
#include "ui/session/PathEditor.h"
#include "ui/session/TrustDialog.h"
#include "ui/shell/About.h"
#include "ui/shell/ClockDialog.h"
#include "ui/shell/HotkeyEditor.h"
#include "ui/shell/ProgramIcon.h"
#include "ui/sites/SiteDialog.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

using namespace session;

namespace {

constexpr int kInputPanelHeight = 23;

} // namespace

TMainForm::TMainForm(const std::string &startDir, Services services)
    : QMainWindow(nullptr)
    , services_(std::move(services))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setWindowIcon(shell::ProgramIcon());
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);
    resize(790, 445);

    // The clock's defaults are its settings' initialisers; then the icon that
    // stands for the hidden frame, the empty history, the minute timer and
    // the program folder.
    FillServices();
    shell::ClockWindows &windows = *this;
    clock_ = std::make_unique<shell::Clock>(*services_.clockSource, windows, *services_.hangUp);
    programDir = ProgramDirFrom(startDir);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolbar();
    layout->addWidget(Panel2);

    ClientArea = new QMdiArea(central);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setBackground(palette().brush(QPalette::Dark));
    coverWatch = new CoverWatch(*ClientArea);
    layout->addWidget(ClientArea, 1);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kInputPanelHeight);
    CommandInput = new shell::CommandInputEdit(*this, history, Panel1);
    Panel1->installEventFilter(this);
    layout->addWidget(Panel1);
    setCentralWidget(central);
    statusBar()->setSizeGripEnabled(true);

    BuildMenus();
    BindShortcuts();
    connect(ClientArea, &QMdiArea::subWindowActivated, this, &TMainForm::ClientAreaActivated);
    connect(TabControl1, &QTabBar::currentChanged, this, &TMainForm::TabControl1Change);
    connect(this, &TMainForm::clockDialogRequested, this, &TMainForm::ShowClockDialog);

    CreateDialogs();
    RoadSetting->openDirectionEditor = [this](SessionPort &window) {
        DirectSet->LoadDirections(window);
    };
    ResizeBottom();
    CommandInput->setFocus();
}

void TMainForm::FillServices()
{
    if (!services_.tray)
        services_.tray = std::make_unique<platform::SystemTray>(shell::ProgramIcon());
    services_.tray->onDoubleClick = [this] { RestoreFromTray(); };
    if (!services_.help)
        services_.help = std::make_unique<platform::TextBrowserHelp>(this);
    if (!services_.runSiteDialog)
        services_.runSiteDialog = [](sites::TBookMark &dialog) { dialog.exec(); };
    if (!services_.clockSource)
        services_.clockSource = std::make_unique<platform::SystemClock>();
    if (!services_.hangUp)
        services_.hangUp = std::make_unique<platform::NoHangUp>();
}

void TMainForm::BindShortcuts()
{
    // Ctrl+C copies the screen selection wherever in the frame the focus is
    // (a tab, the area); the input line takes the key itself, so this only
    // answers where the line does not have it.
    auto *copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, [this] {
        if (ActiveSelectionReady())
            CopyActiveSelection();
        CommandInput->setFocus();
    });
    // Ctrl+F opens the active window's find bar, from the input line too.
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        if (TMDIChild *session = ActiveSession())
            session->OpenFindBar();
    });
}

TMainForm::~TMainForm()
{
    // The game windows go first, while everything they were given still
    // exists, and without telling a frame that is being taken apart.
    for (int i = 0; i < sessionCount; ++i)
        sessions[i]->BindToFrame({});
    const QList<QMdiSubWindow *> windows = ClientArea->subWindowList();
    for (QMdiSubWindow *window : windows)
        delete window;
    sessionCount = 0;
}

std::string TMainForm::ProgramDirFrom(const std::string &currentDir)
{
    std::string dir(gbk::Trim(currentDir));
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void TMainForm::CreateDialogs()
{
    // Every dialog exists once for the life of the program and is shared by
    // all game windows; they are made in this order.
    AboutBox = new shell::TAboutBox(this);
    ClipForm = new screen::TClipForm(this);
    AutoSetting = new automation::TAutoSetting(this);
    ColorForm = new screen::TColorForm(this);
    BookMark = new sites::TBookMark(std::filesystem::path(programDir), this);
    FastKey = new shell::TFastKey(this);
    fCmdsGroup = new automation::TfCmdsGroup(this);
    FontSetting = new screen::TFontSetting(this);
    RoadSetting = new TRoadSetting(this);
    ClockForm = new shell::TClockForm(this);
    DirectSet = new TDirectSet(this);
    textwin = new screen::Ttextwin(this);
}

void TMainForm::OpenDialog(session::SessionCode code)
{
    TMDIChild *window = ActiveSession();
    if (!window)
        return;
    // clang-format off
    switch (code) {
    case session::kColourDialog:  ColorForm->LoadFromSession(*window); break;
    case session::kTriggerEditor: AutoSetting->LoadFromSession(*window); break;
    case session::kFontDialog:    FontSetting->LoadFromSession(*window); break;
    case session::kHotkeyEditor:  FastKey->LoadHotkeys(*window); break;
    case session::kGroupEditor:   fCmdsGroup->LoadGroups(*window); break;
    case session::kPathEditor:    RoadSetting->ShowFor(*window); break;
    default:                      break;
    }
    // clang-format on
}

void TMainForm::OpenPasteSender(SessionPort &window, const std::string &text)
{
    ClipForm->Fill(&window, text);
}

void TMainForm::OpenRecordedPath(SessionPort &window, const std::string &recorded)
{
    RoadSetting->ShowRecording(window, recorded);
}

void TMainForm::AppendAuxLines(const std::vector<std::string> &lines)
{
    // Every window's lines go to the one auxiliary window, so a window's
    // auxLines always name its lines.
    textwin->AppendLines(lines);
}

QString TMainForm::AskProfileFile(QWidget *parent, const QString &startDir, bool saving)
{
    return askProfileFile ? askProfileFile(parent, startDir, saving)
                          : SessionFrame::AskProfileFile(parent, startDir, saving);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize)
        ResizeBottom();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ResizeBottom()
{
    // The input line fills the bottom panel but for a 2-pixel margin each
    // side; the tab strip is the same width less 4 more.
    const int width = Panel1->width();
    CommandInput->setGeometry(2, 1, std::max(0, width - 4), kInputPanelHeight - 2);
    TabControl1->resize(std::max(0, width - 8), TabControl1->height());
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    // Where the frame was minimised in place of the notification area, coming
    // back from the taskbar is the restore.
    if (event->type() == QEvent::WindowStateChange && minimisedForTray_ && !isMinimized())
        RestoreFromTray();
    // The area writes the caption itself when a window is maximised or
    // restored, from what the caption was before; it is put right after it.
    if (event->type() == QEvent::WindowTitleChange && ClientArea)
        UpdateCaption();
}

QString TMainForm::FrameCaption()
{
    const TMDIChild *active = ActiveSession();
    if (!active)
        return QStringLiteral("Quorvel");
    return QStringLiteral("Quorvel - [%1]").arg(active->windowTitle());
}

void TMainForm::UpdateCaption()
{
    const QString caption = FrameCaption();
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TMainForm::FormActivate()
{
    CommandInput->setFocus();
    if (firstActivationDone)
        return;
    // The auxiliary window is made ready once, without being shown, so lines
    // mirrored into it before the player ever opens it are kept in a laid-out
    // window.
    textwin->ensurePolished();
    textwin->winId();
    firstActivationDone = true;
}

TMDIChild *TMainForm::ActiveSession()
{
    QMdiSubWindow *window = ClientArea->currentSubWindow();
    if (!window)
        return nullptr;
    auto *child = qobject_cast<TMDIChild *>(window->widget());
    for (int i = 0; i < sessionCount; ++i) {
        if (sessions[i] == child)
            return child;
    }
    return nullptr;
}

bool TMainForm::HasActiveSession()
{
    return ActiveSession() != nullptr;
}

void TMainForm::SendTypedLine(const std::string &line)
{
    if (TMDIChild *session = ActiveSession())
        session->SendTypedLine(line);
}

void TMainForm::OfferKeyName(const std::string &keyName)
{
    if (TMDIChild *session = ActiveSession())
        session->FireHotkey(keyName);
}

bool TMainForm::ActiveSelectionReady()
{
    TMDIChild *session = ActiveSession();
    return session && session->selectionReady();
}

void TMainForm::CopyActiveSelection()
{
    SendToActive(session::kCopySelection);
}

bool TMainForm::ActiveInputHidden()
{
    TMDIChild *session = ActiveSession();
    return session && session->inputHidden();
}

void TMainForm::ScrollActiveScreen(int qtKey, const std::string &keyName)
{
    if (TMDIChild *session = ActiveSession())
        session->ScrollKey(qtKey, keyName);
}

bool TMainForm::StopActiveRunners()
{
    TMDIChild *session = ActiveSession();
    if (!session || session->runningCommands() <= 0)
        return false;
    session->StopRunners();
    return true;
}

void TMainForm::InputCut()
{
    if (TMDIChild *session = ActiveSession())
        session->ShowStatusNote(
            QStringLiteral("输入行最多 %1 个字符，多出的文字已舍去；长文本请在屏幕上按右键，"
                           "用粘贴发送")
                .arg(CommandInput->maxLength()));
}

void TMainForm::SendToActive(int code)
{
    if (TMDIChild *session = ActiveSession())
        session->SessionCommand(code);
}

QMdiSubWindow *TMainForm::SubWindowOf(int index) const
{
    if (index < 0 || index >= sessionCount || !sessions[index])
        return nullptr;
    return qobject_cast<QMdiSubWindow *>(sessions[index]->parentWidget());
}

void TMainForm::OpenGameWindow()
{
    OpenGameWindow(QStringLiteral("NONAME%1").arg(sessionCount + 1));
}

void TMainForm::OpenGameWindow(const QString &caption)
{
    // The array is full: said before the site dialog, so the player fills in
    // nothing that would be thrown away.
    if (sessionCount >= kMaxSessions) {
        platform::ShowSystemMessage(
            this,
            QStringLiteral("最多只能同时打开%1个游戏窗口，请先关闭一个窗口再连接。")
                .arg(kMaxSessions),
            platform::MessageIcon::Information);
        return;
    }
    // 1-2. The site dialog, given the program folder; cancelled means nothing.
    BookMark->SetProgramDir(std::filesystem::path(programDir));
    services_.runSiteDialog(*BookMark);
    if (!BookMark->accepted())
        return;

    // 3. The window, with the chosen site's profile.
    auto *child = new TMDIChild(nullptr, BookMark->chosenProfile(), this);
    // 4. The site's name wins over the given caption.
    const std::string site = BookMark->siteNameField();
    child->setWindowTitle(site.empty() ? caption : gbk::ToQString(site));
    // 5-6. The input line, its place in the array and the fields the frame owns.
    const int index = sessionCount;
    sessions[index] = child;
    child->BindToFrame({CommandInput, index, this, programDir, site});
    // Hidden input: the input line follows the active window's echo.
    connect(child, &TMDIChild::inputHiddenChanged, CommandInput,
            &shell::CommandInputEdit::ShowInputHidden);
    CommandInput->setFocus();
    QMdiSubWindow *window = ClientArea->addSubWindow(child);
    coverWatch->Track(window);
    window->setWindowIcon(windowIcon());
    child->AddScrollbackItems(window->systemMenu());
    window->showMaximized();
    ClientArea->setActiveSubWindow(window);
    // 7. The connection, with the dialog's values in this order. Certificates
    // it cannot trust alone are put to the player; pins live beside the site list.
    child->connection().SetPinFile(
        QDir(QFile::decodeName(programDir.c_str()))
            .filePath(QString::fromLatin1(session::kPinFileName.data(),
                                          qsizetype(session::kPinFileName.size()))));
    AnswerTrustWithDialog(child->connection(), child);
    child->Connect({BookMark->hostAddress(), BookMark->hostPort(), BookMark->useProxy(),
                    BookMark->proxyHost(), BookMark->proxyPort(), BookMark->proxyAuth(),
                    BookMark->proxyUser(), BookMark->proxyPassword(), BookMark->useTls()},
                   BookMark->chosenOptions());
    // 8. Its tab, selected.
    ++sessionCount;
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->addTab(child->windowTitle());
    }
    SelectTab(sessionCount - 1);
    // The area activated the window before it was counted.
    UpdateCaption();
    // 9. The program-wide keep-alive, when it is meant for every window.
    clock_->WindowOpened(index);
}

void TMainForm::CloseActiveWindow()
{
    // The window goes as if the player had closed it; its destruction tells
    // the frame (notice 1).
    if (ActiveSession())
        ClientArea->currentSubWindow()->close();
}

void TMainForm::SelectTab(int index)
{
    if (index < 0 || index >= TabControl1->count())
        return;
    // Selecting a tab from here must not show its window again.
    const QSignalBlocker block(TabControl1);
    TabControl1->setCurrentIndex(index);
}

void TMainForm::ShowSession(int index)
{
    if (QMdiSubWindow *window = SubWindowOf(index)) {
        ClientArea->setActiveSubWindow(window);
        window->raise();
    }
}

void TMainForm::TabControl1Change(int index)
{
    ShowSession(index);
}

void TMainForm::ClientAreaActivated(QMdiSubWindow *window)
{
    // Hidden input: the input line shows the echo of the window now active.
    CommandInput->ShowInputHidden();
    UpdateCaption();
    if (!window)
        return;
    // The click that gives the line the keyboard back must not put the caret
    // after the other window's last command.
    CommandInput->KeepSelectionOnNextClick();
    auto *child = qobject_cast<TMDIChild *>(window->widget());
    if (!child)
        return;
    // The window focuses the input line and sends notice 3 unless its path
    // panel is open.
    child->Activated();
    // The area hands the focus into the activated window after telling us, so
    // the input line takes it back once that is done.
    QPointer<TMDIChild> activated(child);
    QTimer::singleShot(0, this, [this, activated] {
        if (activated && ActiveSession() == activated && !activated->pathPanelVisible())
            CommandInput->setFocus();
    });
}

void TMainForm::FrameNotice(int windowIndex, int code)
{
    const int index = windowIndex & 0xFFFF;
    const bool known = index < kMaxSessions && sessions[index] != nullptr;
    switch (code & 0xFFFF) {
    case kWindowDestroyed:
        WindowDestroyed(index);
        break;
    case kCaptionChanged:
        if (known && index < TabControl1->count())
            TabControl1->setTabText(index, sessions[index]->windowTitle());
        UpdateCaption();
        break;
    case kWindowActivated:
        if (known) {
            SelectTab(index);
            textwin->setCurrentSession(sessions[index]);
        }
        break;
    case kClockConfirmed:
        // The dialog's controls are read here, as they stand on confirmation.
        if (const auto settings = ClockForm->Settings())
            clock_->TakeOver(*settings);
        break;
    case kProfileSavedOrLoaded:
        if (known)
            BookMark->UpdateProfileFor(sessions[index]->frameBinding().siteName,
                                       sessions[index]->profilePath());
        break;
    default:
        break;
    }
}

void TMainForm::WindowDestroyed(int index)
{
    if (index < 0 || index >= sessionCount)
        return;
    // 1. The auxiliary window forgets both its links and stops syncing.
    textwin->ResetSync();
    // 2. The windows to the right move one place left, their tab texts with them.
    for (int j = index + 1; j < sessionCount; ++j) {
        sessions[j]->SetWindowIndex(j - 1);
        sessions[j - 1] = sessions[j];
        TabControl1->setTabText(j - 1, TabControl1->tabText(j));
    }
    // 3. The last tab goes.
    sessions[sessionCount - 1] = nullptr;
    {
        const QSignalBlocker block(TabControl1);
        TabControl1->removeTab(TabControl1->count() - 1);
    }
    --sessionCount;
    // Hidden input: a closed window's hidden echo goes with it.
    CommandInput->ShowInputHidden();
    UpdateCaption();
    // 4. The window now at the same place is shown, or the one to its left.
    if (sessionCount > 0) {
        const int shown = index < sessionCount ? index : index - 1;
        ShowSession(shown);
        SelectTab(shown);
    }
}

void TMainForm::ShowAuxWindow()
{
    if (TMDIChild *active = ActiveSession())
        textwin->setSyncSession(active);
    textwin->show();
    textwin->raise();
    textwin->activateWindow();
}

void TMainForm::HideToTray()
{
    auxWasVisible = textwin->isVisible();
    if (auxWasVisible)
        textwin->hide();
    // The game windows are children of the frame and go out of sight with it.
    hiddenToTray_ = true;
    if (services_.tray->IsAvailable()) {
        hide();
        services_.tray->Show();
    } else {
        // No notification area to come back from: the taskbar has to do.
        minimisedForTray_ = true;
        showMinimized();
    }
}

void TMainForm::RestoreFromTray()
{
    if (!hiddenToTray_)
        return;
    hiddenToTray_ = false;
    services_.tray->Hide();
    if (minimisedForTray_) {
        minimisedForTray_ = false;
        if (isMinimized())
            showNormal();
    } else {
        show();
    }
    activateWindow();
    RestoreWindows();
}

void TMainForm::RestoreWindows()
{
    // Each window's screen is attached to its window again and redrawn.
    for (int i = 0; i < sessionCount; ++i)
        sessions[i]->SessionCommand(kReattachScreen);
    if (auxWasVisible)
        textwin->show();
    // The input line takes the keys, not the auxiliary window just shown.
    activateWindow();
    CommandInput->setFocus();
}

void TMainForm::ShowHelp()
{
    platform::OpenHelp(*services_.help,
                       platform::HelpFileCandidates(QFile::decodeName(programDir.c_str())), this);
}

void TMainForm::ShowAbout()
{
    AboutBox->ShowModeless();
}

void TMainForm::ToggleToolbar()
{
    Panel2->setVisible(!Panel2->isVisible());
}

} // namespace app
