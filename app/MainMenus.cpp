// TMainForm's toolbar, menu and the arrangements of the "窗口" menu.
#include "MainFrame.h"
#include "core/session/SessionCodes.h"
#include "core/shell/Cascade.h"
#include "ui/shell/ToolbarGlyphs.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QFrame>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

namespace app {

using namespace session;
using shell::ToolbarGlyph;

namespace {

constexpr int kToolbarHeight = 75;
constexpr int kButtonWidth = 69;
constexpr int kButtonHeight = 49;

struct ButtonRow
{
    const char *caption;
    const char *hint;
    ToolbarGlyph glyph;
};

// clang-format off
const ButtonRow kButtons[] = {
    {"连接",     "连接游戏服务器，打开新的游戏窗口",     ToolbarGlyph::Connect},
    {"断开",     "断开连接并关闭当前游戏窗口",           ToolbarGlyph::Disconnect},
    {"自动",     "设定当前窗口的触发器（自动输入）",     ToolbarGlyph::Automation},
    {"辅助窗",   "显示辅助窗口",                         ToolbarGlyph::AuxWindow},
    {"快捷键",   "设定当前窗口的快捷键",                 ToolbarGlyph::Hotkeys},
    {"命令组",   "设定当前窗口的命令组",                 ToolbarGlyph::CommandGroups},
    {"颜色",     "设定当前窗口的颜色",                   ToolbarGlyph::Colours},
    {"路径",     "编辑当前窗口的行走路径",               ToolbarGlyph::Paths},
    {"定时",     "定时发送命令、定时挂断",               ToolbarGlyph::Timer},
    {"保存设置", "把当前窗口的设置保存到设置文件",       ToolbarGlyph::SaveSettings},
    {"读取设置", "从设置文件读取当前窗口的设置",         ToolbarGlyph::LoadSettings},
};
// clang-format on

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

void TMainForm::BuildToolbar()
{
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setFixedHeight(kToolbarHeight);

    // What each button does, in the order of kButtons.
    const std::function<void()> actions[] = {
        [this] { OpenGameWindow(); },
        [this] { CloseActiveWindow(); },
        [this] { OpenDialog(kTriggerEditor); },
        [this] { ShowAuxWindow(); },
        [this] { OpenDialog(kHotkeyEditor); },
        [this] { OpenDialog(kGroupEditor); },
        [this] { OpenDialog(kColourDialog); },
        [this] { OpenDialog(kPathEditor); },
        [this] { emit clockDialogRequested(); },
        [this] { SendToActive(kSaveProfile); },
        [this] { SendToActive(kLoadProfile); },
    };
    int x = 2;
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        auto *button = new QToolButton(Panel2);
        button->setText(Text(kButtons[i].caption));
        button->setIcon(shell::ToolbarIcon(kButtons[i].glyph));
        button->setIconSize(QSize(shell::kToolbarGlyphSize, shell::kToolbarGlyphSize));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(x, 2, kButtonWidth, kButtonHeight);
        button->setToolTip(Text(kButtons[i].hint));
        button->setStatusTip(Text(kButtons[i].hint));
        connect(button, &QToolButton::clicked, this, actions[i]);
        toolButtons.push_back(button);
        x += kButtonWidth;
    }

    // The tabs lie under the buttons, inside the toolbar, so they hide with it.
    TabControl1 = new QTabBar(Panel2);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setDrawBase(false);
    TabControl1->setExpanding(false);
    TabControl1->setUsesScrollButtons(true);
    TabControl1->setFocusPolicy(Qt::NoFocus);
    TabControl1->setStatusTip(QStringLiteral("点击标签切换游戏窗口"));
    const int top = 2 + kButtonHeight;
    TabControl1->setGeometry(4, top, 600, kToolbarHeight - top - 2);
}

void TMainForm::BuildMenus()
{
    auto add = [this](QMenu *menu, const QString &text, const QString &hint,
                      std::function<void()> action) {
        QAction *item = menu->addAction(text);
        item->setStatusTip(hint);
        connect(item, &QAction::triggered, this, std::move(action));
        return item;
    };
    auto send = [this](int code) { return [this, code] { SendToActive(code); }; };
    auto open = [this](SessionCode code) { return [this, code] { OpenDialog(code); }; };

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    add(file, QStringLiteral("新窗口"), QStringLiteral("连接游戏服务器，打开新的游戏窗口"),
        [this] { OpenGameWindow(); });
    add(file, QStringLiteral("关闭窗口"), QStringLiteral("断开连接并关闭当前游戏窗口"),
        [this] { CloseActiveWindow(); });
    add(file, QStringLiteral("重新连接"), QStringLiteral("当前游戏窗口重新连接服务器"),
        send(kReconnect));
    file->addSeparator();
    QAction *logStart = add(file, QStringLiteral("开始记录…"),
                            QStringLiteral("把当前游戏窗口收到的文字记录到文件"), [this] {
                                if (TMDIChild *session = ActiveSession())
                                    session->ChooseLog();
                            });
    QAction *logStop =
        add(file, QStringLiteral("停止记录"), QStringLiteral("停止当前游戏窗口的记录"), [this] {
            if (TMDIChild *session = ActiveSession())
                session->StopLog();
        });
    connect(file, &QMenu::aboutToShow, this, [this, logStart, logStop] {
        const TMDIChild *session = ActiveSession();
        logStart->setEnabled(session && !session->logging());
        logStop->setEnabled(session && session->logging());
    });
    file->addSeparator();
    add(file, QStringLiteral("退出"), QStringLiteral("退出程序"), [this] { close(); });

    QMenu *settings = menuBar()->addMenu(QStringLiteral("设置"));
    add(settings, QStringLiteral("字体设定"), QStringLiteral("设定当前窗口的字体"),
        open(kFontDialog));
    add(settings, QStringLiteral("颜色设定"), QStringLiteral("设定当前窗口的颜色"),
        open(kColourDialog));
    add(settings, QStringLiteral("辅助窗口"), QStringLiteral("显示辅助窗口"),
        [this] { ShowAuxWindow(); });
    add(settings, QStringLiteral("自动"), QStringLiteral("设定当前窗口的触发器（自动输入）"),
        open(kTriggerEditor));
    add(settings, QStringLiteral("快捷键"), QStringLiteral("设定当前窗口的快捷键"),
        open(kHotkeyEditor));
    add(settings, QStringLiteral("路径"), QStringLiteral("编辑当前窗口的行走路径"),
        open(kPathEditor));
    add(settings, QStringLiteral("定时"), QStringLiteral("定时发送命令、定时挂断"),
        [this] { emit clockDialogRequested(); });
    add(settings, QStringLiteral("命令组"), QStringLiteral("设定当前窗口的命令组"),
        open(kGroupEditor));
    settings->addSeparator();
    add(settings, QStringLiteral("保存设置"), QStringLiteral("把当前窗口的设置保存到设置文件"),
        send(kSaveProfile));
    add(settings, QStringLiteral("读取设置"), QStringLiteral("从设置文件读取当前窗口的设置"),
        send(kLoadProfile));
    settings->addSeparator();
    ToolbarAction = add(settings, QStringLiteral("显示/隐藏工具栏"),
                        QStringLiteral("显示或隐藏工具栏和窗口标签"), [this] { ToggleToolbar(); });

    WindowMenu = menuBar()->addMenu(QStringLiteral("窗口"));
    add(WindowMenu, QStringLiteral("层叠窗口"), QStringLiteral("把游戏窗口层叠排列"),
        [this] { CascadeWindows(); });
    add(WindowMenu, QStringLiteral("水平平铺"), QStringLiteral("把游戏窗口上下平铺"),
        [this] { TileHorizontally(); });
    add(WindowMenu, QStringLiteral("垂直平铺"), QStringLiteral("把游戏窗口左右平铺"),
        [this] { TileVertically(); });
    add(WindowMenu, QStringLiteral("全部最小化"), QStringLiteral("把所有游戏窗口最小化"),
        [this] { MinimizeAll(); });
    add(WindowMenu, QStringLiteral("排列图标"), QStringLiteral("把最小化的游戏窗口排在底部"),
        [this] { ArrangeIcons(); });
    connect(WindowMenu, &QMenu::aboutToShow, this, &TMainForm::FillWindowMenu);

    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助"));
    add(help, QStringLiteral("帮助"), QStringLiteral("打开帮助文件"), [this] { ShowHelp(); });
    add(help, QStringLiteral("关于"), QStringLiteral("关于Quorvel"), [this] { ShowAbout(); });
}

void TMainForm::FillWindowMenu()
{
    // The open game windows follow the arrangements, in tab order.
    for (QAction *item : windowListActions_) {
        WindowMenu->removeAction(item);
        item->deleteLater();
    }
    windowListActions_.clear();
    if (sessionCount == 0)
        return;
    windowListActions_.push_back(WindowMenu->addSeparator());
    const TMDIChild *active = ActiveSession();
    for (int i = 0; i < sessionCount; ++i) {
        QString caption = sessions[i]->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *item = WindowMenu->addAction(QStringLiteral("%1 %2").arg(i + 1).arg(caption));
        item->setCheckable(true);
        item->setChecked(sessions[i] == active);
        item->setStatusTip(QStringLiteral("切换到这个游戏窗口"));
        TMDIChild *target = sessions[i];
        connect(item, &QAction::triggered, this, [this, target] {
            for (int j = 0; j < sessionCount; ++j) {
                if (sessions[j] == target)
                    ShowSession(j);
            }
        });
        windowListActions_.push_back(item);
    }
}

std::vector<QMdiSubWindow *> TMainForm::TileableWindows() const
{
    std::vector<QMdiSubWindow *> windows;
    for (int i = 0; i < sessionCount; ++i) {
        QMdiSubWindow *window = SubWindowOf(i);
        if (window && window->isVisible() && !window->isMinimized())
            windows.push_back(window);
    }
    return windows;
}

void TMainForm::CascadeWindows()
{
    // The area's own cascade sizes each window to its contents' size hint,
    // which for a game window is nothing but the title bar.
    std::vector<QMdiSubWindow *> windows = TileableWindows();
    if (windows.empty())
        return;
    // The active window goes last, on top of the stair.
    QMdiSubWindow *active = ClientArea->currentSubWindow();
    const auto at = std::find(windows.begin(), windows.end(), active);
    if (at != windows.end())
        std::rotate(at, at + 1, windows.end());
    const QRect area = ClientArea->viewport()->rect();
    // Each window one title bar and a little below the one before.
    QMdiSubWindow *first = windows.front();
    const int step = first->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, first) + 4;
    const std::vector<shell::WindowRect> rects =
        shell::CascadeRects(static_cast<int>(windows.size()), area.width(), area.height(), step);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        const shell::WindowRect &r = rects[i];
        windows[i]->setGeometry(r.x, r.y, r.width, r.height);
        windows[i]->raise();
    }
    UpdateCaption();
}

void TMainForm::TileInLines(bool rows)
{
    const std::vector<QMdiSubWindow *> windows = TileableWindows();
    const int n = static_cast<int>(windows.size());
    if (n == 0)
        return;
    // Up to three windows share the area in single lines; more make a grid
    // whose lines run the asked way, the later lines taking the extra windows.
    const int groups = n <= 3 ? 1 : static_cast<int>(std::floor(std::sqrt(double(n))));
    const QRect area = ClientArea->viewport()->rect();
    for (QMdiSubWindow *window : windows) {
        if (window->isMaximized())
            window->showNormal();
    }
    int next = 0;
    for (int g = 0; g < groups; ++g) {
        // Windows in this group: the remainder goes to the last groups.
        const int inGroup = n / groups + (g >= groups - n % groups ? 1 : 0);
        for (int k = 0; k < inGroup; ++k, ++next) {
            QRect cell;
            if (rows) {
                const int x0 = area.width() * g / groups, x1 = area.width() * (g + 1) / groups;
                const int y0 = area.height() * k / inGroup, y1 = area.height() * (k + 1) / inGroup;
                cell = QRect(x0, y0, x1 - x0, y1 - y0);
            } else {
                const int y0 = area.height() * g / groups, y1 = area.height() * (g + 1) / groups;
                const int x0 = area.width() * k / inGroup, x1 = area.width() * (k + 1) / inGroup;
                cell = QRect(x0, y0, x1 - x0, y1 - y0);
            }
            windows[next]->setGeometry(cell);
        }
    }
    UpdateCaption();
}

void TMainForm::TileHorizontally()
{
    TileInLines(true);
}

void TMainForm::TileVertically()
{
    TileInLines(false);
}

void TMainForm::MinimizeAll()
{
    for (int i = 0; i < sessionCount; ++i) {
        if (QMdiSubWindow *window = SubWindowOf(i))
            window->showMinimized();
    }
    ArrangeIcons();
}

void TMainForm::ArrangeIcons()
{
    // Minimised windows line up along the bottom, left to right, a new line
    // above when one is full.
    const QRect area = ClientArea->viewport()->rect();
    int x = 0;
    int y = area.height();
    int lineHeight = 0;
    for (int i = 0; i < sessionCount; ++i) {
        QMdiSubWindow *window = SubWindowOf(i);
        if (!window || !window->isMinimized())
            continue;
        const QSize size = window->size();
        if (lineHeight == 0 || (x > 0 && x + size.width() > area.width())) {
            x = 0;
            y -= lineHeight == 0 ? size.height() : lineHeight;
            lineHeight = size.height();
        }
        window->move(x, y);
        x += size.width();
    }
}

} // namespace app
