#include "core/sites/SiteFile.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

using namespace sites;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path GoldenPath()
{
    const char *data = std::getenv("QUORVEL_TEST_DATA");
    return fs::path(data ? data : "tests/data") / "sites" / "Quorvel.ini";
}

// A fresh folder per test, removed afterwards.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "quorvel-sites-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path path;
};

// "北京站", "北京", "玩家 ", "p@ss 密码" in GBK.
const std::string kBeijingStation = "\xB1\xB1\xBE\xA9\xD5\xBE";
const std::string kPlayer = "\xCD\xE6\xBC\xD2 ";
const std::string kPassword = "p@ss \xC3\xDC\xC2\xEB";

} // namespace

TEST(SiteFile, GoldenFileReadsAndWritesBackByteForByte)
{
    const std::string golden = ReadBytes(GoldenPath());
    ASSERT_FALSE(golden.empty()) << GoldenPath();

    ProxyEnabling enabling;
    SiteList list = ParseSiteFile(golden, &enabling);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.siteNames, (std::vector<std::string>{kBeijingStation, "localhost", ""}));
    EXPECT_EQ(list.siteAddresses,
              (std::vector<std::string>{"mud.example.org", "127.0.0.1", "10.1.2.3"}));
    EXPECT_EQ(list.sitePorts, (std::vector<std::string>{"4000", "23", "5555"}));
    EXPECT_EQ(list.siteProfiles,
              (std::vector<std::string>{"profiles/\xB1\xB1\xBE\xA9.qvl", " ", ""}));
    EXPECT_TRUE(list.proxy.useProxy);
    EXPECT_EQ(list.proxy.address, " socks.example.net "); // values are not trimmed
    EXPECT_EQ(list.proxy.port, "1081");
    EXPECT_TRUE(list.proxy.auth);
    EXPECT_EQ(list.proxy.user, kPlayer);
    EXPECT_EQ(list.proxy.password, kPassword);
    EXPECT_EQ(enabling, (ProxyEnabling{true, true}));

    EXPECT_EQ(FormatSiteFile(list), golden);

    TempFolder folder;
    ASSERT_TRUE(WriteSiteFile(folder.path, list));
    EXPECT_EQ(ReadBytes(folder.path / "Quorvel.ini"), golden);
    EXPECT_EQ(ReadSiteFile(folder.path), list);
    // The file was replaced through a sibling; nothing else is left behind.
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Quorvel.ini"}));
}

TEST(SiteFile, EmptyListWritesOnlyTheSectionsAndDefaults)
{
    EXPECT_EQ(FormatSiteFile(SiteList{}), "[Mud-List]\r\n[Proxy]\r\nProxy=0\r\nProxyAddress=\r\n"
                                          "ProxyPort=1080\r\nProxyAuth=0\r\nProxyUser=\r\n"
                                          "ProxyPass=\r\n");
}

TEST(SiteFile, ReaderFollowsKeysNotSections)
{
    SiteList list = ParseSiteFile("address=orphan\r\n"
                                  "port=1\r\n"
                                  "Proxy=1\r\n" // before any section: still read
                                  "[Mud-List]\r\n"
                                  "name= spaced \r\n"
                                  "profile=a.qvl\r\n"
                                  "Name=ignored\r\n"
                                  "name=second\n"
                                  "address=host\r"
                                  "port=23\r\n"
                                  "[Proxy]\r\n"
                                  "proxy=0\r\n"
                                  "ProxyAddress=p=q\r\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.siteNames, (std::vector<std::string>{" spaced ", "second"}));
    // A site's missing fields hold one space, like a site without a profile.
    EXPECT_EQ(list.siteAddresses, (std::vector<std::string>{" ", "host"}));
    EXPECT_EQ(list.sitePorts, (std::vector<std::string>{" ", "23"}));
    EXPECT_EQ(list.siteProfiles, (std::vector<std::string>{"a.qvl", " "}));
    EXPECT_TRUE(list.proxy.useProxy); // "proxy=0" is another key
    EXPECT_EQ(list.proxy.address, "p=q");
}

TEST(SiteFile, TlsLineIsReadInsideItsSiteAndWrittenAfterTheProfileOnlyWhenOn)
{
    // "tls=" anywhere in a site's block belongs to that site; before any site
    // it belongs to none; "0" or a non-number is off.
    SiteList list = ParseSiteFile("tls=1\r\n"
                                  "[Mud-List]\r\n"
                                  "name=a\r\n"
                                  "tls=1\r\n"
                                  "address=ha\r\n"
                                  "port=1\r\n"
                                  "profile= \r\n"
                                  "name=b\r\n"
                                  "tls=yes\r\n"
                                  "name=c\r\n"
                                  "profile=c.qvl\r\n"
                                  "tls=0\r\n"
                                  "tls=2\r\n");
    EXPECT_EQ(list.siteTls, (std::vector<bool>{true, false, true}));

    list.Delete(1);
    EXPECT_EQ(list.siteTls, (std::vector<bool>{true, true}));
    list.siteTls[1] = false;
    list.Append("d", "hd", "4", " ");
    const std::string text = FormatSiteFile(list);
    EXPECT_EQ(text.substr(0, text.find("[Proxy]")),
              "[Mud-List]\r\nname=a\r\naddress=ha\r\nport=1\r\nprofile= \r\ntls=1\r\n \r\n"
              "name=c\r\naddress= \r\nport= \r\nprofile=c.qvl\r\n \r\n"
              "name=d\r\naddress=hd\r\nport=4\r\nprofile= \r\n \r\n");
    EXPECT_EQ(ParseSiteFile(text), list);
}

TEST(SiteFile, SiteOptionsAreLinesOfTheirOwnOnlyWhenNotTheDefault)
{
    using session::Encoding;
    SiteList list;
    list.Append("a", "h", "1", " ");
    list.Append("b", "h", "2", "b.qvl", {Encoding::kUtf8, true});
    list.Append("c", "h", "3", " ", {Encoding::kAuto, false});
    list.Append("d", "h", "4", " ", {Encoding::kBig5, false});
    const std::string text = FormatSiteFile(list);
    EXPECT_EQ(text.substr(0, text.find("[Proxy]")),
              "[Mud-List]\r\n"
              "name=a\r\naddress=h\r\nport=1\r\nprofile= \r\n \r\n"
              "name=b\r\naddress=h\r\nport=2\r\nprofile=b.qvl\r\nencoding=UTF-8\r\n \r\n"
              "name=c\r\naddress=h\r\nport=3\r\nprofile= \r\ntelnet=0\r\n \r\n"
              "name=d\r\naddress=h\r\nport=4\r\nprofile= \r\nencoding=Big5\r\ntelnet=0\r\n \r\n");
    EXPECT_EQ(ParseSiteFile(text), list);

    // Anywhere in the block, any letter case of a known name; an unknown name
    // or a line before any site changes nothing.
    const SiteList read = ParseSiteFile("encoding=UTF-8\r\ntelnet=0\r\n"
                                        "name=x\r\ntelnet=0\r\nencoding=gb18030\r\naddress=h\r\n"
                                        "name=y\r\nencoding=KOI8-R\r\ntelnet=1\r\n");
    EXPECT_EQ(read.siteOptions,
              (std::vector<SiteOptions>{{Encoding::kGb18030, false}, {Encoding::kAuto, true}}));

    // Confirm keeps a site's options unless it is given new ones; Delete keeps
    // the lists aligned.
    list.Confirm("b", "h2", "2");
    EXPECT_EQ(list.siteOptions[1], (SiteOptions{Encoding::kUtf8, true}));
    list.Confirm("b", "h2", "2", SiteOptions{Encoding::kGbk, false});
    EXPECT_EQ(list.siteOptions[1], (SiteOptions{Encoding::kGbk, false}));
    ASSERT_TRUE(list.Delete(0));
    EXPECT_EQ(list.siteOptions.size(), list.size());
    EXPECT_EQ(list.siteOptions[0], (SiteOptions{Encoding::kGbk, false}));
}

TEST(SiteFile, CheckBoxesAndProxyPortConvertTheirValues)
{
    struct Row
    {
        const char *proxy, *port;
        bool useProxy;
        const char *shownPort;
    };
    const Row rows[] = {
        {"1", "1080", true, "1080"},
        {"0", "8080", false, "8080"},
        {"2", "007", true, "7"},
        {"-1", "+99", true, "99"},
        {"abc", "abc", false, "1080"},
        {"", "", false, "1080"},
        {" 1", " 1081", false, "1080"},
        {"1", "0", true, "0"},
        {"1", "99999999999", true, "1080"},
    };
    for (const Row &row : rows) {
        SiteList list =
            ParseSiteFile(std::string("Proxy=") + row.proxy + "\r\nProxyAuth=" + row.proxy +
                          "\r\nProxyPort=" + row.port + "\r\n");
        EXPECT_EQ(list.proxy.useProxy, row.useProxy) << row.proxy;
        EXPECT_EQ(list.proxy.auth, row.useProxy) << row.proxy;
        EXPECT_EQ(list.proxy.port, row.shownPort) << row.port;
    }
}

TEST(SiteFile, CheckBoxRulesApplyInFileOrder)
{
    ProxyEnabling e;
    ParseSiteFile("Proxy=1\r\nProxyAuth=0\r\n", &e);
    EXPECT_EQ(e, (ProxyEnabling{true, false}));

    e = {};
    ParseSiteFile("Proxy=0\r\nProxyAuth=1\r\n", &e);
    EXPECT_EQ(e, (ProxyEnabling{false, true})); // the authentication box enables its own fields

    e = {};
    ParseSiteFile("ProxyAuth=1\r\nProxy=1\r\n", &e);
    EXPECT_EQ(e, (ProxyEnabling{true, true}));

    e = {};
    ParseSiteFile("ProxyAuth=1\r\nProxy=0\r\n", &e);
    EXPECT_EQ(e, (ProxyEnabling{false, false}));

    e = {};
    ParseSiteFile("", &e);
    EXPECT_EQ(e, (ProxyEnabling{false, false}));
}

TEST(PasswordScrambling, EveryByteSurvivesAndNeverBreaksTheLine)
{
    for (int b = 0; b < 256; ++b) {
        const std::string plain(1, static_cast<char>(b));
        const std::string stored = ScramblePassword(plain);
        ASSERT_EQ(stored.size(), 2u) << b;
        for (char c : stored) {
            EXPECT_NE(c, '\0') << b;
            EXPECT_NE(c, '\r') << b;
            EXPECT_NE(c, '\n') << b;
        }
        EXPECT_EQ(UnscramblePassword(stored), plain) << b;
    }
}

TEST(PasswordScrambling, KnownBytesAndOddLengths)
{
    EXPECT_EQ(ScramblePassword("A"), "\xFF\xBE"); // 0x41: ~0x00, ~0x41
    EXPECT_EQ(ScramblePassword("\xFF"), "\x55\xAA");
    EXPECT_EQ(ScramblePassword(""), "");
    // Pairs add with 8-bit wrap: ~0 + ~0 = 0x1FE.
    EXPECT_EQ(UnscramblePassword(std::string("\x00\x00", 2)), "\xFE");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("ab") + "\x01"), "ab");
    EXPECT_EQ(UnscramblePassword("\x01"), "");

    SiteList list;
    list.proxy.password = kPassword;
    EXPECT_EQ(ParseSiteFile(FormatSiteFile(list)).proxy.password, kPassword);
}

TEST(SiteFilePath, FindsTheFileInAnyLetterCase)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    EXPECT_EQ(SiteFilePath(folder.path), folder.path / "Quorvel.ini");
    EXPECT_EQ(ReadSiteFile(folder.path), SiteList{});

    fs::create_directory(folder.path / "quorvel.ini"); // not a file: passed over
    WriteBytes(folder.path / "Quorvel.INI", "name=upper\r\n");
    EXPECT_EQ(SiteFilePath(folder.path), folder.path / "Quorvel.INI");
    EXPECT_EQ(ReadSiteFile(folder.path).siteNames, (std::vector<std::string>{"upper"}));

    // Writing goes to the file that exists rather than creating a second one.
    SiteList list;
    list.Append("saved", "h", "1", " ");
    ASSERT_TRUE(WriteSiteFile(folder.path, list));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"Quorvel.INI", "quorvel.ini"}));
    EXPECT_EQ(ReadSiteFile(folder.path).siteNames, (std::vector<std::string>{"saved"}));

    WriteBytes(folder.path / "Quorvel.ini", "name=exact\r\n");
    EXPECT_EQ(SiteFilePath(folder.path), folder.path / "Quorvel.ini");
    EXPECT_EQ(ReadSiteFile(folder.path).siteNames, (std::vector<std::string>{"exact"}));
}

TEST(SiteFilePath, UnwritableFolderReportsFailure)
{
    TempFolder folder;
    SiteList list;
    list.Append("a", "b", "1", " ");
    EXPECT_FALSE(WriteSiteFile(folder.path / "missing", list));
    EXPECT_EQ(ReadSiteFile(folder.path / "missing"), SiteList{});
}

TEST(SiteList, ConfirmUpdatesByTrimmedNameOrAppends)
{
    SiteList list;
    list.Append("mud", "old.host", "23", "mud.qvl");
    list.Append("mud", "dup.host", "24", " ");

    EXPECT_EQ(list.Confirm("  mud\t", " new.host ", " 4000 "), 0);
    EXPECT_EQ(list.siteAddresses[0], "new.host");
    EXPECT_EQ(list.sitePorts[0], "4000");
    EXPECT_EQ(list.siteProfiles[0], "mud.qvl");
    EXPECT_EQ(list.siteAddresses[1], "dup.host");

    EXPECT_EQ(list.Confirm(" other ", "o.host", "5"), 2);
    EXPECT_EQ(list.siteNames.back(), "other");
    EXPECT_EQ(list.siteProfiles.back(), " ");

    EXPECT_EQ(list.Confirm("", "anon", "6"), 3); // an empty name is a name too
    EXPECT_EQ(list.Confirm("  ", "anon2", "7"), 3);
    EXPECT_EQ(list.siteAddresses[3], "anon2");
    EXPECT_EQ(list.size(), 4u);
}

TEST(SiteList, DeleteKeepsTheListsAligned)
{
    SiteList list;
    list.Append("a", "ha", "1", "pa");
    list.Append("b", "hb", "2", "pb");
    list.Append("c", "hc", "3", "pc");
    EXPECT_FALSE(list.Delete(-1));
    EXPECT_FALSE(list.Delete(3));
    EXPECT_TRUE(list.Delete(1));
    EXPECT_EQ(list.siteNames, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list.siteAddresses, (std::vector<std::string>{"ha", "hc"}));
    EXPECT_EQ(list.sitePorts, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(list.siteProfiles, (std::vector<std::string>{"pa", "pc"}));
}

TEST(SiteList, SetProfileMatchesTheFirstExactName)
{
    SiteList list;
    list.Append("mud", "h", "1", " ");
    list.Append("mud", "h2", "2", " ");
    EXPECT_EQ(list.SetProfile("mud ", "x.qvl"), -1);
    EXPECT_EQ(list.SetProfile("mud", "x.qvl"), 0);
    EXPECT_EQ(list.siteProfiles, (std::vector<std::string>{"x.qvl", " "}));
}

TEST(SiteDialogRules, PortsMustBeWholeNumbersInRange)
{
    struct Row
    {
        const char *text;
        std::optional<int> port;
    };
    const Row rows[] = {{"23", 23},
                        {"1", 1},
                        {"65535", 65535},
                        {"+80", 80},
                        {"0", std::nullopt},
                        {"65536", std::nullopt},
                        {"-23", std::nullopt},
                        {"", std::nullopt},
                        {" 23", std::nullopt},
                        {"23a", std::nullopt},
                        {"abc", std::nullopt}};
    for (const Row &row : rows)
        EXPECT_EQ(ParsePort(row.text), row.port) << row.text;
}

TEST(SiteDialogRules, ConfirmChecksPortsThenNameAndAddressThenLineBreaks)
{
    const ProxySettings proxy; // off, with the default port
    ProxySettings badProxyPort;
    badProxyPort.port = "0";
    ProxySettings brokenUser;
    brokenUser.user = "a\nProxy=1";
    struct Row
    {
        const char *name, *address, *port;
        const ProxySettings &proxy;
        SiteFieldsFault fault;
    };
    const Row rows[] = {
        {"home", "127.0.0.1", " 4000 ", proxy, SiteFieldsFault::None},
        {"home", "127.0.0.1", "0", proxy, SiteFieldsFault::BadPort},
        // The proxy port counts with the proxy off, and before a blank name.
        {"", "127.0.0.1", "4000", badProxyPort, SiteFieldsFault::BadPort},
        {" ", "127.0.0.1", "4000", proxy, SiteFieldsFault::MissingNameOrAddress},
        {"home", "\t", "4000", proxy, SiteFieldsFault::MissingNameOrAddress},
        {"ho\rme", "127.0.0.1", "4000", proxy, SiteFieldsFault::LineBreak},
        {"home", "127.0.0.1", "4000", brokenUser, SiteFieldsFault::LineBreak},
    };
    for (const Row &row : rows)
        EXPECT_EQ(CheckSiteFields(row.name, row.address, row.port, row.proxy), row.fault)
            << row.name << "|" << row.address << "|" << row.port;
}

TEST(SiteDialogRules, NameFollowsTheAddressWhileItIsABeginningOfIt)
{
    struct Row
    {
        const char *name, *address, *result;
    };
    const Row rows[] = {
        {"", "m", "m"},
        {"m", "mu", "mu"},
        {"mud.example", "mud.exampl", "mud.exampl"}, // backspacing the address
        {"my mud", "mud.org", "my mud"},
        {"mud", "", ""},
        {"\xB1\xB1", "\xB1\xB1\xBE\xA9", "\xB1\xB1\xBE\xA9"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(NameAfterAddressChange(row.name, row.address), row.result) << row.name;

    // Typing an address letter by letter into an empty name field, then renaming.
    std::string name;
    std::string address;
    for (char c : std::string("mud.cn")) {
        address += c;
        name = NameAfterAddressChange(name, address);
    }
    EXPECT_EQ(name, "mud.cn");
    name = "home";
    EXPECT_EQ(NameAfterAddressChange(name, "mud.cn:1"), "home");
}

TEST(SiteDialogRules, SelectingAShortNamedSiteThenConfirmingAddsALongerOne)
{
    SiteList list;
    list.Append("mud", "mud.example.org", "23", "m.qvl");
    // The list click shows the name first, then the address, whose change
    // handler sees the name as a beginning of it.
    std::string name = list.siteNames[0];
    name = NameAfterAddressChange(name, list.siteAddresses[0]);
    EXPECT_EQ(name, "mud.example.org");
    EXPECT_EQ(list.Confirm(name, list.siteAddresses[0], list.sitePorts[0]), 1);
    EXPECT_EQ(list.siteProfiles[1], " ");
}

TEST(SiteDialogRules, PortKeyFilterSwallowsOnlyPrintableNonDigits)
{
    for (char32_t c = U'0'; c <= U'9'; ++c)
        EXPECT_TRUE(PortKeyPasses(c));
    for (char32_t c : {U'\b', U'\r', U'\x1B', U' ', U'\x7F', U'\u4E2D'})
        EXPECT_TRUE(PortKeyPasses(c)) << static_cast<unsigned>(c);
    for (char32_t c : {U'!', U'/', U':', U'a', U'Z', U'-', U'~'})
        EXPECT_FALSE(PortKeyPasses(c)) << static_cast<unsigned>(c);
}

TEST(SiteFile, LineBreakInAnyValueIsRefusedAndNothingWritten)
{
    TempFolder folder;
    SiteList good;
    good.Append("Jade", "jade.example", "4000", " ");
    ASSERT_TRUE(WriteSiteFile(folder.path, good));
    const std::string before = ReadBytes(SiteFilePath(folder.path));

    using Edit = void (*)(SiteList &);
    const Edit edits[] = {
        [](SiteList &l) { l.siteNames[0] = "My MUD\r\nProxy=1"; },
        [](SiteList &l) { l.siteAddresses[0] = "host\n"; },
        [](SiteList &l) { l.sitePorts[0] = "4000\r"; },
        [](SiteList &l) { l.siteProfiles[0] = "a\nb.qvl"; },
        [](SiteList &l) { l.proxy.address = "proxy\r\nProxyAddress=evil"; },
        [](SiteList &l) { l.proxy.port = "1080\n"; },
        [](SiteList &l) { l.proxy.user = "me\nProxyAddress=evil"; },
    };
    for (Edit edit : edits) {
        SiteList bad = good;
        edit(bad);
        EXPECT_TRUE(HasLineBreak(bad));
        EXPECT_FALSE(WriteSiteFile(folder.path, bad));
        EXPECT_EQ(ReadBytes(SiteFilePath(folder.path)), before);
    }
    EXPECT_FALSE(HasLineBreak(good));

    // A password is written scrambled, which never breaks the line: it may
    // hold any byte and still read back whole.
    good.proxy.password = "pw\r\nProxy=1";
    EXPECT_FALSE(HasLineBreak(good));
    ASSERT_TRUE(WriteSiteFile(folder.path, good));
    EXPECT_EQ(ReadSiteFile(folder.path), good);
}
