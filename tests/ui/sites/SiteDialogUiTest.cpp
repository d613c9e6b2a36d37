// Drives the site dialog: reading and writing the ini file, the field rules,
// and what the main frame reads after the dialog closes.
#include "core/sites/SiteFile.h"
#include "support/MessageLog.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "support/TableRows.h"
#include "ui/platform/SystemMessage.h"
#include "ui/sites/SiteDialog.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using sites::TBookMark;

using testsupport::WaitFor;

namespace fs = std::filesystem;

namespace {

const QString kBadPort = QStringLiteral("端口值错误，请更正！");
const QString kCannotSave = QStringLiteral("无法保存Quorvel.INI文件！");

void WriteBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two sites, the first with a GBK name and a profile, the second without one.
std::string TwoSitesIni(const std::string &proxyLines)
{
    return "[Mud-List]\r\n"
           "name=\xD6\xD0\xCE\xC4\r\naddress=mud.example.org\r\nport=5555\r\nprofile=zw.qvl\r\n "
           "\r\n"
           "name=Jade\r\naddress=jade.example.net\r\nport=23\r\nprofile= \r\n \r\n"
           "[Proxy]\r\n" +
           proxyLines;
}

} // namespace

class SiteDialog : public ::testing::Test
{
protected:
    std::unique_ptr<QTemporaryDir> tempDir;
    fs::path dir;
    testsupport::MessageLog shown;

    fs::path IniPath() const { return dir / "Quorvel.ini"; }

    std::unique_ptr<TBookMark> OpenDialog()
    {
        auto dlg = std::make_unique<TBookMark>(dir);
        dlg->show();
        return dlg;
    }

    static void ClickRow(TBookMark &dlg, int row)
    {
        QListWidgetItem *item = dlg.ListBox1->item(row);
        ASSERT_TRUE(item);
        QTest::mouseClick(dlg.ListBox1->viewport(), Qt::LeftButton, {},
                          dlg.ListBox1->visualItemRect(item).center());
    }

    static void Type(QLineEdit *edit, const QString &text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    void SetUp() override
    {
        tempDir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(tempDir->isValid());
        dir = fs::path(tempDir->path().toStdString());
        shown.clear();
    }
};
;

TEST_F(SiteDialog, ReadsSitesAndProxyFromIni)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=1\r\nProxyAddress=proxy.local\r\n"
                                      "ProxyPort=1090\r\nProxyAuth=1\r\n"
                                      "ProxyUser=\xD3\xC3\xBB\xA7\r\nProxyPass=" +
                                      sites::ScramblePassword("s3cr") + "\r\n"));
    auto dlg = OpenDialog();
    ASSERT_EQ(dlg->ListBox1->count(), 2);
    ASSERT_EQ(dlg->ListBox1->item(0)->text(), QStringLiteral("中文"));
    ASSERT_EQ(dlg->ListBox1->item(1)->text(), QStringLiteral("Jade"));
    ASSERT_TRUE(dlg->CheckBox1->isChecked());
    ASSERT_TRUE(dlg->CheckBox2->isChecked());
    ASSERT_EQ(dlg->Edit1->text(), QStringLiteral("proxy.local"));
    ASSERT_EQ(dlg->Edit2->text(), QStringLiteral("1090"));
    ASSERT_EQ(dlg->Edit3->text(), QStringLiteral("用户"));
    ASSERT_EQ(dlg->Edit4->text(), QStringLiteral("s3cr"));
    ASSERT_EQ(dlg->Edit4->echoMode(), QLineEdit::Password);
    for (QWidget *w : {static_cast<QWidget *>(dlg->Edit1), static_cast<QWidget *>(dlg->Edit2),
                       static_cast<QWidget *>(dlg->CheckBox2), static_cast<QWidget *>(dlg->Edit3),
                       static_cast<QWidget *>(dlg->Edit4)})
        ASSERT_TRUE(w->isEnabled());
    ASSERT_TRUE(shown.empty());
}

TEST_F(SiteDialog, ProxyEnablingFollowsFileOrder)
{
    struct Row
    {
        const char *label;
        QString proxyLines;
        bool serverEnabled;
        bool loginEnabled;
        QString proxyPort;
    };
    const Row rows[] = {
        {"no file", QString(), false, false, "1080"},
        {"proxy on, no auth", "Proxy=1\r\nProxyAuth=0\r\n", true, false, "1080"},
        {"auth set after proxy off", "Proxy=0\r\nProxyAuth=1\r\n", false, true, "1080"},
        {"proxy off after auth", "ProxyAuth=1\r\nProxy=0\r\n", false, false, "1080"},
        {"values not numbers", "Proxy=yes\r\nProxyPort=abc\r\n", false, false, "1080"},
        {"port normalised", "Proxy=2\r\nProxyPort=+0999\r\n", true, false, "999"},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, proxyLines, serverEnabled, loginEnabled, proxyPort] = row;
        if (!proxyLines.isNull())
            WriteBytes(IniPath(), TwoSitesIni(proxyLines.toStdString()));
        auto dlg = OpenDialog();
        ASSERT_EQ(dlg->Edit1->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->Edit2->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->CheckBox2->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->Edit3->isEnabled(), loginEnabled);
        ASSERT_EQ(dlg->Edit4->isEnabled(), loginEnabled);
        ASSERT_EQ(dlg->Edit2->text(), proxyPort);
    }
}

TEST_F(SiteDialog, ClickingSiteFillsFields)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    ClickRow(*dlg, 1);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("Jade"));
    ASSERT_EQ(dlg->getAddress->text(), QStringLiteral("jade.example.net"));
    ASSERT_EQ(dlg->getPort->text(), QStringLiteral("23"));
    // Edited fields come back when the same row is clicked again.
    dlg->getPort->setText(QStringLiteral("99"));
    ClickRow(*dlg, 1);
    ASSERT_EQ(dlg->getPort->text(), QStringLiteral("23"));
    ClickRow(*dlg, 0);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("中文"));
    ASSERT_EQ(dlg->getAddress->text(), QStringLiteral("mud.example.org"));
    ASSERT_EQ(dlg->getPort->text(), QStringLiteral("5555"));
}

TEST_F(SiteDialog, NameFollowsAddressUntilRenamed)
{
    auto dlg = OpenDialog();
    QTest::keyClicks(dlg->getAddress, QStringLiteral("mud.ex"));
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("mud.ex"));
    QTest::keyClick(dlg->getAddress, Qt::Key_Backspace);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("mud.e"));
    Type(dlg->getName, QStringLiteral("My MUD"));
    QTest::keyClicks(dlg->getAddress, QStringLiteral("xample.org"));
    ASSERT_EQ(dlg->getAddress->text(), QStringLiteral("mud.example.org"));
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("My MUD"));
    // A GBK address is followed the same way.
    dlg->getName->clear();
    dlg->getAddress->setText(QStringLiteral("书剑"));
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("书剑"));
}

TEST_F(SiteDialog, SiteNamedLikeItsAddressTakesTheAddress)
{
    WriteBytes(IniPath(), "name=abc\r\naddress=abc.com\r\nport=23\r\nprofile=abc.qvl\r\n"
                          "name=Other\r\naddress=other.org\r\nport=4000\r\nprofile= \r\n");
    auto dlg = OpenDialog();
    ClickRow(*dlg, 1);
    ClickRow(*dlg, 0);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("abc.com"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    ASSERT_EQ(dlg->ListBox1->count(), 3);
    ASSERT_EQ(dlg->ListBox1->item(2)->text(), QStringLiteral("abc.com"));
    ASSERT_EQ(dlg->chosenProfile(), std::string(" "));
    ASSERT_EQ(sites::ReadSiteFile(dir).siteProfiles[0], std::string("abc.qvl"));
}

TEST_F(SiteDialog, PortKeyFilter)
{
    struct Row
    {
        const char *label;
        QString typed;
        QString expected;
    };
    const Row rows[] = {
        {"letter dropped", "12a3", "123"},
        {"punctuation dropped", "8-0.x+", "80"},
        {"space passes", "1 2", "1 2"},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, typed, expected] = row;
        auto dlg = OpenDialog();
        QTest::keyClicks(dlg->getPort, typed);
        ASSERT_EQ(dlg->getPort->text(), expected);
        // The proxy port field takes anything; "确定" checks it instead.
        dlg->CheckBox1->click();
        Type(dlg->Edit2, QStringLiteral("1a"));
        ASSERT_EQ(dlg->Edit2->text(), QStringLiteral("1a"));
    }
}

TEST_F(SiteDialog, PortKeyFilterPassesControlAndNonAscii)
{
    auto dlg = OpenDialog();
    QTest::keyClicks(dlg->getPort, QStringLiteral("42"));
    QTest::keyClick(dlg->getPort, Qt::Key_Backspace);
    ASSERT_EQ(dlg->getPort->text(), QStringLiteral("4"));
    QKeyEvent wide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("端"));
    QApplication::sendEvent(dlg->getPort, &wide);
    ASSERT_EQ(dlg->getPort->text(), QStringLiteral("4端"));
}

TEST_F(SiteDialog, CheckBoxEnabling)
{
    struct Row
    {
        const char *label;
        QString clicks;
        bool serverEnabled;
        bool loginEnabled;
    };
    const Row rows[] = {
        {"at start", "", false, false},
        {"auth box disabled at start", "2", false, false},
        {"proxy on", "1", true, false},
        {"proxy and auth on", "12", true, true},
        {"auth off again", "122", true, false},
        {"proxy off keeps auth ticked", "121", false, false},
        {"proxy on again with auth ticked", "1211", true, true},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, clicks, serverEnabled, loginEnabled] = row;
        auto dlg = OpenDialog();
        for (QChar c : clicks)
            (c == u'1' ? dlg->CheckBox1 : dlg->CheckBox2)->click();
        ASSERT_EQ(dlg->Edit1->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->Edit2->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->CheckBox2->isEnabled(), serverEnabled);
        ASSERT_EQ(dlg->Edit3->isEnabled(), loginEnabled);
        ASSERT_EQ(dlg->Edit4->isEnabled(), loginEnabled);
    }
}

TEST_F(SiteDialog, ConfirmRefusesBadPorts)
{
    struct Row
    {
        const char *label;
        QString port;
        QString proxyPort;
    };
    const Row rows[] = {
        {"port not a number", "2x3", "1080"},
        {"port empty", "", "1080"},
        {"port zero", "0", "1080"},
        {"port too large", "65536", "1080"},
        {"proxy port not a number, proxy off", "23", "socks"},
        {"proxy port empty, proxy off", "23", ""},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, port, proxyPort] = row;
        auto dlg = OpenDialog();
        dlg->getAddress->setText(QStringLiteral("host"));
        dlg->getPort->setText(port);
        dlg->Edit2->setText(proxyPort);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        ASSERT_EQ(shown.Texts(), QStringList{kBadPort});
        ASSERT_EQ(shown.front().icon, platform::MessageIcon::Error);
        ASSERT_TRUE(dlg->isVisible());
        ASSERT_TRUE(!dlg->accepted());
        ASSERT_EQ(dlg->getPort->text(), QStringLiteral("0"));
        ASSERT_EQ(dlg->Edit2->text(), QStringLiteral("1080"));
        ASSERT_EQ(dlg->ListBox1->count(), 0);
        ASSERT_TRUE(!fs::exists(IniPath()));
    }
}

TEST_F(SiteDialog, ConfirmRefusesEmptyNameOrAddress)
{
    struct Row
    {
        const char *label;
        QString name;
        QString address;
    };
    const Row rows[] = {
        {"both empty", "", ""},
        {"name blank", " ", "host.one"},
        {"address blank", "Jade", " "},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, name, address] = row;
        auto dlg = OpenDialog();
        dlg->getAddress->setText(address);
        dlg->getName->setText(name);
        dlg->getPort->setText(QStringLiteral("23"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        ASSERT_EQ(shown.Texts(), QStringList{QStringLiteral("名称和地址不能为空，请填写！")});
        ASSERT_TRUE(dlg->isVisible());
        ASSERT_TRUE(!dlg->accepted());
        ASSERT_EQ(dlg->ListBox1->count(), 0);
        ASSERT_TRUE(!fs::exists(IniPath()));
    }
}

TEST_F(SiteDialog, ConfirmRefusesLineBreaksInEveryField)
{
    struct Row
    {
        const char *label;
        int field;
    };
    const Row rows[] = {
        {"name", 0},       {"address", 1},    {"port", 2},           {"proxy address", 3},
        {"proxy port", 4}, {"proxy user", 5}, {"proxy password", 6},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, field] = row;
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        const std::string before = ReadBytes(IniPath());
        auto dlg = OpenDialog();
        dlg->getAddress->setText(QStringLiteral("host.one"));
        dlg->getName->setText(QStringLiteral("My MUD"));
        dlg->getPort->setText(QStringLiteral("23"));
        QLineEdit *edits[] = {dlg->getName, dlg->getAddress, dlg->getPort, dlg->Edit1,
                              dlg->Edit2,   dlg->Edit3,      dlg->Edit4};
        // Ports must still convert, so a break there is a trailing one.
        edits[field]->setText(field == 2 || field == 4 ? edits[field]->text() + "\n"
                                                       : QStringLiteral("x\r\nProxy=1"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        ASSERT_TRUE(!dlg->accepted());
        ASSERT_TRUE(dlg->isVisible());
        ASSERT_EQ(shown.size(), std::size_t(1));
        ASSERT_EQ(dlg->ListBox1->count(), 2);
        ASSERT_EQ(ReadBytes(IniPath()), before);
    }
}

TEST_F(SiteDialog, PastedLineBreakNeverReachesTheIni)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    const std::string before = ReadBytes(IniPath());
    auto dlg = OpenDialog();
    dlg->Edit3->setEnabled(true);
    dlg->Edit3->setText(QStringLiteral("me\nProxyAddress=evil"));
    // "删除" writes the proxy fields too: refused with the same message.
    ClickRow(*dlg, 0);
    QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(shown.Texts(), QStringList{QStringLiteral(
                                 "名称、地址、端口和代理服务器的设置中不能含有换行符，请更正！")});
    ASSERT_EQ(ReadBytes(IniPath()), before);
    // A profile path with a break is not taken into the list either.
    ASSERT_TRUE(!dlg->UpdateProfileFor("Jade", "a\nProxy=1.qvl"));
    ASSERT_EQ(ReadBytes(IniPath()), before);
}

TEST_F(SiteDialog, ConfirmExistingSiteKeepsItsProfile)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    ClickRow(*dlg, 1);
    dlg->getAddress->setText(QStringLiteral("new.example.net "));
    dlg->getName->setText(QStringLiteral(" Jade "));
    Type(dlg->getPort, QStringLiteral("4000"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);

    ASSERT_TRUE(dlg->accepted());
    ASSERT_TRUE(!dlg->isVisible());
    ASSERT_TRUE(shown.empty());
    ASSERT_EQ(dlg->chosenProfile(), std::string(" "));
    ASSERT_EQ(dlg->siteNameField(), std::string("Jade"));
    ASSERT_EQ(dlg->hostAddress(), std::string("new.example.net"));
    ASSERT_EQ(dlg->hostPort(), 4000);
    ASSERT_EQ(dlg->ListBox1->count(), 2);

    sites::SiteList onDisk = sites::ReadSiteFile(dir);
    ASSERT_EQ(onDisk.siteNames, (std::vector<std::string>{"\xD6\xD0\xCE\xC4", "Jade"}));
    ASSERT_EQ(onDisk.siteAddresses[1], std::string("new.example.net"));
    ASSERT_EQ(onDisk.sitePorts[1], std::string("4000"));
    ASSERT_EQ(onDisk.siteProfiles, (std::vector<std::string>{"zw.qvl", " "}));

    // The GBK-named site hands its profile to the main frame.
    dlg->show();
    ClickRow(*dlg, 0);
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    ASSERT_EQ(dlg->chosenProfile(), std::string("zw.qvl"));
    ASSERT_EQ(dlg->siteNameField(), std::string("\xD6\xD0\xCE\xC4"));
}

TEST_F(SiteDialog, ConfirmNewSiteAppendsAndWritesProxy)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    dlg->getName->setText(QStringLiteral("新站"));
    dlg->getAddress->setText(QStringLiteral("127.0.0.1"));
    dlg->getPort->setText(QStringLiteral(" 7000"));
    dlg->CheckBox1->click();
    dlg->CheckBox2->click();
    dlg->Edit1->setText(QStringLiteral("proxy.lan"));
    dlg->Edit2->setText(QStringLiteral("1090"));
    dlg->Edit3->setText(QStringLiteral("用户"));
    dlg->Edit4->setText(QStringLiteral("pa\u00e9ss"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);

    ASSERT_TRUE(dlg->accepted());
    ASSERT_EQ(dlg->chosenProfile(), std::string(" "));
    ASSERT_EQ(dlg->ListBox1->count(), 3);
    ASSERT_EQ(dlg->ListBox1->item(2)->text(), QStringLiteral("新站"));
    ASSERT_EQ(dlg->siteNameField(), std::string("\xD0\xC2\xD5\xBE"));
    ASSERT_EQ(dlg->hostAddress(), std::string("127.0.0.1"));
    ASSERT_EQ(dlg->hostPort(), 7000);
    ASSERT_TRUE(dlg->useProxy());
    ASSERT_EQ(dlg->proxyHost(), std::string("proxy.lan"));
    ASSERT_EQ(dlg->proxyPort(), 1090);
    ASSERT_TRUE(dlg->proxyAuth());
    ASSERT_EQ(dlg->proxyUser(), std::string("\xD3\xC3\xBB\xA7"));
    const std::string gbkPassword = "pa\xA8\xA6ss";
    ASSERT_EQ(dlg->proxyPassword(), gbkPassword);

    const std::string raw = ReadBytes(IniPath());
    ASSERT_TRUE(
        raw.find("name=\xD0\xC2\xD5\xBE\r\naddress=127.0.0.1\r\nport=7000\r\nprofile= \r\n") !=
        std::string::npos);
    ASSERT_TRUE(raw.find(gbkPassword) == std::string::npos);
    sites::SiteList onDisk = sites::ReadSiteFile(dir);
    ASSERT_EQ(onDisk.size(), std::size_t(3));
    ASSERT_EQ(onDisk.siteNames[2], std::string("\xD0\xC2\xD5\xBE"));
    sites::ProxySettings expected{true, "proxy.lan", "1090", true, "\xD3\xC3\xBB\xA7", gbkPassword};
    ASSERT_TRUE(onDisk.proxy == expected);
}

TEST_F(SiteDialog, TlsBoxFollowsTheSiteAndIsStoredOnConfirm)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    // Turned on for the second site and confirmed: the file gets its line.
    ClickRow(*dlg, 1);
    ASSERT_FALSE(dlg->CheckBox3->isChecked());
    QTest::mouseClick(dlg->CheckBox3, Qt::LeftButton);
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    EXPECT_TRUE(dlg->useTls());
    EXPECT_NE(ReadBytes(IniPath()).find("port=23\r\nprofile= \r\ntls=1\r\n \r\n"),
              std::string::npos);

    // A fresh dialog shows it per site; confirming the first leaves it off.
    auto again = OpenDialog();
    ClickRow(*again, 1);
    EXPECT_TRUE(again->CheckBox3->isChecked());
    ClickRow(*again, 0);
    EXPECT_FALSE(again->CheckBox3->isChecked());
    QTest::mouseClick(again->BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(again->useTls());
    EXPECT_EQ(sites::ReadSiteFile(dir).siteTls, (std::vector<bool>{false, true}));
}

TEST_F(SiteDialog, DeleteNeedsSelection)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    const std::string before = ReadBytes(IniPath());
    auto dlg = OpenDialog();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    dlg->getName->setText(QStringLiteral("typed"));
    // Focus makes a row current without selecting it; that is no selection.
    dlg->ListBox1->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("typed"));
    QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(dlg->ListBox1->count(), 2);
    ASSERT_EQ(dlg->getName->text(), QStringLiteral("typed"));
    ASSERT_EQ(ReadBytes(IniPath()), before);

    ClickRow(*dlg, 0);
    dlg->Edit1->setText(QStringLiteral("saved.proxy"));
    QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(dlg->ListBox1->count(), 1);
    ASSERT_EQ(dlg->ListBox1->item(0)->text(), QStringLiteral("Jade"));
    ASSERT_TRUE(dlg->getName->text().isEmpty());
    ASSERT_TRUE(dlg->getAddress->text().isEmpty());
    ASSERT_TRUE(dlg->getPort->text().isEmpty());
    sites::SiteList onDisk = sites::ReadSiteFile(dir);
    ASSERT_EQ(onDisk.siteNames, std::vector<std::string>{"Jade"});
    ASSERT_EQ(onDisk.siteProfiles, std::vector<std::string>{" "});
    ASSERT_EQ(onDisk.proxy.address, std::string("saved.proxy"));

    // The removed row leaves nothing selected: a second press keeps "Jade".
    QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(dlg->ListBox1->count(), 1);
    ASSERT_EQ(sites::ReadSiteFile(dir).size(), std::size_t(1));
    ASSERT_TRUE(shown.empty());
}

TEST_F(SiteDialog, AcceptedAfterConfirmAndCancel)
{
    auto dlg = OpenDialog();
    ASSERT_TRUE(!dlg->accepted());
    dlg->getAddress->setText(QStringLiteral("host.one"));
    dlg->getPort->setText(QStringLiteral("23"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    ASSERT_EQ(dlg->result(), int(QDialog::Accepted));

    // Shown again: not yet accepted, and the fields kept what they held.
    dlg->show();
    ASSERT_TRUE(!dlg->accepted());
    ASSERT_EQ(dlg->getAddress->text(), QStringLiteral("host.one"));
    QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
    ASSERT_TRUE(!dlg->isVisible());
    ASSERT_TRUE(!dlg->accepted());
    ASSERT_EQ(dlg->result(), int(QDialog::Rejected));
    ASSERT_EQ(sites::ReadSiteFile(dir).size(), std::size_t(1));
}

TEST_F(SiteDialog, UpperCaseIniIsReadAndWrittenBack)
{
    WriteBytes(dir / "Quorvel.INI", TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    ASSERT_EQ(dlg->ListBox1->count(), 2);
    dlg->getAddress->setText(QStringLiteral("third.org"));
    dlg->getPort->setText(QStringLiteral("23"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    ASSERT_EQ(QDir(tempDir->path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Quorvel.INI")});
    ASSERT_EQ(sites::ParseSiteFile(ReadBytes(dir / "Quorvel.INI")).siteNames,
              (std::vector<std::string>{"\xD6\xD0\xCE\xC4", "Jade", "third.org"}));
}

TEST_F(SiteDialog, WritesGoWhereProgramDirSays)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    const std::string before = ReadBytes(IniPath());
    auto dlg = OpenDialog();
    QTemporaryDir other;
    dlg->SetProgramDir(fs::path(other.path().toStdString()));
    dlg->getAddress->setText(QStringLiteral("x.org"));
    dlg->getPort->setText(QStringLiteral("23"));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(ReadBytes(IniPath()), before);
    ASSERT_EQ(sites::ReadSiteFile(fs::path(other.path().toStdString())).size(), std::size_t(3));
}

TEST_F(SiteDialog, UnwritableIniIsReportedAndDialogGoesOn)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    auto dlg = OpenDialog();
    dlg->SetProgramDir(dir / "no such folder");
    ClickRow(*dlg, 0);
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(shown.Texts(), QStringList{kCannotSave});
    ASSERT_EQ(shown.front().icon, platform::MessageIcon::Error);
    ASSERT_TRUE(dlg->accepted());
    ASSERT_TRUE(!dlg->isVisible());
    ASSERT_EQ(dlg->chosenProfile(), std::string("zw.qvl"));
}

TEST_F(SiteDialog, UpdateProfileForMatchesExactName)
{
    WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
    const std::string before = ReadBytes(IniPath());
    auto dlg = OpenDialog();
    ASSERT_TRUE(!dlg->UpdateProfileFor("jade", "j.qvl"));
    ASSERT_EQ(ReadBytes(IniPath()), before);
    ASSERT_TRUE(dlg->UpdateProfileFor("Jade", "j.qvl"));
    ASSERT_EQ(sites::ReadSiteFile(dir).siteProfiles, (std::vector<std::string>{"zw.qvl", "j.qvl"}));
    ClickRow(*dlg, 1);
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_EQ(dlg->chosenProfile(), std::string("j.qvl"));
}

TEST_F(SiteDialog, EncodingAndTelnetSwitchAreKeptPerSiteAndWrittenOnlyWhenNotDefault)
{
    WriteBytes(IniPath(), "name=utf\r\naddress=u.org\r\nport=23\r\nprofile= \r\nencoding=UTF-8\r\n"
                          "name=plain\r\naddress=p.org\r\nport=4000\r\nprofile= \r\ntelnet=0\r\n");
    auto dlg = OpenDialog();
    ClickRow(*dlg, 0);
    ASSERT_EQ(dlg->ComboBox1->currentText(), QStringLiteral("UTF-8"));
    EXPECT_TRUE(dlg->CheckBox4->isChecked());
    ClickRow(*dlg, 1);
    ASSERT_EQ(dlg->ComboBox1->currentText(), QStringLiteral("自动"));
    EXPECT_FALSE(dlg->CheckBox4->isChecked());
    // Big5 for the second site: its line goes before the telnet line it had.
    dlg->ComboBox1->setCurrentIndex(dlg->ComboBox1->findText(QStringLiteral("Big5")));
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(dlg->accepted());
    EXPECT_EQ(dlg->chosenOptions(), (sites::SiteOptions{session::Encoding::kBig5, false}));
    std::string text = ReadBytes(IniPath());
    EXPECT_NE(text.find("name=plain\r\naddress=p.org\r\nport=4000\r\nprofile= \r\n"
                        "encoding=Big5\r\ntelnet=0\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("profile= \r\nencoding=UTF-8\r\n \r\n"), std::string::npos);

    // Switched back on, the site's block loses its telnet line.
    auto again = OpenDialog();
    ClickRow(*again, 1);
    QTest::mouseClick(again->CheckBox4, Qt::LeftButton);
    QTest::mouseClick(again->BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(again->accepted());
    text = ReadBytes(IniPath());
    EXPECT_EQ(text.find("telnet="), std::string::npos) << text;
    EXPECT_NE(text.find("port=4000\r\nprofile= \r\nencoding=Big5\r\n"), std::string::npos);
}
