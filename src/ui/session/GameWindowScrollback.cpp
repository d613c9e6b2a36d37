// TMDIChild's scrollback tools: the wheel and the return to the newest line,
// the find bar over the store, the log file, the split view while scrolled
// back and the keys that scroll the screen.
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/FindBar.h"
#include "ui/session/GameWindow.h"
#include "ui/session/LogDialog.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>

namespace session {

// The wheel over the screen or the status bar moves the scroll bar.
void TMDIChild::wheelEvent(QWheelEvent *event)
{
    event->accept();
    pane_->TurnWheel(event->angleDelta(), event->modifiers());
}

void TMDIChild::ReturnToFollow()
{
    pane_->ReturnToFollow();
}

void TMDIChild::PlaceFindBar()
{
    // Over the top right of the screen, clear of the scroll bar.
    const int w = std::min(360, std::max(0, width() - pane_->scrollBarWidth()));
    findBar_->setGeometry(width() - pane_->scrollBarWidth() - w, 0, w,
                          findBar_->sizeHint().height());
}

void TMDIChild::OpenFindBar()
{
    PlaceFindBar();
    findBar_->Open();
}

void TMDIChild::CloseFindBar()
{
    findBar_->hide();
    found_.reset();
    screen_->SetMatch(std::nullopt);
    screen_->RequestRedraw();
    if (frame_.inputLine)
        frame_.inputLine->setFocus();
}

bool TMDIChild::FindInScrollback(const QString &text, bool older)
{
    const std::string needle = gbk::FromQString(text);
    // Another text starts again from the newest line.
    if (needle != foundNeedle_) {
        found_.reset();
        foundNeedle_ = needle;
    }
    const screen::StoreSearch search(needle);
    std::optional<screen::StoreMatch> hit;
    screen_->ReadStore([&](const screen::LineStore &store) {
        hit = search.Find(store, found_,
                          older ? screen::SearchWay::kOlder : screen::SearchWay::kNewer);
    });
    found_ = hit;
    findBar_->ShowFound(hit.has_value());
    screen_->SetMatch(hit);
    if (hit)
        pane_->ShowStoredLine(hit->line);
    else
        screen_->RequestRedraw();
    return hit.has_value();
}

void TMDIChild::ChooseLog()
{
    const QString dir = frame_.settingsDir.empty() ? QDir::currentPath()
                                                   : QFile::decodeName(frame_.settingsDir.c_str());
    const QString suggested = QDir(dir).filePath(
        QStringLiteral("log-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    session::LogDialog dialog(this, suggested);
    if (dialog.exec() != QDialog::Accepted)
        return;
    StartLog(QFile::encodeName(dialog.path()).toStdString(), dialog.options());
}

bool TMDIChild::StartLog(const std::string &path, const screen::LogOptions &options)
{
    StopLog();
    std::string error;
    std::shared_ptr<screen::LogWriter> log =
        screen::LogWriter::Open(path, options, screen_->Look(), error);
    if (!log) {
        platform::ShowSystemMessage(this, QString::fromUtf8(error.c_str()),
                                    platform::MessageIcon::Error);
        return false;
    }
    // The writer's thread says it stopped; the window takes the log down on its own.
    const screen::LogWriter *writer = log.get();
    log->stopped = [this, writer](const std::string &message) {
        QMetaObject::invokeMethod(
            this,
            [this, writer, text = QString::fromUtf8(message.c_str())] { LogStopped(writer, text); },
            Qt::QueuedConnection);
    };
    log_ = std::move(log);
    screen_->SetLineSink(log_);
    emit loggingChanged(true);
    return true;
}

void TMDIChild::StopLog()
{
    if (!log_)
        return;
    screen_->SetLineSink(nullptr);
    log_->Close();
    log_.reset();
    emit loggingChanged(false);
}

void TMDIChild::LogStopped(const screen::LogWriter *writer, const QString &message)
{
    if (log_.get() != writer)
        return; // a log already stopped by the player
    StopLog();
    platform::ShowSystemMessage(this, message, platform::MessageIcon::Error);
}

void TMDIChild::SetSplitView(bool on)
{
    pane_->SetSplitEnabled(on);
    emit splitViewChanged(on);
}

bool TMDIChild::splitView() const
{
    return pane_->splitEnabled();
}

bool TMDIChild::ScrollKey(int qtKey, const std::string &keyName)
{
    // A hotkey the player bound to the key keeps it, as profiles made
    // before the key scrolled expect.
    const session::HotkeyLists &keys = session_->hotkeys();
    if (std::find(keys.hotkeyNames.begin(), keys.hotkeyNames.end(), keyName) !=
        keys.hotkeyNames.end())
        return false;
    return pane_->ScrollKey(qtKey);
}

void TMDIChild::AddScrollbackItems(QMenu *menu)
{
    menu->addSeparator();
    QAction *split = menu->addAction(QStringLiteral("分屏回看"));
    split->setCheckable(true);
    split->setChecked(splitView());
    split->setToolTip(QStringLiteral("向上翻看时分出下方一栏，显示最新的文字"));
    connect(split, &QAction::toggled, this, &TMDIChild::SetSplitView);
    connect(this, &TMDIChild::splitViewChanged, split, [split](bool on) {
        if (split->isChecked() != on)
            split->setChecked(on);
    });
    QAction *start = menu->addAction(QStringLiteral("开始记录…"), this, &TMDIChild::ChooseLog);
    QAction *stop = menu->addAction(QStringLiteral("停止记录"), this, &TMDIChild::StopLog);
    // The frame holds Ctrl+F itself: a second shortcut here would make it ambiguous.
    menu->addAction(QStringLiteral("查找…\tCtrl+F"), this, &TMDIChild::OpenFindBar);
    stop->setEnabled(false);
    connect(this, &TMDIChild::loggingChanged, start, [start, stop](bool on) {
        start->setEnabled(!on);
        stop->setEnabled(on);
    });
}

} // namespace session
