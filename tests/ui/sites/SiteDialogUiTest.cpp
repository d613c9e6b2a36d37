// Drives the site dialog: reading and writing the ini file, the field rules,
// and what the main frame reads after the dialog closes.
#include "core/sites/SiteFile.h"
#include "ui/platform/SystemMessage.h"
#include "ui/sites/SiteDialog.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace fs = std::filesystem;

namespace {

struct Shown
{
    QString text;
    platform::MessageIcon icon;
};

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

class BookmarkUiTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tempDir;
    fs::path dir;
    QList<Shown> shown;

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
        QVERIFY(item);
        QTest::mouseClick(dlg.ListBox1->viewport(), Qt::LeftButton, {},
                          dlg.ListBox1->visualItemRect(item).center());
    }

    static void Type(QLineEdit *edit, const QString &text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    QStringList ShownTexts() const
    {
        QStringList texts;
        for (const Shown &s : shown)
            texts << s.text;
        return texts;
    }

private slots:
    void initTestCase()
    {
        platform::SetMessagePresenter(
            [this](QWidget *, const QString &text, platform::MessageIcon icon) {
                shown.append({text, icon});
            });
    }

    void cleanupTestCase() { platform::SetMessagePresenter({}); }

    void init()
    {
        tempDir = std::make_unique<QTemporaryDir>();
        QVERIFY(tempDir->isValid());
        dir = fs::path(tempDir->path().toStdString());
        shown.clear();
    }

    void readsSitesAndProxyFromIni()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=1\r\nProxyAddress=proxy.local\r\n"
                                          "ProxyPort=1090\r\nProxyAuth=1\r\n"
                                          "ProxyUser=\xD3\xC3\xBB\xA7\r\nProxyPass=" +
                                          sites::ScramblePassword("s3cr") + "\r\n"));
        auto dlg = OpenDialog();
        QCOMPARE(dlg->ListBox1->count(), 2);
        QCOMPARE(dlg->ListBox1->item(0)->text(), QStringLiteral("中文"));
        QCOMPARE(dlg->ListBox1->item(1)->text(), QStringLiteral("Jade"));
        QVERIFY(dlg->CheckBox1->isChecked());
        QVERIFY(dlg->CheckBox2->isChecked());
        QCOMPARE(dlg->Edit1->text(), QStringLiteral("proxy.local"));
        QCOMPARE(dlg->Edit2->text(), QStringLiteral("1090"));
        QCOMPARE(dlg->Edit3->text(), QStringLiteral("用户"));
        QCOMPARE(dlg->Edit4->text(), QStringLiteral("s3cr"));
        QCOMPARE(dlg->Edit4->echoMode(), QLineEdit::Password);
        for (QWidget *w : {static_cast<QWidget *>(dlg->Edit1), static_cast<QWidget *>(dlg->Edit2),
                           static_cast<QWidget *>(dlg->CheckBox2),
                           static_cast<QWidget *>(dlg->Edit3), static_cast<QWidget *>(dlg->Edit4)})
            QVERIFY(w->isEnabled());
        QVERIFY(shown.isEmpty());
    }

    void proxyEnablingFollowsFileOrder_data()
    {
        QTest::addColumn<QString>("proxyLines");
        QTest::addColumn<bool>("serverEnabled");
        QTest::addColumn<bool>("loginEnabled");
        QTest::addColumn<QString>("proxyPort");

        QTest::newRow("no file") << QString() << false << false << "1080";
        QTest::newRow("proxy on, no auth") << "Proxy=1\r\nProxyAuth=0\r\n"
                                           << true << false << "1080";
        QTest::newRow("auth set after proxy off") << "Proxy=0\r\nProxyAuth=1\r\n"
                                                  << false << true << "1080";
        QTest::newRow("proxy off after auth") << "ProxyAuth=1\r\nProxy=0\r\n"
                                              << false << false << "1080";
        QTest::newRow("values not numbers") << "Proxy=yes\r\nProxyPort=abc\r\n"
                                            << false << false << "1080";
        QTest::newRow("port normalised") << "Proxy=2\r\nProxyPort=+0999\r\n"
                                         << true << false << "999";
    }

    void proxyEnablingFollowsFileOrder()
    {
        QFETCH(QString, proxyLines);
        QFETCH(bool, serverEnabled);
        QFETCH(bool, loginEnabled);
        QFETCH(QString, proxyPort);
        if (!proxyLines.isNull())
            WriteBytes(IniPath(), TwoSitesIni(proxyLines.toStdString()));
        auto dlg = OpenDialog();
        QCOMPARE(dlg->Edit1->isEnabled(), serverEnabled);
        QCOMPARE(dlg->Edit2->isEnabled(), serverEnabled);
        QCOMPARE(dlg->CheckBox2->isEnabled(), serverEnabled);
        QCOMPARE(dlg->Edit3->isEnabled(), loginEnabled);
        QCOMPARE(dlg->Edit4->isEnabled(), loginEnabled);
        QCOMPARE(dlg->Edit2->text(), proxyPort);
    }

    void clickingSiteFillsFields()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        auto dlg = OpenDialog();
        ClickRow(*dlg, 1);
        QCOMPARE(dlg->getName->text(), QStringLiteral("Jade"));
        QCOMPARE(dlg->getAddress->text(), QStringLiteral("jade.example.net"));
        QCOMPARE(dlg->getPort->text(), QStringLiteral("23"));
        // Edited fields come back when the same row is clicked again.
        dlg->getPort->setText(QStringLiteral("99"));
        ClickRow(*dlg, 1);
        QCOMPARE(dlg->getPort->text(), QStringLiteral("23"));
        ClickRow(*dlg, 0);
        QCOMPARE(dlg->getName->text(), QStringLiteral("中文"));
        QCOMPARE(dlg->getAddress->text(), QStringLiteral("mud.example.org"));
        QCOMPARE(dlg->getPort->text(), QStringLiteral("5555"));
    }

    void nameFollowsAddressUntilRenamed()
    {
        auto dlg = OpenDialog();
        QTest::keyClicks(dlg->getAddress, QStringLiteral("mud.ex"));
        QCOMPARE(dlg->getName->text(), QStringLiteral("mud.ex"));
        QTest::keyClick(dlg->getAddress, Qt::Key_Backspace);
        QCOMPARE(dlg->getName->text(), QStringLiteral("mud.e"));
        Type(dlg->getName, QStringLiteral("My MUD"));
        QTest::keyClicks(dlg->getAddress, QStringLiteral("xample.org"));
        QCOMPARE(dlg->getAddress->text(), QStringLiteral("mud.example.org"));
        QCOMPARE(dlg->getName->text(), QStringLiteral("My MUD"));
        // A GBK address is followed the same way.
        dlg->getName->clear();
        dlg->getAddress->setText(QStringLiteral("书剑"));
        QCOMPARE(dlg->getName->text(), QStringLiteral("书剑"));
    }

    void siteNamedLikeItsAddressTakesTheAddress()
    {
        WriteBytes(IniPath(), "name=abc\r\naddress=abc.com\r\nport=23\r\nprofile=abc.qvl\r\n"
                              "name=Other\r\naddress=other.org\r\nport=4000\r\nprofile= \r\n");
        auto dlg = OpenDialog();
        ClickRow(*dlg, 1);
        ClickRow(*dlg, 0);
        QCOMPARE(dlg->getName->text(), QStringLiteral("abc.com"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QVERIFY(dlg->accepted());
        QCOMPARE(dlg->ListBox1->count(), 3);
        QCOMPARE(dlg->ListBox1->item(2)->text(), QStringLiteral("abc.com"));
        QCOMPARE(dlg->chosenProfile(), std::string(" "));
        QCOMPARE(sites::ReadSiteFile(dir).siteProfiles[0], std::string("abc.qvl"));
    }

    void portKeyFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letter dropped") << "12a3"
                                        << "123";
        QTest::newRow("punctuation dropped") << "8-0.x+"
                                             << "80";
        QTest::newRow("space passes") << "1 2"
                                      << "1 2";
    }

    void portKeyFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        auto dlg = OpenDialog();
        QTest::keyClicks(dlg->getPort, typed);
        QCOMPARE(dlg->getPort->text(), expected);
        // The proxy port field takes anything; "确定" checks it instead.
        dlg->CheckBox1->click();
        Type(dlg->Edit2, QStringLiteral("1a"));
        QCOMPARE(dlg->Edit2->text(), QStringLiteral("1a"));
    }

    void portKeyFilterPassesControlAndNonAscii()
    {
        auto dlg = OpenDialog();
        QTest::keyClicks(dlg->getPort, QStringLiteral("42"));
        QTest::keyClick(dlg->getPort, Qt::Key_Backspace);
        QCOMPARE(dlg->getPort->text(), QStringLiteral("4"));
        QKeyEvent wide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("端"));
        QApplication::sendEvent(dlg->getPort, &wide);
        QCOMPARE(dlg->getPort->text(), QStringLiteral("4端"));
    }

    void checkBoxEnabling_data()
    {
        // Clicks on the check boxes in order: '1' = CheckBox1, '2' = CheckBox2.
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("serverEnabled");
        QTest::addColumn<bool>("loginEnabled");
        QTest::newRow("at start") << "" << false << false;
        QTest::newRow("auth box disabled at start") << "2" << false << false;
        QTest::newRow("proxy on") << "1" << true << false;
        QTest::newRow("proxy and auth on") << "12" << true << true;
        QTest::newRow("auth off again") << "122" << true << false;
        QTest::newRow("proxy off keeps auth ticked") << "121" << false << false;
        QTest::newRow("proxy on again with auth ticked") << "1211" << true << true;
    }

    void checkBoxEnabling()
    {
        QFETCH(QString, clicks);
        QFETCH(bool, serverEnabled);
        QFETCH(bool, loginEnabled);
        auto dlg = OpenDialog();
        for (QChar c : clicks)
            (c == u'1' ? dlg->CheckBox1 : dlg->CheckBox2)->click();
        QCOMPARE(dlg->Edit1->isEnabled(), serverEnabled);
        QCOMPARE(dlg->Edit2->isEnabled(), serverEnabled);
        QCOMPARE(dlg->CheckBox2->isEnabled(), serverEnabled);
        QCOMPARE(dlg->Edit3->isEnabled(), loginEnabled);
        QCOMPARE(dlg->Edit4->isEnabled(), loginEnabled);
    }

    void confirmRefusesBadPorts_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("proxyPort");
        QTest::newRow("port not a number") << "2x3"
                                           << "1080";
        QTest::newRow("port empty") << ""
                                    << "1080";
        QTest::newRow("port zero") << "0"
                                   << "1080";
        QTest::newRow("port too large") << "65536"
                                        << "1080";
        QTest::newRow("proxy port not a number, proxy off") << "23"
                                                            << "socks";
        QTest::newRow("proxy port empty, proxy off") << "23"
                                                     << "";
    }

    void confirmRefusesBadPorts()
    {
        QFETCH(QString, port);
        QFETCH(QString, proxyPort);
        auto dlg = OpenDialog();
        dlg->getAddress->setText(QStringLiteral("host"));
        dlg->getPort->setText(port);
        dlg->Edit2->setText(proxyPort);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(ShownTexts(), QStringList{kBadPort});
        QCOMPARE(shown.front().icon, platform::MessageIcon::Error);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->accepted());
        QCOMPARE(dlg->getPort->text(), QStringLiteral("0"));
        QCOMPARE(dlg->Edit2->text(), QStringLiteral("1080"));
        QCOMPARE(dlg->ListBox1->count(), 0);
        QVERIFY(!fs::exists(IniPath()));
    }

    void confirmRefusesEmptyNameOrAddress_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::newRow("both empty") << ""
                                    << "";
        QTest::newRow("name blank") << "   "
                                    << "host.one";
        QTest::newRow("address blank") << "Jade"
                                       << " ";
    }

    void confirmRefusesEmptyNameOrAddress()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        auto dlg = OpenDialog();
        dlg->getAddress->setText(address);
        dlg->getName->setText(name);
        dlg->getPort->setText(QStringLiteral("23"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(ShownTexts(), QStringList{QStringLiteral("名称和地址不能为空，请填写！")});
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->accepted());
        QCOMPARE(dlg->ListBox1->count(), 0);
        QVERIFY(!fs::exists(IniPath()));
    }

    void confirmRefusesLineBreaksInEveryField_data()
    {
        QTest::addColumn<int>("field");
        const char *names[] = {"name",       "address",    "port",          "proxy address",
                               "proxy port", "proxy user", "proxy password"};
        for (int i = 0; i < 7; ++i)
            QTest::newRow(names[i]) << i;
    }

    void confirmRefusesLineBreaksInEveryField()
    {
        QFETCH(int, field);
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
        QVERIFY(!dlg->accepted());
        QVERIFY(dlg->isVisible());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(dlg->ListBox1->count(), 2);
        QCOMPARE(ReadBytes(IniPath()), before);
    }

    void pastedLineBreakNeverReachesTheIni()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        const std::string before = ReadBytes(IniPath());
        auto dlg = OpenDialog();
        dlg->Edit3->setEnabled(true);
        dlg->Edit3->setText(QStringLiteral("me\nProxyAddress=evil"));
        // "删除" writes the proxy fields too: refused with the same message.
        ClickRow(*dlg, 0);
        QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
        QCOMPARE(ShownTexts(),
                 QStringList{QStringLiteral(
                     "名称、地址、端口和代理服务器的设置中不能含有换行符，请更正！")});
        QCOMPARE(ReadBytes(IniPath()), before);
        // A profile path with a break is not taken into the list either.
        QVERIFY(!dlg->UpdateProfileFor("Jade", "a\nProxy=1.qvl"));
        QCOMPARE(ReadBytes(IniPath()), before);
    }

    void confirmExistingSiteKeepsItsProfile()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        auto dlg = OpenDialog();
        ClickRow(*dlg, 1);
        dlg->getAddress->setText(QStringLiteral("new.example.net "));
        dlg->getName->setText(QStringLiteral(" Jade "));
        Type(dlg->getPort, QStringLiteral("4000"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);

        QVERIFY(dlg->accepted());
        QVERIFY(!dlg->isVisible());
        QVERIFY(shown.isEmpty());
        QCOMPARE(dlg->chosenProfile(), std::string(" "));
        QCOMPARE(dlg->siteNameField(), std::string("Jade"));
        QCOMPARE(dlg->hostAddress(), std::string("new.example.net"));
        QCOMPARE(dlg->hostPort(), 4000);
        QCOMPARE(dlg->ListBox1->count(), 2);

        sites::SiteList onDisk = sites::ReadSiteFile(dir);
        QCOMPARE(onDisk.siteNames, (std::vector<std::string>{"\xD6\xD0\xCE\xC4", "Jade"}));
        QCOMPARE(onDisk.siteAddresses[1], std::string("new.example.net"));
        QCOMPARE(onDisk.sitePorts[1], std::string("4000"));
        QCOMPARE(onDisk.siteProfiles, (std::vector<std::string>{"zw.qvl", " "}));

        // The GBK-named site hands its profile to the main frame.
        dlg->show();
        ClickRow(*dlg, 0);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QVERIFY(dlg->accepted());
        QCOMPARE(dlg->chosenProfile(), std::string("zw.qvl"));
        QCOMPARE(dlg->siteNameField(), std::string("\xD6\xD0\xCE\xC4"));
    }

    void confirmNewSiteAppendsAndWritesProxy()
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

        QVERIFY(dlg->accepted());
        QCOMPARE(dlg->chosenProfile(), std::string(" "));
        QCOMPARE(dlg->ListBox1->count(), 3);
        QCOMPARE(dlg->ListBox1->item(2)->text(), QStringLiteral("新站"));
        QCOMPARE(dlg->siteNameField(), std::string("\xD0\xC2\xD5\xBE"));
        QCOMPARE(dlg->hostAddress(), std::string("127.0.0.1"));
        QCOMPARE(dlg->hostPort(), 7000);
        QVERIFY(dlg->useProxy());
        QCOMPARE(dlg->proxyHost(), std::string("proxy.lan"));
        QCOMPARE(dlg->proxyPort(), 1090);
        QVERIFY(dlg->proxyAuth());
        QCOMPARE(dlg->proxyUser(), std::string("\xD3\xC3\xBB\xA7"));
        const std::string gbkPassword = "pa\xA8\xA6ss";
        QCOMPARE(dlg->proxyPassword(), gbkPassword);

        const std::string raw = ReadBytes(IniPath());
        QVERIFY(
            raw.find("name=\xD0\xC2\xD5\xBE\r\naddress=127.0.0.1\r\nport=7000\r\nprofile= \r\n") !=
            std::string::npos);
        QVERIFY(raw.find(gbkPassword) == std::string::npos);
        sites::SiteList onDisk = sites::ReadSiteFile(dir);
        QCOMPARE(onDisk.size(), std::size_t(3));
        QCOMPARE(onDisk.siteNames[2], std::string("\xD0\xC2\xD5\xBE"));
        sites::ProxySettings expected{true, "proxy.lan",        "1090",
                                      true, "\xD3\xC3\xBB\xA7", gbkPassword};
        QVERIFY(onDisk.proxy == expected);
    }

    void deleteNeedsSelection()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        const std::string before = ReadBytes(IniPath());
        auto dlg = OpenDialog();
        dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        dlg->getName->setText(QStringLiteral("typed"));
        // Focus makes a row current without selecting it; that is no selection.
        dlg->ListBox1->setFocus(Qt::TabFocusReason);
        QCOMPARE(dlg->getName->text(), QStringLiteral("typed"));
        QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
        QCOMPARE(dlg->ListBox1->count(), 2);
        QCOMPARE(dlg->getName->text(), QStringLiteral("typed"));
        QCOMPARE(ReadBytes(IniPath()), before);

        ClickRow(*dlg, 0);
        dlg->Edit1->setText(QStringLiteral("saved.proxy"));
        QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
        QCOMPARE(dlg->ListBox1->count(), 1);
        QCOMPARE(dlg->ListBox1->item(0)->text(), QStringLiteral("Jade"));
        QVERIFY(dlg->getName->text().isEmpty());
        QVERIFY(dlg->getAddress->text().isEmpty());
        QVERIFY(dlg->getPort->text().isEmpty());
        sites::SiteList onDisk = sites::ReadSiteFile(dir);
        QCOMPARE(onDisk.siteNames, std::vector<std::string>{"Jade"});
        QCOMPARE(onDisk.siteProfiles, std::vector<std::string>{" "});
        QCOMPARE(onDisk.proxy.address, std::string("saved.proxy"));

        // The removed row leaves nothing selected: a second press keeps "Jade".
        QTest::mouseClick(dlg->BitBtn3, Qt::LeftButton);
        QCOMPARE(dlg->ListBox1->count(), 1);
        QCOMPARE(sites::ReadSiteFile(dir).size(), std::size_t(1));
        QVERIFY(shown.isEmpty());
    }

    void acceptedAfterConfirmAndCancel()
    {
        auto dlg = OpenDialog();
        QVERIFY(!dlg->accepted());
        dlg->getAddress->setText(QStringLiteral("host.one"));
        dlg->getPort->setText(QStringLiteral("23"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QVERIFY(dlg->accepted());
        QCOMPARE(dlg->result(), int(QDialog::Accepted));

        // Shown again: not yet accepted, and the fields kept what they held.
        dlg->show();
        QVERIFY(!dlg->accepted());
        QCOMPARE(dlg->getAddress->text(), QStringLiteral("host.one"));
        QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->accepted());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QCOMPARE(sites::ReadSiteFile(dir).size(), std::size_t(1));
    }

    void upperCaseIniIsReadAndWrittenBack()
    {
        WriteBytes(dir / "Quorvel.INI", TwoSitesIni("Proxy=0\r\n"));
        auto dlg = OpenDialog();
        QCOMPARE(dlg->ListBox1->count(), 2);
        dlg->getAddress->setText(QStringLiteral("third.org"));
        dlg->getPort->setText(QStringLiteral("23"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QVERIFY(dlg->accepted());
        QCOMPARE(QDir(tempDir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Quorvel.INI")});
        QCOMPARE(sites::ParseSiteFile(ReadBytes(dir / "Quorvel.INI")).siteNames,
                 (std::vector<std::string>{"\xD6\xD0\xCE\xC4", "Jade", "third.org"}));
    }

    void writesGoWhereProgramDirSays()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        const std::string before = ReadBytes(IniPath());
        auto dlg = OpenDialog();
        QTemporaryDir other;
        dlg->SetProgramDir(fs::path(other.path().toStdString()));
        dlg->getAddress->setText(QStringLiteral("x.org"));
        dlg->getPort->setText(QStringLiteral("23"));
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(ReadBytes(IniPath()), before);
        QCOMPARE(sites::ReadSiteFile(fs::path(other.path().toStdString())).size(), std::size_t(3));
    }

    void unwritableIniIsReportedAndDialogGoesOn()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        auto dlg = OpenDialog();
        dlg->SetProgramDir(dir / "no such folder");
        ClickRow(*dlg, 0);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(ShownTexts(), QStringList{kCannotSave});
        QCOMPARE(shown.front().icon, platform::MessageIcon::Error);
        QVERIFY(dlg->accepted());
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->chosenProfile(), std::string("zw.qvl"));
    }

    void updateProfileForMatchesExactName()
    {
        WriteBytes(IniPath(), TwoSitesIni("Proxy=0\r\n"));
        const std::string before = ReadBytes(IniPath());
        auto dlg = OpenDialog();
        QVERIFY(!dlg->UpdateProfileFor("jade", "j.qvl"));
        QCOMPARE(ReadBytes(IniPath()), before);
        QVERIFY(dlg->UpdateProfileFor("Jade", "j.qvl"));
        QCOMPARE(sites::ReadSiteFile(dir).siteProfiles,
                 (std::vector<std::string>{"zw.qvl", "j.qvl"}));
        ClickRow(*dlg, 1);
        QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        QCOMPARE(dlg->chosenProfile(), std::string("j.qvl"));
    }
};

QTEST_MAIN(BookmarkUiTest)
#include "SiteDialogUiTest.moc"
