// The command group editor's list rules: confirm (replace in place or append),
// the blank refusals, delete, and the apply into a window's table.
#include "core/automation/GroupEditorRules.h"

#include <gtest/gtest.h>

using automation::GroupEditorRules;

using automation::GroupTable;

namespace {

GroupEditorRules TwoGroups()
{
    GroupTable table;
    table.Replace({"kk", "heal"}, {"wield sword\r\n#2 kill rat", "eat;drink"});
    GroupEditorRules r;
    r.Load(table.Snapshot());
    return r;
}

} // namespace

TEST(GroupEditorRules, LoadCopiesTheTable)
{
    GroupEditorRules r = TwoGroups();
    EXPECT_EQ(r.names, (std::vector<std::string>{"kk", "heal"}));
    EXPECT_EQ(r.editContents[0], "wield sword\r\n#2 kill rat");
    r.Load(GroupTable{}.Snapshot());
    EXPECT_EQ(r.size(), 0u);
    EXPECT_TRUE(r.editContents.empty());
}

TEST(GroupEditorRules, ConfirmReplacesInPlaceOrAppends)
{
    struct Case
    {
        std::string name;
        std::string content;
        std::vector<std::string> names;
        std::vector<std::string> contents;
    };
    const Case cases[] = {
        {"kk", "look", {"kk", "heal"}, {"look", "eat;drink"}},
        {"new",
         "say hi",
         {"kk", "heal", "new"},
         {"wield sword\r\n#2 kill rat", "eat;drink", "say hi"}},
        // Case counts, and the name is kept with its blanks as typed.
        {"KK", "x", {"kk", "heal", "KK"}, {"wield sword\r\n#2 kill rat", "eat;drink", "x"}},
        {" kk ", "x", {"kk", "heal", " kk "}, {"wield sword\r\n#2 kill rat", "eat;drink", "x"}},
        // "逃" in GBK as a name; its content keeps a blank line inside.
        {"\xCC\xD3",
         "a\r\n\r\nb",
         {"kk", "heal", "\xCC\xD3"},
         {"wield sword\r\n#2 kill rat", "eat;drink", "a\r\n\r\nb"}},
    };
    for (const Case &c : cases) {
        GroupEditorRules r = TwoGroups();
        EXPECT_TRUE(r.Confirm(c.name, c.content)) << c.name;
        EXPECT_EQ(r.names, c.names) << c.name;
        EXPECT_EQ(r.editContents, c.contents) << c.name;
    }
}

TEST(GroupEditorRules, BlankNameOrContentIsRefused)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "look"}, {"  \t", "look"}, {"kk", ""}, {"kk", " \r\n "}, {"new", "\r\n"},
    };
    for (const auto &[name, content] : cases) {
        GroupEditorRules r = TwoGroups();
        EXPECT_FALSE(r.Confirm(name, content)) << name;
        EXPECT_EQ(r.names, TwoGroups().names);
        EXPECT_EQ(r.editContents, TwoGroups().editContents);
    }
}

TEST(GroupEditorRules, DeleteRemovesTheGroupFromBothLists)
{
    GroupEditorRules r = TwoGroups();
    EXPECT_FALSE(r.Delete(-1));
    EXPECT_FALSE(r.Delete(2));
    ASSERT_TRUE(r.Delete(0));
    EXPECT_EQ(r.names, (std::vector<std::string>{"heal"}));
    EXPECT_EQ(r.editContents, (std::vector<std::string>{"eat;drink"}));
    ASSERT_TRUE(r.Delete(0));
    EXPECT_FALSE(r.Delete(0));
}

TEST(GroupEditorRules, ApplyReplacesTheWindowTable)
{
    GroupTable table;
    table.Replace({"old"}, {"x"});
    GroupEditorRules r = TwoGroups();
    r.Confirm("b", "say done");
    r.ApplyTo(table);
    EXPECT_FALSE(table.Lookup("old"));
    EXPECT_EQ(table.Lookup("b"), "say done");
    EXPECT_EQ(table.Snapshot().groupNames, (std::vector<std::string>{"kk", "heal", "b"}));
}
