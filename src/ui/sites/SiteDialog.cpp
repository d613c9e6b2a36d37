#include "ui/sites/SiteDialog.h"

#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/platform/DialogLook.h"
#include "ui/platform/SystemMessage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>

namespace sites {

namespace {

std::string FieldBytes(const QLineEdit *edit)
{
    return gbk::FromQString(edit->text());
}

std::string TrimmedFieldBytes(const QLineEdit *edit)
{
    return std::string(gbk::Trim(FieldBytes(edit)));
}

// A port as the dialog takes it: blanks around the digits do not count, the
// same way the stored port is trimmed.
std::optional<int> FieldPort(const QLineEdit *edit)
{
    return sites::ParsePort(gbk::Trim(FieldBytes(edit)));
}

using platform::MakeLabel;

const QString kLineBreakMessage =
    QStringLiteral("名称、地址、端口和代理服务器的设置中不能含有换行符，请更正！");

QLineEdit *MakeEdit(QWidget *parent, int x, int y, int width)
{
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(x, y, width, 21);
    return edit;
}

} // namespace

TBookMark::TBookMark(const std::filesystem::path &programDir, QWidget *parent)
    : QDialog(parent)
    , programDir_(programDir)
{
    platform::SetDialogLook(this, QStringLiteral("书签"), 536, 312);
    BuildControls();

    // One click fills the fields once. Selection, not the current row, counts:
    // the list makes its first row current when it takes the focus, and that
    // must not fill the fields. A click on the row already selected changes no
    // selection but still brings the stored values back, as any click does;
    // filling twice would not do, since the address rule may rewrite the name
    // the first time only.
    ListBox1->viewport()->installEventFilter(this);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
        filledByPress_ = true;
        ListBox1Click();
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] {
        if (!filledByPress_)
            ListBox1Click();
    });
    connect(getAddress, &QLineEdit::textChanged, this, [this] { getAddressChange(); });
    getPort->installEventFilter(this);
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    FormCreate(programDir);
}

void TBookMark::BuildControls()
{
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(8, 8, 180, 296);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    MakeLabel(QStringLiteral("名称"), this, 204, 15);
    getName = MakeEdit(this, 240, 12, 284);
    MakeLabel(QStringLiteral("地址"), this, 204, 43);
    getAddress = MakeEdit(this, 240, 40, 284);
    MakeLabel(QStringLiteral("端口"), this, 204, 71);
    getPort = MakeEdit(this, 240, 68, 80);
    CheckBox3 = new QCheckBox(QStringLiteral("加密连接 (TLS)"), this);
    CheckBox3->setGeometry(340, 69, 180, 20);

    // The site's connection options, one row under its port.
    MakeLabel(QStringLiteral("编码"), this, 204, 99);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(240, 96, 100, 22);
    for (session::Encoding e : session::kEncodings)
        ComboBox1->addItem(gbk::ToQString(session::EncodingName(e)));
    CheckBox4 = new QCheckBox(QStringLiteral("协商 telnet 选项"), this);
    CheckBox4->setGeometry(356, 97, 168, 20);
    CheckBox4->setChecked(true);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(200, 128, 328, 4);

    CheckBox1 = new QCheckBox(QStringLiteral("使用Socks5代理服务器"), this);
    CheckBox1->setGeometry(204, 138, 200, 20);
    MakeLabel(QStringLiteral("代理服务器地址："), this, 204, 169);
    Edit1 = MakeEdit(this, 300, 166, 124);
    MakeLabel(QStringLiteral("端口："), this, 432, 169);
    // Wide enough for the five digits of any port, frame and margins included.
    Edit2 = MakeEdit(this, 468, 166, 56);
    Edit2->setText(QString::fromLatin1(sites::kDefaultProxyPort.data(),
                                       static_cast<qsizetype>(sites::kDefaultProxyPort.size())));
    CheckBox2 = new QCheckBox(QStringLiteral("代理服务器需要身份验证"), this);
    CheckBox2->setGeometry(204, 194, 200, 20);
    MakeLabel(QStringLiteral("用户名："), this, 204, 225);
    Edit3 = MakeEdit(this, 252, 222, 100);
    MakeLabel(QStringLiteral("密码："), this, 364, 225);
    Edit4 = MakeEdit(this, 400, 222, 124);
    Edit4->setEchoMode(QLineEdit::Password);
    Edit4->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("确定"), this);
    BitBtn1->setGeometry(220, 272, 80, 28);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("放弃"), this);
    BitBtn2->setGeometry(320, 272, 80, 28);
    BitBtn2->setAutoDefault(false);
    BitBtn3 =
        new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), this);
    BitBtn3->setGeometry(420, 272, 80, 28);
    BitBtn3->setAutoDefault(false);

    ApplyEnabling();
}

void TBookMark::FormCreate(const std::filesystem::path &dir)
{
    // The reader applies the check-box rules line by line, as the boxes would
    // have been set; the boxes themselves are set quietly so their own handlers
    // do not recompute that outcome.
    sites_ = sites::ReadSiteFile(dir, &enabling_);
    const sites::ProxySettings &proxy = sites_.proxy;
    {
        const QSignalBlocker block1(CheckBox1);
        const QSignalBlocker block2(CheckBox2);
        CheckBox1->setChecked(proxy.useProxy);
        CheckBox2->setChecked(proxy.auth);
    }
    Edit1->setText(gbk::ToQString(proxy.address));
    Edit2->setText(gbk::ToQString(proxy.port));
    Edit3->setText(gbk::ToQString(proxy.user));
    Edit4->setText(gbk::ToQString(proxy.password));
    ApplyEnabling();
    for (const std::string &name : sites_.siteNames)
        ListBox1->addItem(gbk::ToQString(name));
}

void TBookMark::SetProgramDir(const std::filesystem::path &dir)
{
    programDir_ = dir;
}

void TBookMark::showEvent(QShowEvent *event)
{
    accepted_ = false;
    QDialog::showEvent(event);
}

bool TBookMark::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress)
        filledByPress_ = false;
    if (watched == getPort && event->type() == QEvent::KeyPress &&
        getPortKeyPress(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool TBookMark::getPortKeyPress(const QKeyEvent *event) const
{
    for (char32_t ch : event->text().toUcs4()) {
        if (!sites::PortKeyPasses(ch))
            return true;
    }
    return false;
}

int TBookMark::SelectedRow() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}

void TBookMark::ListBox1Click()
{
    const int row = SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= sites_.size())
        return;
    // Name before address: the address rule then runs on the site's own name.
    getName->setText(gbk::ToQString(sites_.siteNames[row]));
    getAddress->setText(gbk::ToQString(sites_.siteAddresses[row]));
    getPort->setText(gbk::ToQString(sites_.sitePorts[row]));
    CheckBox3->setChecked(static_cast<std::size_t>(row) < sites_.siteTls.size() &&
                          sites_.siteTls[row]);
    SetOptionFields(sites_.siteOptions[row]);
}

void TBookMark::SetOptionFields(const sites::SiteOptions &options)
{
    for (std::size_t i = 0; i < std::size(session::kEncodings); ++i)
        if (session::kEncodings[i] == options.encoding)
            ComboBox1->setCurrentIndex(static_cast<int>(i));
    CheckBox4->setChecked(options.negotiateTelnet);
}

sites::SiteOptions TBookMark::chosenOptions() const
{
    const int i = ComboBox1->currentIndex();
    sites::SiteOptions options;
    if (i >= 0 && static_cast<std::size_t>(i) < std::size(session::kEncodings))
        options.encoding = session::kEncodings[i];
    options.negotiateTelnet = CheckBox4->isChecked();
    return options;
}

void TBookMark::getAddressChange()
{
    const std::string name = FieldBytes(getName);
    if (sites::NameAfterAddressChange(name, FieldBytes(getAddress)) != name)
        getName->setText(getAddress->text());
}

void TBookMark::ApplyEnabling()
{
    Edit1->setEnabled(enabling_.serverFields);
    Edit2->setEnabled(enabling_.serverFields);
    CheckBox2->setEnabled(enabling_.serverFields);
    Edit3->setEnabled(enabling_.loginFields);
    Edit4->setEnabled(enabling_.loginFields);
}

void TBookMark::CheckBox1Click()
{
    enabling_.UseProxyChanged(CheckBox1->isChecked(), CheckBox2->isChecked());
    ApplyEnabling();
}

void TBookMark::CheckBox2Click()
{
    enabling_.AuthChanged(CheckBox2->isChecked());
    ApplyEnabling();
}

sites::ProxySettings TBookMark::ProxyFromFields() const
{
    sites::ProxySettings proxy;
    proxy.useProxy = CheckBox1->isChecked();
    proxy.address = FieldBytes(Edit1);
    proxy.port = FieldBytes(Edit2);
    proxy.auth = CheckBox2->isChecked();
    proxy.user = FieldBytes(Edit3);
    proxy.password = FieldBytes(Edit4);
    return proxy;
}

void TBookMark::WriteSiteFile()
{
    sites_.proxy = ProxyFromFields();
    if (sites::HasLineBreak(sites_)) {
        // Written out, the break would begin a line the reader takes as a key.
        platform::ShowSystemMessage(this, kLineBreakMessage, platform::MessageIcon::Error);
        return;
    }
    if (!sites::WriteSiteFile(programDir_, sites_))
        platform::ShowSystemMessage(this, QStringLiteral("无法保存Quorvel.INI文件！"),
                                    platform::MessageIcon::Error);
}

void TBookMark::BitBtn1Click()
{
    chosenProfile_.clear();
    switch (sites::CheckSiteFields(FieldBytes(getName), FieldBytes(getAddress), FieldBytes(getPort),
                                   ProxyFromFields())) {
    case sites::SiteFieldsFault::None:
        break;
    case sites::SiteFieldsFault::BadPort:
        // The fields go back to values the player can see are to be corrected.
        Edit2->setText(
            QString::fromLatin1(sites::kDefaultProxyPort.data(),
                                static_cast<qsizetype>(sites::kDefaultProxyPort.size())));
        getPort->setText(QStringLiteral("0"));
        platform::ShowSystemMessage(this, QStringLiteral("端口值错误，请更正！"),
                                    platform::MessageIcon::Error);
        return;
    case sites::SiteFieldsFault::MissingNameOrAddress:
        platform::ShowSystemMessage(this, QStringLiteral("名称和地址不能为空，请填写！"),
                                    platform::MessageIcon::Error);
        return;
    case sites::SiteFieldsFault::LineBreak:
        platform::ShowSystemMessage(this, kLineBreakMessage, platform::MessageIcon::Error);
        return;
    }
    const std::size_t before = sites_.size();
    const int index = sites_.Confirm(FieldBytes(getName), FieldBytes(getAddress),
                                     FieldBytes(getPort), chosenOptions());
    if (sites_.size() > before)
        ListBox1->addItem(gbk::ToQString(sites_.siteNames[index]));
    sites_.siteTls[index] = CheckBox3->isChecked();
    WriteSiteFile();
    chosenProfile_ = sites_.siteProfiles[index];
    accepted_ = true;
    accept();
}

void TBookMark::BitBtn2Click()
{
    reject();
}

void TBookMark::BitBtn3Click()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    {
        // Nothing stays selected afterwards, so a second press does not take
        // the neighbouring site with it, and the fields are not refilled.
        const QSignalBlocker block(ListBox1);
        delete ListBox1->takeItem(row);
        ListBox1->setCurrentRow(-1);
        ListBox1->clearSelection();
    }
    getName->clear();
    getAddress->clear();
    getPort->clear();
    CheckBox3->setChecked(false);
    SetOptionFields(sites::SiteOptions{});
    sites_.Delete(row);
    WriteSiteFile();
}

bool TBookMark::UpdateProfileFor(const std::string &siteName, const std::string &profilePath)
{
    if (sites::HasLineBreak(profilePath)) {
        // Kept out of the list, or no later write could save it.
        platform::ShowSystemMessage(this, QStringLiteral("配置文件名中含有换行符，无法记入书签。"),
                                    platform::MessageIcon::Error);
        return false;
    }
    if (sites_.SetProfile(siteName, profilePath) < 0)
        return false;
    WriteSiteFile();
    return true;
}

std::string TBookMark::hostAddress() const
{
    return TrimmedFieldBytes(getAddress);
}

std::string TBookMark::siteNameField() const
{
    return TrimmedFieldBytes(getName);
}

int TBookMark::hostPort() const
{
    return FieldPort(getPort).value_or(0);
}

int TBookMark::proxyPort() const
{
    return FieldPort(Edit2).value_or(0);
}

bool TBookMark::useProxy() const
{
    return CheckBox1->isChecked();
}

std::string TBookMark::proxyHost() const
{
    return FieldBytes(Edit1);
}

bool TBookMark::proxyAuth() const
{
    return CheckBox2->isChecked();
}

std::string TBookMark::proxyUser() const
{
    return FieldBytes(Edit3);
}

std::string TBookMark::proxyPassword() const
{
    return FieldBytes(Edit4);
}

bool TBookMark::useTls() const
{
    return CheckBox3->isChecked();
}

} // namespace sites
