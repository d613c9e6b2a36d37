// The hotkey editor's list rules (confirm replaces in place, empty fields
// refused, delete, a reload drops unsaved edits) and the firing look-up.
#include "core/shell/HotkeyEditorRules.h"

#include <gtest/gtest.h>

using shell::HotkeyEditorRules;

using Strings = std::vector<std::string>;

namespace {

session::HotkeyLists Three()
{
    return {{"F1", "Ctrl+K", "F:"}, {"look", "kill rat", "flee\r\nsay bye"}};
}

} // namespace

TEST(HotkeyEditorRules, ConfirmReplacesKeepingPositionOrAppends)
{
    struct Case
    {
        std::string key;
        std::string command;
        bool stored;
        Strings names;
        Strings commands;
    };
    const Case cases[] = {
        {"Ctrl+K",
         "kill dog",
         true,
         {"F1", "Ctrl+K", "F:"},
         {"look", "kill dog", "flee\r\nsay bye"}},
        {"F5",
         "n\r\ne",
         true,
         {"F1", "Ctrl+K", "F:", "F5"},
         {"look", "kill rat", "flee\r\nsay bye", "n\r\ne"}},
        // Case counts: a new name.
        {"ctrl+K",
         "x",
         true,
         {"F1", "Ctrl+K", "F:", "ctrl+K"},
         {"look", "kill rat", "flee\r\nsay bye", "x"}},
        // A blank command is a command; only empty fields are refused.
        {"F1", " ", true, {"F1", "Ctrl+K", "F:"}, {" ", "kill rat", "flee\r\nsay bye"}},
        {"", "look", false, {"F1", "Ctrl+K", "F:"}, {"look", "kill rat", "flee\r\nsay bye"}},
        {"F1", "", false, {"F1", "Ctrl+K", "F:"}, {"look", "kill rat", "flee\r\nsay bye"}},
    };
    for (const Case &c : cases) {
        HotkeyEditorRules r;
        r.Load(Three());
        EXPECT_EQ(r.Confirm(c.key, c.command), c.stored) << c.key;
        EXPECT_EQ(r.names, c.names) << c.key;
        EXPECT_EQ(r.commands, c.commands) << c.key;
    }
}

TEST(HotkeyEditorRules, DeleteAndReload)
{
    HotkeyEditorRules r;
    r.Load({});
    EXPECT_FALSE(r.Delete(0)); // an empty list: nothing
    r.Load(Three());
    EXPECT_FALSE(r.Delete(-1)); // nothing selected
    EXPECT_TRUE(r.Delete(1));
    r.Confirm("F2", "hp");
    EXPECT_EQ(r.Result().hotkeyNames, (Strings{"F1", "F:", "F2"}));
    EXPECT_EQ(r.Result().hotkeyCommands, (Strings{"look", "flee\r\nsay bye", "hp"}));
    // Opening again (or discarding) starts from the window's lists.
    r.Load(Three());
    EXPECT_EQ(r.Result().hotkeyNames, Three().hotkeyNames);
    EXPECT_EQ(r.Result().hotkeyCommands, Three().hotkeyCommands);
}

TEST(HotkeyCommandFor, FirstEqualNameFires)
{
    const session::HotkeyLists lists{{"F5", "Ctrl+A", "F5", "", "Ctrl+&"},
                                     {"first", "all", "second", "empty name", "up"}};
    struct Case
    {
        std::string key;
        const char *command; // null: nothing fires
    };
    const Case cases[] = {
        {"F5", "first"},    {"Ctrl+A", "all"}, {"ctrl+A", nullptr}, {"F5 ", nullptr},
        {"", "empty name"}, {"Ctrl+&", "up"},  {"F6", nullptr},
    };
    for (const Case &c : cases) {
        const std::string *command = shell::HotkeyCommandFor(lists, c.key);
        if (c.command) {
            ASSERT_NE(command, nullptr) << c.key;
            EXPECT_EQ(*command, c.command) << c.key;
        } else {
            EXPECT_EQ(command, nullptr) << c.key;
        }
    }
    // A name without a command (a damaged profile) fires nothing.
    EXPECT_EQ(shell::HotkeyCommandFor({{"F1"}, {}}, "F1"), nullptr);
}
