#include "core/session/ProfileFile.h"

#include "core/screen/FontFields.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace session;

namespace {

std::string Golden()
{
    const char *data = std::getenv("QUORVEL_TEST_DATA");
    const std::filesystem::path path =
        std::filesystem::path(data ? data : "tests/data") / "profiles" / "golden.qvl";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines joined as the writer ends them.
std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string out;
    for (std::string_view l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

Profile FromFile(std::string_view bytes)
{
    ProfileReadResult result = ReadProfile(bytes);
    EXPECT_FALSE(result.error.has_value());
    EXPECT_TRUE(result.profile.has_value());
    return result.profile ? *result.profile : Profile{};
}

// A window's profile: every part present, the palette and font of a fresh screen.
Profile WindowProfile()
{
    Profile p;
    PutLook(p, screen::ScreenLook{});
    p.hotkeys = HotkeyLists{};
    p.directions = DirectionPairs::Seeded();
    return p;
}

} // namespace

TEST(ProfileFile, GoldenFileReadsAndWritesBackByteForByte)
{
    const std::string golden = Golden();
    ASSERT_FALSE(golden.empty());
    const Profile p = FromFile(golden);
    ASSERT_TRUE(p.font.has_value());
    EXPECT_EQ(p.font->fontName, "\xCB\xCE\xCC\xE5"); // 宋体
    EXPECT_EQ(p.font->fontSize, 16);
    EXPECT_EQ(p.colours[16], screen::Rgb(0, 0, 48));
    EXPECT_EQ(p.colours[6], screen::Rgb(38, 179, 157));
    ASSERT_EQ(p.triggers.size(), 3u);
    EXPECT_EQ(p.triggers.triggerEnabled[1], " ");
    EXPECT_EQ(p.triggers.triggerCommands[0], "hp\r\nsay %1 \xC0\xDB\xC1\xCB");
    EXPECT_EQ(p.triggers.triggerGroups[2], "FIGHT");
    ASSERT_TRUE(p.hotkeys.has_value());
    EXPECT_EQ(p.hotkeys->hotkeyNames, (std::vector<std::string>{"Alt+1", "Ctrl+H"}));
    EXPECT_EQ(p.groups.groupContents, (std::vector<std::string>{"eat liang\r\ndrink jiudai"}));
    // A path whose last line is empty keeps it.
    EXPECT_EQ(p.paths.pathTexts, (std::vector<std::string>{"e\r\nn\r\n"}));
    EXPECT_EQ(p.directions.forwardDirections.size(), 18u);
    EXPECT_EQ(WriteProfile(p), golden);
}

TEST(ProfileFile, NewWindowWritesEmptySectionsAndTheSeededPairs)
{
    const std::string bytes = WriteProfile(WindowProfile());
    EXPECT_EQ(bytes.rfind(Lines({"QVl\x03", "Font\x03", "\xCB\xCE\xCC\xE5,14", "over\x03",
                                 "Color\x03", "14671839"}),
                          0),
              0u);
    EXPECT_NE(bytes.find(Lines({"over\x03", "Machine\x03", "FastKey\x03", "over\x03",
                                "CommandGroup\x03", "over\x03", "RoadSetting\x03", "over\x03",
                                "DirectSet\x03", "e", "w", "east", "west"})),
              std::string::npos);
    const Profile back = FromFile(bytes);
    EXPECT_EQ(back.triggers.size(), 0u);
    EXPECT_EQ(back.directions.forwardDirections, DirectionPairs::Seeded().forwardDirections);
    EXPECT_EQ(back.directions.reverseDirections, DirectionPairs::Seeded().reverseDirections);
}

// A multi-line text comes back in its normal form, and the normal form is stable.
TEST(ProfileFile, GatheredTextsTakeTheirNormalFormOnce)
{
    struct Row
    {
        std::string stored;
        std::string loaded;
    };
    const Row rows[] = {
        {"north\r\n\r\neast", "north\r\neast"},
        {"  north  \r\n  east  ", "north\r\n  east  "},
        {"\r\n\r\nnorth", "north"},
        {"north\r\n", "north\r\n"},
        {"north\r\n\r\n", "north\r\n"},
        {"   \r\nnorth\r\neast", "north\r\neast"},
        {"", ""},
        {"single  ", "single  "},
        {"a\nb\rc", "a\r\nb\r\nc"},
    };
    for (const Row &row : rows) {
        Profile p = WindowProfile();
        p.paths.pathNames = {"p"};
        p.paths.pathTexts = {row.stored};
        p.groups.groupNames = {"g"};
        p.groups.groupContents = {row.stored};
        p.hotkeys->hotkeyNames = {"F1"};
        p.hotkeys->hotkeyCommands = {row.stored};
        p.triggers.AddRow("\xA1\xCC", "pat", row.stored, "G");
        const Profile once = FromFile(WriteProfile(p));
        EXPECT_EQ(once.paths.pathTexts, std::vector<std::string>{row.loaded}) << row.stored;
        EXPECT_EQ(once.groups.groupContents, std::vector<std::string>{row.loaded});
        EXPECT_EQ(once.hotkeys->hotkeyCommands, std::vector<std::string>{row.loaded});
        ASSERT_EQ(once.triggers.size(), 1u);
        EXPECT_EQ(once.triggers.triggerCommands[0], row.loaded);
        const std::string written = WriteProfile(once);
        EXPECT_EQ(WriteProfile(FromFile(written)), written) << row.stored;
    }
}

TEST(ProfileFile, FilesThatAreNotProfilesAreRefused)
{
    struct Row
    {
        std::string bytes;
        ProfileFault fault;
    };
    const Row rows[] = {
        {"", ProfileFault::kEmpty},
        {"\r\n", ProfileFault::kNotAProfile},
        {"QVl\x03 \r\nDirectSet\x03\r\n", ProfileFault::kNotAProfile},
        {"QVL\x03\r\n", ProfileFault::kNotAProfile},
        {"QVl\r\n", ProfileFault::kNotAProfile},
        {"[Mud-List]\r\nname=x\r\n", ProfileFault::kNotAProfile},
    };
    for (const Row &row : rows) {
        const ProfileReadResult result = ReadProfile(row.bytes);
        ASSERT_TRUE(result.error.has_value()) << row.bytes;
        EXPECT_EQ(result.error->fault, row.fault) << row.bytes;
        EXPECT_FALSE(result.profile.has_value());
    }
    // The header alone, ended by LF or by nothing, is a profile.
    EXPECT_TRUE(ReadProfile("QVl\x03").profile.has_value());
    EXPECT_TRUE(ReadProfile("QVl\x03\n").profile.has_value());
}

TEST(ProfileFile, OnlyDirectSetKeepsHotkeysPaletteAndFontAndEmptiesTheRest)
{
    const Profile p = FromFile(Lines({"QVl\x03", "DirectSet\x03", "n", "s", "over\x03"}));
    EXPECT_FALSE(p.font.has_value());
    for (const auto &colour : p.colours)
        EXPECT_FALSE(colour.has_value());
    EXPECT_FALSE(p.hotkeys.has_value());
    EXPECT_EQ(p.triggers.size(), 0u);
    EXPECT_TRUE(p.groups.groupNames.empty());
    EXPECT_TRUE(p.paths.pathNames.empty());
    EXPECT_EQ(p.directions.forwardDirections, std::vector<std::string>{"n"});
    EXPECT_EQ(p.directions.reverseDirections, std::vector<std::string>{"s"});

    // Applied to a changed look, nothing of it moves.
    screen::ScreenLook look;
    look.fontName = "Mono";
    look.fontSize = 20;
    look.bgPalette[0] = screen::Rgb(1, 2, 3);
    const screen::ScreenLook after = LookAfter(p, look);
    EXPECT_EQ(after.fontName, "Mono");
    EXPECT_EQ(after.fontSize, 20);
    EXPECT_EQ(after.bgPalette, look.bgPalette);
    EXPECT_EQ(after.fgPalette, look.fgPalette);
}

TEST(ProfileFile, SectionRulesOfTheReader)
{
    // Font lines: the last one wins; without "," the whole line is the size.
    EXPECT_EQ(FromFile(Lines({"QVl\x03", "Font\x03", "A,12", "B,13", "over\x03"})).font->fontName,
              "B");
    const Profile noComma = FromFile(Lines({"QVl\x03", "Font\x03", "18", "over\x03"}));
    EXPECT_EQ(noComma.font->fontName, "");
    EXPECT_EQ(noComma.font->fontSize, 18);

    // More than 24 colours: the rest is ignored, even when it is not a number.
    std::vector<std::string> many{"QVl\x03", "Color\x03"};
    for (int i = 0; i < 24; ++i)
        many.push_back(std::to_string(i));
    many.push_back("99");
    many.push_back("junk");
    many.push_back("over\x03");
    std::string bytes;
    for (const auto &l : many)
        bytes += l + "\r\n";
    const Profile colours = FromFile(bytes);
    EXPECT_EQ(colours.colours[23], 23u);
    const screen::ScreenLook look = LookAfter(colours, screen::ScreenLook{});
    EXPECT_EQ(look.fgPalette[15], 15u);
    EXPECT_EQ(look.bgPalette[7], 23u);
    EXPECT_EQ(look.bgPalette[8], screen::ScreenLook{}.bgPalette[8]); // not stored
}

namespace {

std::string RepeatedLines(std::string_view line, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// 200,000 triggers of six lines each (mark, pattern, group, text start, one
// text line, text end) after 31 lines of header, font and palette.
std::string ManyTriggers()
{
    Profile p = WindowProfile();
    for (int i = 0; i < 200000; ++i)
        p.triggers.AddRow(" ", "(*)pattern " + std::to_string(i), "say hi", "G");
    return WriteProfile(p);
}

// The file cut inside the pattern of trigger 100,000 (0-based), line 32 + 6 * 100000 + 1.
std::string CutHalfWay(const std::string &whole)
{
    const std::string pattern = "\r\n(*)pattern 100000\r\n";
    const std::size_t at = whole.find(pattern);
    return at == std::string::npos ? std::string() : whole.substr(0, at + 2 + 10);
}

} // namespace

// A file whose body is not what the writer writes gives nothing back, only
// the line where reading stopped.
TEST(ProfileFile, MalformedBodiesAreRefusedWhereReadingStopped)
{
    struct Row
    {
        const char *label;
        std::string bytes;
        ProfileFault fault;
        std::size_t line;
        std::string text;
        std::string section = {};
        bool inRecord = false;
    };
    const std::string_view h = "QVl\x03";
    const std::string garbage("\x8F\x12z\0\xFF junk", 10);
    const std::string longLine(1 << 20, 'x');
    const std::string quoted = std::string(80, 'x') + "\xA1\xAD";
    const Row rows[] = {
        {"garbage after the header", Lines({h, garbage, "DirectSet\x03", "over\x03"}),
         ProfileFault::kStrayLine, 2, garbage},
        {"a line after an end line",
         Lines({h, "Font\x03", "A,12", "over\x03", "stray", "DirectSet\x03", "over\x03"}),
         ProfileFault::kStrayLine, 5, "stray"},
        {"a blank line between sections",
         Lines({h, "Font\x03", "over\x03", "", "Color\x03", "over\x03"}), ProfileFault::kStrayLine,
         4, ""},
        {"an unknown marker", Lines({h, "Unknown\x03", "DirectSet\x03", "n", "s", "over\x03"}),
         ProfileFault::kStrayLine, 2, "Unknown\x03"},
        {"an end line outside a section", Lines({h, "over\x03"}), ProfileFault::kStrayLine, 2,
         "over\x03"},
        {"an end line after the triggers", Lines({h, "Machine\x03", "over\x03", "FastKey\x03"}),
         ProfileFault::kStrayLine, 3, "over\x03"},
        {"a stray line is quoted short", Lines({h, longLine}), ProfileFault::kStrayLine, 2, quoted},
        {"sections out of order",
         Lines({h, "DirectSet\x03", "n", "s", "over\x03", "Machine\x03", "FastKey\x03"}),
         ProfileFault::kOutOfOrder, 6, "Machine\x03"},
        {"a section twice", Lines({h, "FastKey\x03", "over\x03", "FastKey\x03", "over\x03"}),
         ProfileFault::kOutOfOrder, 4, "FastKey\x03"},
        {"an earlier section after the triggers",
         Lines({h, "Machine\x03", "Font\x03", "A,1", "over\x03"}), ProfileFault::kOutOfOrder, 3,
         "Font\x03"},
        {"a trigger cut off by the next section",
         Lines({h, "Machine\x03", "\xA1\xCC", "pat", "G", "cmdstart\x08", "hp", "FastKey\x03",
                "over\x03"}),
         ProfileFault::kCutOff, 8, "FastKey\x03", "Machine", true},
        {"a section cut off by the next", Lines({h, "Font\x03", "A,12", "Color\x03", "over\x03"}),
         ProfileFault::kCutOff, 4, "Color\x03", "Font"},
        {"a hotkey without its text", Lines({h, "FastKey\x03", "F1", "over\x03"}),
         ProfileFault::kCutOff, 4, "over\x03", "FastKey", true},
        {"half a direction pair", Lines({h, "DirectSet\x03", "n", "s", "up", "over\x03"}),
         ProfileFault::kCutOff, 6, "over\x03", "DirectSet", true},
        {"a text without its start line",
         Lines({h, "Machine\x03", "\xA1\xCC", "pat", "G", "hp", "cmdover\x08", "FastKey\x03"}),
         ProfileFault::kNoTextStart, 6, "hp"},
        {"a trigger with a field missing",
         Lines({h, "Machine\x03", "pat", "G", "cmdstart\x08", "hp", "cmdover\x08", "FastKey\x03"}),
         ProfileFault::kNoTextStart, 6, "hp"},
        {"a text that never ends",
         Lines({h, "RoadSetting\x03", "p", "cmdstart\x08"}) + RepeatedLines("n;e;s;w", 200000),
         ProfileFault::kEndsEarly, 200004, "n;e;s;w", "RoadSetting", true},
        {"triggers that never end",
         Lines({h, "Machine\x03", " ", "p", "", "cmdstart\x08", "c", "cmdover\x08"}),
         ProfileFault::kEndsEarly, 8, "cmdover\x08", "Machine"},
        {"a section without its end line", Lines({h, "DirectSet\x03", "n", "s"}),
         ProfileFault::kEndsEarly, 4, "s", "DirectSet"},
        {"a section header alone, no line end", "QVl\x03\r\nFont\x03", ProfileFault::kEndsEarly, 2,
         "Font\x03", "Font"},
        {"200,000 triggers cut half way", CutHalfWay(ManyTriggers()), ProfileFault::kEndsEarly,
         600033, "(*)pattern", "Machine", true},
    };
    for (const Row &row : rows) {
        const ProfileReadResult result = ReadProfile(row.bytes);
        ASSERT_TRUE(result.error.has_value()) << row.label;
        EXPECT_FALSE(result.profile.has_value()) << row.label;
        EXPECT_EQ(result.error->fault, row.fault) << row.label;
        EXPECT_EQ(result.error->lineNumber, row.line) << row.label;
        EXPECT_EQ(result.error->lineText, row.text) << row.label;
        EXPECT_EQ(result.error->section, row.section) << row.label;
        EXPECT_EQ(result.error->inRecord, row.inRecord) << row.label;
    }
}

// An older or hand-trimmed file that ends after a complete section gives what
// it holds; the sections it leaves out are read as missing.
TEST(ProfileFile, AFileMayEndAfterAnyCompleteSection)
{
    EXPECT_TRUE(ReadProfile("QVl\x03\r\n").profile.has_value());
    const Profile font = FromFile(Lines({"QVl\x03", "Font\x03", "A,12", "over\x03"}));
    EXPECT_EQ(font.font->fontName, "A");
    EXPECT_FALSE(font.hotkeys.has_value());

    // The whole trigger file, cut after the end line of its path section.
    const std::string whole = ManyTriggers();
    const std::size_t direct = whole.find("DirectSet\x03\r\n");
    ASSERT_NE(direct, std::string::npos);
    const Profile trimmed = FromFile(whole.substr(0, direct));
    EXPECT_EQ(trimmed.triggers.size(), 200000u);
    EXPECT_TRUE(trimmed.hotkeys.has_value());
    EXPECT_TRUE(trimmed.directions.forwardDirections.empty());
    // Without the line end of its last line too.
    EXPECT_TRUE(ReadProfile(whole.substr(0, direct - 2)).profile.has_value());
    EXPECT_EQ(FromFile(whole).triggers.size(), 200000u);
}

TEST(ProfileFile, ANumberThatDoesNotConvertStopsTheWholeRead)
{
    struct Row
    {
        std::string bytes;
        std::size_t line;
        std::string text;
    };
    const Row rows[] = {
        {Lines({"QVl\x03", "Font\x03", "Mono,big", "over\x03"}), 3, "Mono,big"},
        {Lines({"QVl\x03", "Font\x03", "Mono, 12"}), 3, "Mono, 12"},
        {Lines({"QVl\x03", "Font\x03", "Mono"}), 3, "Mono"},
        {Lines({"QVl\x03", "Color\x03", "255", "", "1"}), 4, ""},
        {Lines({"QVl\x03", "Font\x03", std::string(1 << 20, '9') + ",x"}), 3,
         std::string(80, '9') + "\xA1\xAD"},
        {Lines({"QVl\x03", "Color\x03", "0", "0x00FF00"}), 4, "0x00FF00"},
        {Lines({"QVl\x03", "Color\x03", "99999999999"}), 3, "99999999999"},
    };
    for (const Row &row : rows) {
        const ProfileReadResult result = ReadProfile(row.bytes);
        ASSERT_TRUE(result.error.has_value()) << row.bytes;
        EXPECT_EQ(result.error->fault, ProfileFault::kBadNumber);
        EXPECT_EQ(result.error->lineNumber, row.line);
        EXPECT_EQ(result.error->lineText, row.text);
        EXPECT_FALSE(result.profile.has_value());
    }
    // A signed colour number (a system colour) is read and written as it was.
    const std::string negative = Lines({"QVl\x03", "Color\x03", "-16777201", "over\x03"});
    EXPECT_NE(WriteProfile(FromFile(negative)).find("\r\n-16777201\r\n"), std::string::npos);
}

TEST(FontFields, FaceNamesAreCutOnACharacterBoundary)
{
    struct Row
    {
        std::string name;
        std::size_t kept;
    };
    const std::string ascii99(99, 'a');
    const std::string han = "\xCB\xCE"; // one double-byte character
    std::string oddHan = "a";           // 1 + 49 * 2 = 99 bytes, then one more character
    for (int i = 0; i < 50; ++i)
        oddHan += han;
    std::string evenHan;
    for (int i = 0; i < 50; ++i)
        evenHan += han; // the character at bytes 98-99 would be cut in half
    const Row rows[] = {
        {ascii99, 99}, {ascii99 + "b", 99}, {oddHan, 99}, {evenHan, 98}, {"", 0},
    };
    for (const Row &row : rows) {
        const std::string fitted = screen::FitFontName(row.name);
        EXPECT_EQ(fitted.size(), row.kept);
        EXPECT_EQ(fitted, row.name.substr(0, row.kept));
    }
    // Read from a profile, the face is fitted too.
    const Profile p = FromFile(Lines({"QVl\x03", "Font\x03", evenHan + ",14", "over\x03"}));
    EXPECT_EQ(p.font->fontName.size(), 98u);
}

TEST(FontFields, FieldsOfTheFontDialog)
{
    EXPECT_EQ(screen::FontFieldText("\xCB\xCE\xCC\xE5", 14), "\xCB\xCE\xCC\xE5,14");
    const auto field = screen::ParseFontField("Noto Sans Mono,17");
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(field->fontName, "Noto Sans Mono");
    EXPECT_EQ(field->fontSize, 17);
    EXPECT_FALSE(screen::ParseFontField("Mono,").has_value());

    struct Row
    {
        std::string text;
        std::optional<int> spacing;
    };
    const Row rows[] = {
        {"", 0},
        {"0", 0},
        {"12", 12},
        {"-1", std::nullopt},
        {"1a", std::nullopt},
        {" 3", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(screen::ParseLineSpacing(row.text), row.spacing) << row.text;
}
