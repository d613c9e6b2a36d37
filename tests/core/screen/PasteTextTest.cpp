#include "core/screen/PasteText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using screen::BuildPasteText;
using screen::JoinOneLine;

namespace {

using Lines = std::vector<std::string>;

struct JoinCase
{
    const char *name;
    Lines lines;
    std::string joined;
};

// "中" is ‹D6 D0›; these two have a second byte that is a double quote or a comma.
const std::string kSecondQuote = "\xB2\x22"; // second byte 0x22
const std::string kSecondComma = "\xB0\x2C"; // second byte 0x2C

} // namespace

TEST(JoinOneLine, QuotesOnlyLinesThatNeedIt)
{
    const std::vector<JoinCase> cases = {
        {"empty text", {}, ""},
        {"one empty line", {""}, "\"\""},
        {"two empty lines", {"", ""}, ","},
        {"plain lines", {"a", "b", "c"}, "a,b,c"},
        {"space", {"a b", "c"}, "\"a b\",c"},
        {"inner quote doubled", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"quote alone", {"a\"b"}, "\"a\"\"b\""},
        {"comma", {"a,b"}, "\"a,b\""},
        {"tab", {"a\tb"}, "\"a\tb\""},
        {"control byte 1", {std::string("a\x01")}, std::string("\"a\x01\"")},
        {"control byte 31", {std::string("\x1f")}, std::string("\"\x1f\"")},
        {"semicolon is plain", {"a;b"}, "a;b"},
        {"empty line among others", {"a", "", "b"}, "a,,b"},
        {"double-byte text", {"\xD6\xD0\xCE\xC4"}, "\xD6\xD0\xCE\xC4"},
        {"second byte 0x22 is no quote", {"x" + kSecondQuote}, "x" + kSecondQuote},
        {"second byte 0x2C is no comma", {kSecondComma + "y"}, kSecondComma + "y"},
        // Quoted for the space; the second byte 0x22 must not be doubled.
        {"second byte kept inside quotes", {kSecondQuote + " \""}, "\"" + kSecondQuote + " \"\"\""},
        // A lead byte at the very end has no second byte and stands alone.
        {"lone lead byte at the end", {"\"\x81"}, "\"\"\"\x81\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(JoinOneLine(c.lines), c.joined) << c.name;
}

TEST(BuildPasteText, DescriptionExamples)
{
    const Lines lines = {"hello", "", "world"};
    EXPECT_EQ(BuildPasteText("chat", lines, "500"), "chat hello;#WA 500;chat world;#WA 500;");
    EXPECT_EQ(BuildPasteText("chat", lines, "0"), "chat hello;chat world;");
}

TEST(BuildPasteText, LinesAreKeptUntrimmedAndBlankOnesSkipped)
{
    struct Case
    {
        const char *name;
        std::string prefix;
        Lines lines;
        std::string delay;
        std::string text;
    };
    const std::vector<Case> cases = {
        // The runner splits at ";" later; the builder keeps the line whole.
        {"semicolon in line", "chat", {"n;e"}, "0", "chat n;e;"},
        {"blank prefix keeps the space", "", {"hello"}, "0", " hello;"},
        {"untrimmed line", "say", {"  hi  "}, "0", "say   hi  ;"},
        {"blank lines skipped", "say", {" ", "\t", "\r", "x"}, "10", "say x;#WA 10;"},
        {"no lines", "chat", {}, "500", ""},
        {"single empty line", "chat", {""}, "500", ""},
        {"negative delay", "chat", {"a"}, "-300", "chat a;#WA -300;"},
        {"delay written in decimal", "chat", {"a"}, "+007", "chat a;#WA 7;"},
        {"blanks around delay", "chat", {"a"}, " 20 ", "chat a;#WA 20;"},
        {"double-byte line", "chat", {"\xC4\xE3\xBA\xC3"}, "0", "chat \xC4\xE3\xBA\xC3;"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BuildPasteText(c.prefix, c.lines, c.delay), c.text) << c.name;
}

TEST(BuildPasteText, DelayThatIsNotANumberBuildsNothing)
{
    for (const char *delay : {"", " ", "abc", "5x", "1.5", "0x10", "99999999999", "- 5"})
        EXPECT_FALSE(BuildPasteText("chat", {"hello"}, delay).has_value()) << delay;
}

TEST(PasteKeptLength, KeepsWholeLinesUpToTheCap)
{
    struct Row
    {
        std::string text;
        std::size_t cap, kept;
    };
    const Row rows[] = {
        {"ab\ncd\n", 6, 6},          // within the cap
        {"ab\ncd\nef", 7, 6},        // cut after the last line end within it
        {"ab\r\ncd", 4, 4},          // CR LF kept whole
        {"ab\rcd", 4, 3},            // a CR alone ends a line too
        {"abcdef", 3, 3},            // one long line: cut at the cap
        {"a\xD6\xD0\xCE\xC4", 4, 3}, // ...but never inside a character
        {"", 0, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(screen::PasteKeptLength(r.text, r.cap), r.kept);
    }
}
