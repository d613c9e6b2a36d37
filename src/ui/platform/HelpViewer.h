// The help command: finds the help file "HELP.HLP" (an HTML page) and shows it in
// a window of its own.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

class QTextBrowser;
class QWidget;

namespace platform {

// Where the help file may be, in the order tried: the program folder (the start
// folder, ending in "/"), then the copy installed beside the executable, then
// the shared data folder of an installed program.
QStringList HelpFileCandidates(const QString &programDir);

class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // Shows the file at its contents page; false when it cannot be read.
    virtual bool Show(const QString &path) = 0;
};

// A text browser window, made on first use and shown again afterwards.
class TextBrowserHelp : public HelpViewer
{
public:
    explicit TextBrowserHelp(QWidget *parent = nullptr);
    ~TextBrowserHelp() override;

    bool Show(const QString &path) override;
    QTextBrowser *window() const;

private:
    QWidget *parent_;
    QPointer<QTextBrowser> window_;
};

// "帮助": the first candidate the viewer shows wins; when none does, the stop
// message "无法打开帮助文件". Returns whether help is shown.
bool OpenHelp(HelpViewer &viewer, const QStringList &candidates, QWidget *parent);

} // namespace platform
