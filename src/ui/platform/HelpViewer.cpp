#include "ui/platform/HelpViewer.h"

#include "ui/platform/SystemMessage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace platform {

namespace {

const QString kHelpName = QStringLiteral("HELP.HLP");

} // namespace

QStringList HelpFileCandidates(const QString &programDir)
{
    QStringList paths;
    paths << programDir + kHelpName;
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty()) {
        paths << exeDir + QLatin1Char('/') + kHelpName;
        paths << exeDir + QStringLiteral("/../share/quorvel/") + kHelpName;
    }
    paths.removeDuplicates();
    return paths;
}

TextBrowserHelp::TextBrowserHelp(QWidget *parent)
    : parent_(parent)
{}

TextBrowserHelp::~TextBrowserHelp()
{
    // A window without a parent is ours to free.
    if (window_ && !window_->parent())
        delete window_;
}

QTextBrowser *TextBrowserHelp::window() const
{
    return window_;
}

bool TextBrowserHelp::Show(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    if (!window_) {
        window_ = new QTextBrowser(parent_);
        window_->setWindowFlag(Qt::Window);
        window_->setWindowTitle(QStringLiteral("Quorvel 帮助"));
        window_->setOpenExternalLinks(true);
        window_->resize(640, 520);
    }
    // The file is HTML whatever its extension says.
    window_->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()),
                       QTextDocument::HtmlResource);
    window_->home();
    window_->show();
    window_->raise();
    window_->activateWindow();
    return true;
}

bool OpenHelp(HelpViewer &viewer, const QStringList &candidates, QWidget *parent)
{
    for (const QString &path : candidates) {
        if (viewer.Show(path))
            return true;
    }
    ShowSystemMessage(parent, QStringLiteral("无法打开帮助文件"), MessageIcon::Stop);
    return false;
}

} // namespace platform
