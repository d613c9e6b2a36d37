#include "core/shell/KeyName.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {

// Qt::Key values and modifier bits, as QKeyEvent reports them.
constexpr int kQtF1 = 0x01000030;
constexpr int kQtF10 = 0x01000039;
constexpr std::uint32_t kShift = 0x02000000;
constexpr std::uint32_t kCtrl = 0x04000000;
constexpr std::uint32_t kAlt = 0x08000000;
constexpr std::uint32_t kKeypad = 0x20000000;

std::string NameOf(int qtKey, std::uint32_t modifiers)
{
    KeyPress p = KeyPressFromQt(qtKey, modifiers);
    return BuildKeyName(p.keyCode, p.shift, p.alt, p.ctrl);
}

} // namespace

TEST(BuildKeyName, EveryRowOfTheKeyTable)
{
    struct Row
    {
        int first;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {0x21, {"!", "\"", "#", "$", "%", "&", "'", "("}}, // Page Up .. Down
        {0x29, {")", "*", "+", ",", "-", ".", "/"}},       // Select .. Help
        {0x30, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {0x41, {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"}},
        {0x5B, {"[", "\\", "]", "^", "_"}},
        {0x60, {"`", "a", "b", "c", "d", "e", "f", "g", "h", "i"}}, // keypad 0-9
        {0x6A, {"j", "k", "l", "m", "n", "o"}},                     // keypad operators
        {0x70, {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"}},
        {0x79, {"F:", "F;", "F<"}}, // F10-F12
    };
    for (const Row &row : rows) {
        for (std::size_t i = 0; i < row.names.size(); ++i) {
            const int code = row.first + static_cast<int>(i);
            EXPECT_EQ(BuildKeyName(code, false, false, false), row.names[i]) << code;
            EXPECT_EQ(BuildKeyName(code, true, false, true), "Shift+Ctrl+" + row.names[i]) << code;
        }
    }
    // Codes outside the two ranges add nothing.
    for (int code : {0x01, 0x08, 0x0D, 0x10, 0x11, 0x1B, 0x20, 0x7C, 0x87, 0xBA, 0xFFFF}) {
        EXPECT_EQ(BuildKeyName(code, false, false, false), "") << code;
        EXPECT_EQ(BuildKeyName(code, false, true, false), "Alt+") << code;
    }
}

TEST(BuildKeyName, ModifiersInFixedOrderAndKeyZeroIsNothing)
{
    EXPECT_EQ(BuildKeyName(0x41, false, false, true), "Ctrl+A");
    EXPECT_EQ(BuildKeyName(0x71, true, true, true), "Shift+Alt+Ctrl+F2");
    EXPECT_EQ(BuildKeyName(0x11, false, false, true), "Ctrl+");
    EXPECT_EQ(BuildKeyName(0x20, false, false, false), "");
    EXPECT_EQ(BuildKeyName(0x79, false, false, false), "F:");
    EXPECT_EQ(BuildKeyName(0, true, true, true), "");
}

TEST(VirtualKeyFromQtKey, Samples)
{
    struct Row
    {
        int qtKey;
        bool keypad;
        int code;
    };
    const Row rows[] = {
        {'A', false, 0x41},
        {'a', false, 0x41},
        {'Z', false, 0x5A},
        {'0', false, 0x30},
        {'9', false, 0x39},
        {'0', true, 0x60},
        {'9', true, 0x69},
        {'*', true, 0x6A},
        {'+', true, 0x6B},
        {',', true, 0x6C},
        {'-', true, 0x6D},
        {'.', true, 0x6E},
        {'/', true, 0x6F},
        {'!', false, 0x31},
        {')', false, 0x30},
        {'*', false, 0x38},
        {';', false, 0xBA},
        {'+', false, 0xBB},
        {'-', false, 0xBD},
        {'~', false, 0xC0},
        {'"', false, 0xDE},
        {' ', false, 0x20},
        {kQtF1, false, 0x70},
        {kQtF10, false, 0x79},
        {0x0100003b, false, 0x7B},
        {0x0100003c, false, 0x7C},
        {0x01000047, false, 0x87},
        {0x01000000, false, 0x1B},
        {0x01000001, false, 0x09},
        {0x01000003, false, 0x08},
        {0x01000004, false, 0x0D},
        {0x01000005, true, 0x0D},
        {0x01000006, false, 0x2D},
        {0x01000007, false, 0x2E},
        {0x01000010, false, 0x24},
        {0x01000011, false, 0x23},
        {0x01000012, false, 0x25},
        {0x01000013, false, 0x26},
        {0x01000013, true, 0x26},
        {0x01000014, false, 0x27},
        {0x01000015, false, 0x28},
        {0x01000016, false, 0x21},
        {0x01000017, false, 0x22},
        {0x01000020, false, 0x10},
        {0x01000021, false, 0x11},
        {0x01000023, false, 0x12},
        {0x0430, false, 0},
        {0x01FFFFFF, false, 0},
        {0, false, 0},
    };
    for (const Row &row : rows)
        EXPECT_EQ(VirtualKeyFromQtKey(row.qtKey, row.keypad), row.code)
            << std::hex << row.qtKey << " keypad " << row.keypad;
}

TEST(KeyPressFromQt, NamesComeOutAsStored)
{
    EXPECT_EQ(NameOf('A', kCtrl), "Ctrl+A");
    EXPECT_EQ(NameOf('A', kShift), "Shift+A");
    EXPECT_EQ(NameOf('!', kShift), "Shift+1");
    EXPECT_EQ(NameOf(kQtF10, 0), "F:");
    EXPECT_EQ(NameOf(kQtF1 + 1, kShift | kAlt | kCtrl), "Shift+Alt+Ctrl+F2");
    EXPECT_EQ(NameOf('3', kCtrl | kKeypad), "Ctrl+c");
    EXPECT_EQ(NameOf(0x01000013, kShift), "Shift+&"); // Shift+Up
    EXPECT_EQ(NameOf(' ', 0), "");
    EXPECT_EQ(NameOf(0x01000004, 0), ""); // Return
    // A modifier pressed alone counts as held, whether or not the platform says so.
    EXPECT_EQ(NameOf(0x01000021, 0), "Ctrl+");
    EXPECT_EQ(NameOf(0x01000021, kCtrl), "Ctrl+");
    EXPECT_EQ(NameOf(0x01000020, 0), "Shift+");
    EXPECT_EQ(NameOf(0x01000023, kAlt), "Alt+");
    EXPECT_EQ(KeyPressFromQt('C', kCtrl), (KeyPress{0x43, false, false, true}));
}
