// TAboutBox, the "关于" box: program icon, name, version and credits. Modeless
// and always on top, so the frame goes on working while it is shown.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace shell {

class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // Shows the box centred on the screen without blocking the caller.
    void ShowModeless();

    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Copyright = nullptr;
    QLabel *Comments = nullptr;
    QPushButton *OKButton = nullptr;
};

} // namespace shell
