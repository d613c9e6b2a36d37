// The trigger editor's list rules: loading a table, toggling and selecting,
// sorted confirm, delete, and the table the apply hands to the engine.
#include "core/automation/TriggerEditorRules.h"

#include <gtest/gtest.h>

using automation::kTriggerOn;
using automation::TriggerEditorRules;
using automation::TriggerFields;
using automation::TriggerGridRow;
using automation::TriggerTable;

namespace {

const std::string kOn(kTriggerOn);
// "战斗" and "逃跑" in GBK: lead bytes sort after every ASCII group.
const std::string kFightCn = "\xD5\xBD\xB6\xB7";
const std::string kFleeCn = "\xCC\xD3\xC5\xDC";

// A table as the editor leaves it: sorted by group, ending with the blank row.
TriggerTable SampleTable()
{
    TriggerTable t;
    t.AddRow(kOn, "hp low", "eat\n", "EAT");
    t.AddRow(kOn, "(*) attacks you", "kill %0\n", "FIGHT");
    t.AddRow(" ", "you flee", "wimpy\n", "FIGHT");
    t.AddRow(kOn, "sleepy", "sleep\n", "REST");
    t.AddRow(" ", " ", " ", " ");
    return t;
}

std::vector<std::string> Matches(const TriggerEditorRules &r)
{
    std::vector<std::string> out;
    for (std::size_t i = 1; i < r.rows.size(); ++i)
        out.push_back(r.rows[i].match);
    return out;
}

TriggerEditorRules Loaded(const TriggerTable &t = SampleTable())
{
    TriggerEditorRules r;
    r.Load(t);
    return r;
}

} // namespace

TEST(TriggerEditorLoad, EmptyTableGivesHeaderAndOneBlankRow)
{
    TriggerEditorRules r;
    r.selectedRow = 3;
    r.Load(TriggerTable{});
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[1], (TriggerGridRow{" ", " ", " "}));
    EXPECT_EQ(r.rowCommands, (std::vector<std::string>{" ", " "}));
    EXPECT_EQ(r.selectedRow, -1);
    EXPECT_TRUE(r.knownGroups.empty());
    EXPECT_TRUE(r.comboGroups.empty());
}

TEST(TriggerEditorLoad, OneRowPerTableRowAndEachGroupOnce)
{
    TriggerEditorRules r = Loaded();
    ASSERT_EQ(r.rows.size(), 6u);
    EXPECT_EQ(r.rows[2], (TriggerGridRow{kOn, "FIGHT", "(*) attacks you"}));
    EXPECT_EQ(r.rowCommands[0], " ");
    EXPECT_EQ(r.rowCommands[2], "kill %0\n");
    EXPECT_EQ(r.knownGroups, "*EAT**FIGHT**REST** *");
    EXPECT_EQ(r.comboGroups, (std::vector<std::string>{"EAT", "FIGHT", "REST", " "}));
}

TEST(TriggerEditorLoad, TableWithoutItsBlankRowGetsOne)
{
    // The last row is never fired nor removable: a real trigger there would be
    // dead and stuck, so the editor puts a blank row after it.
    TriggerTable t;
    t.AddRow(kOn, "hp low", "eat\n", "EAT");
    TriggerEditorRules r = Loaded(t);
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_TRUE(r.IsDataRow(1));
    EXPECT_EQ(r.BuildTable().size(), 2u);
}

TEST(TriggerEditorSelect, ColumnZeroTogglesTheMarkOthersOnlySelect)
{
    TriggerEditorRules r = Loaded();
    TriggerFields f;
    ASSERT_TRUE(r.SelectCell(2, 0, f));
    EXPECT_EQ(r.rows[2].mark, "");
    EXPECT_EQ(r.selectedRow, 2);
    EXPECT_EQ(f.match, "(*) attacks you");
    EXPECT_EQ(f.command, "kill %0\n");
    EXPECT_EQ(f.group, "FIGHT");
    ASSERT_TRUE(r.SelectCell(2, 0, f));
    EXPECT_EQ(r.rows[2].mark, kOn);
    // A disabled row's " " is not empty: it clears first.
    ASSERT_TRUE(r.SelectCell(3, 0, f));
    EXPECT_EQ(r.rows[3].mark, "");
    ASSERT_TRUE(r.SelectCell(4, 2, f));
    EXPECT_EQ(r.rows[4].mark, kOn);
    EXPECT_EQ(r.selectedRow, 4);
    // The header and rows past the grid are not selectable.
    EXPECT_FALSE(r.SelectCell(0, 0, f));
    EXPECT_FALSE(r.SelectCell(6, 1, f));
    EXPECT_EQ(r.selectedRow, 4);
}

TEST(TriggerEditorConfirm, EmptyMatchOrCommandChangesNothing)
{
    TriggerEditorRules r = Loaded();
    TriggerFields f;
    r.SelectCell(1, 1, f);
    const auto before = r.rows;
    EXPECT_FALSE(r.Confirm({"", "go\n", "A"}));
    EXPECT_FALSE(r.Confirm({"x", "", "A"}));
    // What a click on the blank last row puts in the fields: blanks only. Such
    // a row would fire on every line holding a space, its own echo included.
    EXPECT_FALSE(r.Confirm({" ", " ", " "}));
    EXPECT_FALSE(r.Confirm({" \t\r\n", "go\n", "A"}));
    EXPECT_EQ(r.rows, before);
    EXPECT_EQ(r.selectedRow, 1);
}

TEST(TriggerEditorConfirm, GroupIsUpperCasedAndSortedAfterItsGroup)
{
    TriggerEditorRules r = Loaded();
    ASSERT_TRUE(r.Confirm({"you are hit", "heal", "fight"}));
    EXPECT_EQ(Matches(r), (std::vector<std::string>{"hp low", "(*) attacks you", "you flee",
                                                    "you are hit", "sleepy", " "}));
    EXPECT_EQ(r.rows[4], (TriggerGridRow{kOn, "FIGHT", "you are hit"}));
    EXPECT_EQ(r.rowCommands[4], "heal\n");
    EXPECT_EQ(r.selectedRow, -1);
    EXPECT_EQ(r.comboGroups.size(), 4u); // FIGHT was known already
}

TEST(TriggerEditorConfirm, PlacementByGroup)
{
    struct Case
    {
        std::string group;
        std::size_t row; // grid row the new trigger lands on
    };
    const Case cases[] = {
        {"", 1},       // sorts before every group
        {"A", 1},      //
        {"EAT", 2},    // after the group's own rows
        {"fa", 2},     // between EAT and FIGHT
        {"zzz", 5},    // after all: just before the blank row
        {kFightCn, 5}, // GBK lead bytes are greater than ASCII
        {"Rest", 5},   // upper-cased: REST
        {"RESTA", 5},  //
        {"RES", 4},    // a prefix sorts first
    };
    for (const Case &c : cases) {
        TriggerEditorRules r = Loaded();
        ASSERT_TRUE(r.Confirm({"new", "cmd\n", c.group})) << c.group;
        EXPECT_EQ(r.rows[c.row].match, "new") << c.group;
        EXPECT_EQ(r.rows.back().match, " ") << c.group;
    }
}

TEST(TriggerEditorConfirm, GbkCharactersKeepTheirBytes)
{
    TriggerEditorRules r = Loaded();
    // Only ASCII letters change: not the bytes of "逃", nor a second byte that
    // falls in the letter range ("\x81\x61").
    const std::string mixed = "z" + kFleeCn + "\x81\x61" + "b";
    const std::string upper = "Z" + kFleeCn + "\x81\x61" + "B";
    ASSERT_TRUE(r.Confirm({"m", "c", mixed}));
    EXPECT_EQ(r.rows[5].group, upper);
    EXPECT_EQ(r.comboGroups.back(), upper);
}

TEST(TriggerEditorConfirm, CommandGetsOneLineFeed)
{
    TriggerEditorRules r = Loaded(TriggerTable{});
    ASSERT_TRUE(r.Confirm({"a", "x\r\ny", "G"}));
    ASSERT_TRUE(r.Confirm({"b", "z\n", "G"}));
    EXPECT_EQ(r.rowCommands[1], "x\r\ny\n");
    EXPECT_EQ(r.rowCommands[2], "z\n");
}

TEST(TriggerEditorConfirm, WithSelectionReplacesAndMovesToEndOfGroup)
{
    TriggerEditorRules r = Loaded();
    TriggerFields f;
    r.SelectCell(2, 2, f); // "(*) attacks you", first FIGHT row
    ASSERT_TRUE(r.Confirm({"(*) hits you", f.command, f.group}));
    EXPECT_EQ(Matches(r),
              (std::vector<std::string>{"hp low", "you flee", "(*) hits you", "sleepy", " "}));
    EXPECT_EQ(r.rowCommands[3], "kill %0\n");
    EXPECT_EQ(r.selectedRow, -1);

    // Editing into another group moves it there.
    r.SelectCell(3, 1, f);
    ASSERT_TRUE(r.Confirm({f.match, f.command, "AAA"}));
    EXPECT_EQ(Matches(r),
              (std::vector<std::string>{"(*) hits you", "hp low", "you flee", "sleepy", " "}));
    EXPECT_EQ(r.comboGroups.back(), "AAA");
}

TEST(TriggerEditorConfirm, SelectedBlankRowIsNeverRemoved)
{
    TriggerEditorRules r = Loaded();
    TriggerFields f;
    r.SelectCell(5, 1, f);
    ASSERT_TRUE(r.Confirm({"new", "cmd", "ZZ"}));
    ASSERT_EQ(r.rows.size(), 7u);
    EXPECT_EQ(r.rows[5].match, "new");
    EXPECT_EQ(r.rows[6], (TriggerGridRow{" ", " ", " "}));

    // After "新键" nothing is selected: confirm adds a row.
    r.SelectCell(1, 1, f);
    r.New();
    ASSERT_TRUE(r.Confirm({"hp low", "eat", "EAT"}));
    EXPECT_EQ(r.rows.size(), 8u);
}

TEST(TriggerEditorDelete, RemovesSelectedRowAndKeepsTheNumber)
{
    TriggerEditorRules r = Loaded();
    EXPECT_FALSE(r.Delete()); // nothing selected
    TriggerFields f;
    r.SelectCell(2, 1, f);
    ASSERT_TRUE(r.Delete());
    EXPECT_EQ(r.selectedRow, 2);
    EXPECT_EQ(r.rows[2].match, "you flee");
    ASSERT_TRUE(r.Delete());
    ASSERT_TRUE(r.Delete());
    // Row 2 is now the blank last row: it stays.
    EXPECT_EQ(r.selectedRow, 2);
    EXPECT_FALSE(r.Delete());
    EXPECT_EQ(Matches(r), (std::vector<std::string>{"hp low", " "}));
    EXPECT_EQ(r.rowCommands.size(), r.rows.size());
}

TEST(TriggerEditorApply, BuildsAllRowsBelowTheHeaderIncludingTheBlankRow)
{
    TriggerEditorRules r = Loaded(TriggerTable{});
    r.Confirm({"(*) attacks you", "kill %0", "fight"});
    r.Confirm({"hp low", "eat", "eat"});
    TriggerFields f;
    r.SelectCell(2, 0, f); // disable the FIGHT row
    const TriggerTable t = r.BuildTable();
    EXPECT_EQ(t.triggerPatterns, (std::vector<std::string>{"hp low", "(*) attacks you", " "}));
    EXPECT_EQ(t.triggerGroups, (std::vector<std::string>{"EAT", "FIGHT", " "}));
    EXPECT_EQ(t.triggerEnabled, (std::vector<std::string>{kOn, "", " "}));
    EXPECT_EQ(t.triggerCommands, (std::vector<std::string>{"eat\n", "kill %0\n", " "}));
    EXPECT_EQ(t.triggerArmed, (std::vector<std::string>{"0", "0", "0"}));

    // A load of the applied table gives the same grid back.
    TriggerEditorRules again = Loaded(t);
    EXPECT_EQ(again.rows, r.rows);
    EXPECT_EQ(again.rowCommands, r.rowCommands);
}

TEST(TriggerEditorGroupKey, OnlyTheStarIsSwallowed)
{
    EXPECT_TRUE(TriggerEditorRules::GroupKeySwallowed(U'*'));
    for (char32_t ch : {U'a', U'A', U' ', U'\b', U'战', U'＊'})
        EXPECT_FALSE(TriggerEditorRules::GroupKeySwallowed(ch));
}
