// A game window's profile on real files: saved and loaded back, refused files
// that leave the window as it was, the save that never truncates the old file,
// and the profile a window is made with.
#include "core/automation/Triggers.h"
#include "core/session/ProfileFile.h"
#include "core/session/SessionCodes.h"
#include "render/GbkCodec.h"
#include "support/HookedFrame.h"
#include "support/MessageLog.h"
#include "support/QtPrinters.h"
#include "support/QtWait.h"
#include "support/TableRows.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/GameWindow.h"

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using testsupport::WaitFor;

using namespace session;

namespace {

struct NoticeLog : FrameNoticeSink
{
    std::vector<int> codes;
    void FrameNotice(int, int code) override { codes.push_back(code); }
};

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

std::string Bytes(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// Everything a window keeps, for comparing windows: its profile as the
// (golden-tested) writer puts it, the armed marks and the triggers' switch.
struct Snapshot
{
    std::string profile;
    std::vector<std::string> armed;
    bool enabled;

    explicit Snapshot(TMDIChild &w)
        : profile(WriteProfile(w.TakeProfile()))
        , armed(w.triggerEngine()->Snapshot().triggerArmed)
        , enabled(w.triggerEngine()->triggersEnabled)
    {}
    bool operator==(const Snapshot &) const = default;
};

// Gives a window something in every collection.
void Fill(TMDIChild &w)
{
    automation::TriggerTable table;
    table.AddRow(std::string(automation::kTriggerOn), "(*)hits you", "say ouch\r\nflee", "FIGHT");
    table.AddRow(" ", "\xCC\xEC\xC1\xC1\xC1\xCB", "get all", "");
    table.AddRow(" ", " ", " ", " ");
    w.triggerEngine()->Replace(table);
    w.SetHotkeys({{"Alt+1", "F5"}, {"kill rat", "hp;score"}});
    w.groups().Replace({"heal"}, {"eat\r\ndrink"});
    w.SetPaths({{"home"}, {"e\r\nn\r\nu"}});
    DirectionPairs pairs = DirectionPairs::Seeded();
    pairs.forwardDirections.push_back("enter");
    pairs.reverseDirections.push_back("out");
    w.SetDirections(pairs);
    screen::ScreenLook look = w.look();
    look.bgPalette[0] = screen::Rgb(0, 0, 64);
    look.fgPalette[9] = screen::Rgb(1, 2, 3);
    look.fontName = "DejaVu Sans Mono";
    look.fontSize = 16;
    w.SetLook(look);
}

} // namespace

class ProfileFiles : public ::testing::Test
{
protected:
    std::unique_ptr<QTemporaryDir> dir;
    testsupport::MessageLog messages;

    QString Path(const QString &name) const { return dir->filePath(name); }

    void SetUp() override
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        messages.clear();
    }

    void TearDown() override { dir.reset(); }
};
;

TEST_F(ProfileFiles, SavedProfileLoadsBackWhole)
{
    NoticeLog frame;
    TMDIChild a(nullptr, "", nullptr);
    a.BindToFrame({nullptr, 0, &frame, "", ""});
    Fill(a);
    const std::string path = Bytes(Path("a.qvl"));
    ASSERT_TRUE(a.SaveProfile(path));
    ASSERT_EQ(a.profilePath(), path);
    ASSERT_TRUE(frame.codes.empty()); // no site, no notice 5

    TMDIChild b(nullptr, "", nullptr);
    b.BindToFrame({nullptr, 0, &frame, "", "site"});
    ASSERT_TRUE(b.LoadProfile(path));
    ASSERT_TRUE(messages.empty());
    ASSERT_TRUE(Snapshot(a) == Snapshot(b));
    ASSERT_EQ(frame.codes, std::vector<int>{kProfileSavedOrLoaded});
    ASSERT_TRUE(b.SaveProfile(Bytes(Path("b.qvl"))));
    ASSERT_EQ(ReadAll(Path("b.qvl")), ReadAll(Path("a.qvl")));
}

// Refused files, some of them refused only at their last line, after
// everything else they hold would have replaced what the window has.
TEST_F(ProfileFiles, RefusedFilesLeaveTheWindowAsItWas)
{
    Profile other;
    other.font = Profile::Font{"Mono", 20};
    other.triggers.AddRow(" ", "other", "say other", "G");
    other.hotkeys = HotkeyLists{{"F1"}, {"score"}};
    other.groups.groupNames = {"g"};
    other.groups.groupContents = {"hp"};
    other.directions.forwardDirections = {"n"};
    other.directions.reverseDirections = {"s"};
    const std::string whole = WriteProfile(other); // 31 lines
    Profile many = other;
    for (int i = 0; i < 1000; ++i)
        many.triggers.AddRow(" ", "(*)pattern " + std::to_string(i), "kill", "");
    const std::string manyBytes = WriteProfile(many);
    // Cut inside the pattern "(*)pattern 500", the 502nd trigger: line 8 + 6 * 501 + 1.
    const QByteArray cut = QByteArray::fromStdString(
        manyBytes.substr(0, manyBytes.find("\r\n(*)pattern 500\r\n") + 12));
    struct Row
    {
        const char *label;
        QByteArray bytes;
        QString message;
        bool enabled;
    };
    const Row rows[] = {
        {"bad colour, triggers on",
         QByteArray("QVl\x03\r\nFont\x03\r\nMono,20\r\nover\x03\r\nColor\x03\r\n255\r\nblue\r\n"),
         QStringLiteral("设置文件第7行“blue”不是十进制整数，无法读取！窗口的设置没有改变。"), true},
        {"bad font size, triggers off", QByteArray("QVl\x03\r\nFont\x03\r\nMono,large\r\n"),
         QStringLiteral("设置文件第3行“Mono,large”不是十进制整数，无法读取！窗口的设置没有改变。"),
         false},
        {"a font line of 1 MB", QByteArray("QVl\x03\r\nFont\x03\r\n") + QByteArray(1 << 20, 'M'),
         QStringLiteral("设置文件第3行“") + QString(80, QLatin1Char('M')) +
             QStringLiteral("…”不是十进制整数，无法读取！窗口的设置没有改变。"),
         true},
        {"garbage after the header",
         QByteArray("QVl\x03\r\n\x7F\x01zz \xC0\xAC\xBB\xF8\x02\r\n") +
             QByteArray::fromStdString(whole).mid(6),
         QStringLiteral("设置文件第2行“zz 垃圾”不属于任何一段，无法读取！窗口的设置没有改变。"),
         true},
        {"a whole file, then a stray line", QByteArray::fromStdString(whole) + "junk\r\n",
         QStringLiteral("设置文件第32行“junk”不属于任何一段，无法读取！窗口的设置没有改变。"),
         false},
        {"sections out of order", QByteArray::fromStdString(whole) + "Machine\x03\r\n",
         QStringLiteral(
             "设置文件第32行“Machine”这一段的次序不对或重复了，无法读取！窗口的设置没有改变。"),
         true},
        {"a file cut off half way", cut,
         QStringLiteral("设置文件在第3015行“(*)pattern”之后就结束了，Machine段的一条记录没有写完，"
                        "无法读取！窗口的设置没有改变。"),
         true},
        {"header with a trailing space",
         QByteArray("QVl\x03 \r\n") + QByteArray::fromStdString(whole),
         QStringLiteral("不是Quorvel配置文件！无法读取."), true},
        {"empty file", QByteArray(), QStringLiteral("不是QUORVEL配置文件！无法读取."), false},
    };
    for (const Row &row : rows) {
        FRESH_FIXTURE_FOR_ROW(row, rows);
        const auto &[label, bytes, message, enabled] = row;
        NoticeLog frame;
        TMDIChild w(nullptr, "", nullptr);
        w.BindToFrame({nullptr, 0, &frame, "", "site"});
        Fill(w);
        if (!enabled)
            QTest::mouseClick(w.findChild<QToolButton *>(QStringLiteral("SpeedButton2")),
                              Qt::LeftButton);
        ASSERT_EQ(bool(w.triggerEngine()->triggersEnabled), enabled);
        const Snapshot before(w);
        WriteAll(Path("bad.qvl"), bytes);
        ASSERT_TRUE(!w.LoadProfile(Bytes(Path("bad.qvl"))));
        ASSERT_EQ(messages.Texts(), QStringList{message});
        ASSERT_TRUE(Snapshot(w) == before);
        ASSERT_EQ(w.profilePath(), std::string());
        ASSERT_TRUE(frame.codes.empty());
    }
}

TEST_F(ProfileFiles, MissingFileOrFolder)
{
    TMDIChild w(nullptr, "", nullptr);
    ASSERT_TRUE(!w.LoadProfile(Bytes(Path("none.qvl"))));
    ASSERT_TRUE(!w.SaveProfile(Bytes(Path("no/such/folder/x.qvl"))));
    ASSERT_EQ(messages.Texts(),
              (QStringList{QStringLiteral("无法读取设置文件，请检查路径和文件名是否正确！"),
                           QStringLiteral("无法保存设置文件，请检查路径和写护！")}));
    ASSERT_EQ(w.profilePath(), std::string());
}

TEST_F(ProfileFiles, SaveReplacesTheFileInsteadOfWritingIntoIt)
{
    const QString path = Path("p.qvl");
    WriteAll(path, "QVl\x03\r\nold\r\n");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(Path("kept.qvl")).constData()),
              0);
    TMDIChild w(nullptr, "", nullptr);
    ASSERT_TRUE(w.SaveProfile(Bytes(path)));
    ASSERT_TRUE(ReadAll(path).startsWith("QVl\x03\r\nFont\x03\r\n"));
    ASSERT_EQ(ReadAll(Path("kept.qvl")), QByteArray("QVl\x03\r\nold\r\n"));
}

TEST_F(ProfileFiles, WindowMadeWithAProfile)
{
    {
        TMDIChild a(nullptr, "", nullptr);
        Fill(a);
        ASSERT_TRUE(a.SaveProfile(Bytes(Path("s.qvl"))));
    }
    TMDIChild loaded(nullptr, Bytes(Path("s.qvl")), nullptr);
    ASSERT_EQ(loaded.paths().pathNames, std::vector<std::string>{"home"});
    ASSERT_EQ(loaded.look().bgPalette[0], screen::Rgb(0, 0, 64));
    ASSERT_EQ(loaded.triggerEngine()->Snapshot().size(), std::size_t(3));

    TMDIChild blank(nullptr, "   ", nullptr);
    ASSERT_EQ(blank.directions().forwardDirections.size(), std::size_t(17));
    ASSERT_EQ(blank.profilePath(), std::string("   "));
    ASSERT_TRUE(messages.empty());

    WriteAll(Path("bad.qvl"), "not a profile\r\n");
    TMDIChild bad(nullptr, Bytes(Path("bad.qvl")), nullptr);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("不是Quorvel配置文件！无法读取.")});
    ASSERT_EQ(bad.directions().forwardDirections.size(), std::size_t(17));
    ASSERT_EQ(bad.look().bgPalette, screen::ScreenLook{}.bgPalette);
    ASSERT_TRUE(bool(bad.triggerEngine()->triggersEnabled));
}

TEST_F(ProfileFiles, NewWindowRoundTrip)
{
    TMDIChild a(nullptr, "", nullptr);
    ASSERT_TRUE(a.SaveProfile(Bytes(Path("new.qvl"))));
    TMDIChild b(nullptr, "", nullptr);
    Fill(b);
    ASSERT_TRUE(b.LoadProfile(Bytes(Path("new.qvl"))));
    const automation::TriggerTable table = b.triggerEngine()->Snapshot();
    ASSERT_EQ(table.triggerPatterns, std::vector<std::string>{" "});
    ASSERT_EQ(table.triggerArmed, std::vector<std::string>{"0"});
    ASSERT_TRUE(b.paths().pathNames.empty());
    ASSERT_TRUE(b.groups().Snapshot().groupNames.empty());
    ASSERT_TRUE(b.hotkeys().hotkeyNames.empty()); // the file has a hotkey section
    ASSERT_EQ(b.look().bgPalette[0], screen::Rgb(0, 0, 0));
}

TEST_F(ProfileFiles, HubCodesAskInTheSettingsFolder)
{
    testsupport::HookedFrame dialogs;
    std::vector<std::pair<QString, bool>> asked;
    QString answer = Path("hub.qvl");
    dialogs.profileFileDialog = [&](QWidget *, const QString &start, bool saving) {
        asked.emplace_back(start, saving);
        return answer;
    };
    TMDIChild w(nullptr, "", &dialogs);
    w.BindToFrame({nullptr, 0, nullptr, Bytes(dir->path() + "/"), ""});
    w.SessionCommand(kSaveProfile);
    ASSERT_TRUE(QFile::exists(answer));
    w.SetPaths({{"x"}, {"y"}});
    w.SessionCommand(kLoadProfile);
    ASSERT_TRUE(w.paths().pathNames.empty());
    answer.clear(); // cancelled
    w.SetPaths({{"x"}, {"y"}});
    w.SessionCommand(kLoadProfile);
    ASSERT_EQ(w.paths().pathNames, std::vector<std::string>{"x"});
    ASSERT_EQ(asked.size(), std::size_t(3));
    ASSERT_EQ(asked[0], std::make_pair(dir->path() + "/", true));
    ASSERT_EQ(asked[1].second, false);
    ASSERT_TRUE(messages.empty());
}
