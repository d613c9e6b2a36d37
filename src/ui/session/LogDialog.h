// "开始记录": the file a game window's log goes to and its form (plain text
// or an HTML page, GBK or UTF-8, time stamps or none).
#pragma once

#include "core/screen/LogForm.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace session {

class LogDialog : public QDialog
{
    Q_OBJECT

public:
    // `suggested` is the file offered at first.
    LogDialog(QWidget *parent, const QString &suggested);

    QString path() const;
    screen::LogOptions options() const;

private:
    void Browse();
    void FormatChanged();

    QLineEdit *logPath = nullptr;
    QComboBox *logFormat = nullptr;   // 纯文本 / HTML 网页
    QComboBox *logEncoding = nullptr; // GBK / UTF-8
    QCheckBox *logStamps = nullptr;   // 每行加时间
};

} // namespace session
