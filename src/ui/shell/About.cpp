#include "ui/shell/About.h"

#include "ui/shell/ProgramIcon.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace shell {

namespace {

constexpr int kClientWidth = 204;
constexpr int kClientHeight = 219;

QLabel *MakeLabel(const QString &text, QWidget *parent, int y, int height)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(14, y, kClientWidth - 28, height);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Quorvel"));
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);

    // The bevelled panel around icon and texts, as the box was drawn.
    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, kClientWidth - 16, 165);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(shell::ProgramIcon().pixmap(32, 32));
    ProgramIcon->setGeometry(18, 18, 32, 32);

    ProductName = new QLabel(QStringLiteral("Quorvel"), this);
    QFont nameFont = ProductName->font();
    nameFont.setBold(true);
    nameFont.setPixelSize(16);
    ProductName->setFont(nameFont);
    ProductName->setGeometry(60, 18, kClientWidth - 76, 32);

    Version = MakeLabel(QStringLiteral("版本：0.6"), this, 64, 20);
    Copyright = MakeLabel(QStringLiteral("文字网络游戏客户端"), this, 96, 20);
    Comments = MakeLabel(QStringLiteral("Quorvel 开发组 编写"), this, 124, 36);
    Comments->setWordWrap(true);

    OKButton = new QPushButton(QStringLiteral("确定"), this);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    OKButton->setGeometry((kClientWidth - 75) / 2, 184, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::ShowModeless()
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
    OKButton->setFocus();
}

} // namespace shell
