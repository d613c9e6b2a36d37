#include "ui/session/LogDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace session {

LogDialog::LogDialog(QWidget *parent, const QString &suggested)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("开始记录"));
    auto *form = new QFormLayout(this);
    auto *fileRow = new QHBoxLayout;
    logPath = new QLineEdit(suggested, this);
    logPath->setObjectName(QStringLiteral("logPath"));
    logPath->setMinimumWidth(320);
    auto *browse = new QPushButton(QStringLiteral("浏览…"), this);
    fileRow->addWidget(logPath, 1);
    fileRow->addWidget(browse);
    form->addRow(QStringLiteral("文件:"), fileRow);
    logFormat = new QComboBox(this);
    logFormat->setObjectName(QStringLiteral("logFormat"));
    logFormat->addItems({QStringLiteral("纯文本"), QStringLiteral("HTML 网页（带颜色）")});
    form->addRow(QStringLiteral("格式:"), logFormat);
    logEncoding = new QComboBox(this);
    logEncoding->setObjectName(QStringLiteral("logEncoding"));
    logEncoding->addItems({QStringLiteral("GBK"), QStringLiteral("UTF-8")});
    form->addRow(QStringLiteral("编码:"), logEncoding);
    logStamps = new QCheckBox(QStringLiteral("每行加时间"), this);
    logStamps->setObjectName(QStringLiteral("logStamps"));
    form->addRow(QString(), logStamps);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(browse, &QPushButton::clicked, this, &LogDialog::Browse);
    connect(logFormat, &QComboBox::currentIndexChanged, this, &LogDialog::FormatChanged);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!logPath->text().trimmed().isEmpty())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString LogDialog::path() const
{
    return logPath->text().trimmed();
}

screen::LogOptions LogDialog::options() const
{
    screen::LogOptions o;
    o.format =
        logFormat->currentIndex() == 1 ? screen::LogFormat::kHtml : screen::LogFormat::kPlain;
    o.encoding = logEncoding->currentIndex() == 1 ? screen::LogEncoding::kUtf8
                                                  : screen::LogEncoding::kInternal;
    o.timeStamps = logStamps->isChecked();
    return o;
}

void LogDialog::Browse()
{
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("记录到文件"), path(),
        QStringLiteral("记录文件 (*.txt *.log *.html *.htm);;所有文件 (*)"));
    if (!chosen.isEmpty())
        logPath->setText(chosen);
}

void LogDialog::FormatChanged()
{
    // The file's suffix follows the form while it is one of ours.
    const QFileInfo info(path());
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("txt") && suffix != QLatin1String("html"))
        return;
    const QString wanted =
        logFormat->currentIndex() == 1 ? QStringLiteral("html") : QStringLiteral("txt");
    logPath->setText(info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.') +
                     wanted);
}

} // namespace session
