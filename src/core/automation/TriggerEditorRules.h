// The trigger editor's working copy of a window's trigger table and the rules of
// its buttons (load, select, confirm, delete, apply), kept free of widgets.
#pragma once

#include "core/automation/Triggers.h"

#include <string>
#include <string_view>
#include <vector>

namespace automation {

// One grid row as the editor shows it.
struct TriggerGridRow
{
    std::string mark;  // column 0: "√" when enabled
    std::string group; // column 1
    std::string match; // column 2
    bool operator==(const TriggerGridRow &) const = default;
};

// The three edit fields, as the editor fills them from a row.
struct TriggerFields
{
    std::string match;
    std::string command;
    std::string group;
};

class TriggerEditorRules
{
public:
    // Row 0 is the header; the last row is the blank row that the table keeps
    // at its end. Data rows are 1 .. size-2.
    std::vector<TriggerGridRow> rows;
    // Command text of each grid row, the header's entry included.
    std::vector<std::string> rowCommands;
    // The selected grid row, -1 for none.
    int selectedRow = -1;
    // Every group already in the combo box's list, each written as "*name*".
    std::string knownGroups;
    // The combo box's list, in the order the groups were met.
    std::vector<std::string> comboGroups;

    // Fills the grid from a window's table. An empty table gives the header and
    // one blank row of " " cells.
    void Load(const TriggerTable &table);

    // A click on a cell: column 0 toggles the row's mark (empty <-> "√"), then
    // the row becomes the selection. Returns the row's fields, or nothing when
    // the row is not a grid row below the header.
    bool SelectCell(int row, int column, TriggerFields &fields);

    // "新键": no row is selected.
    void New() { selectedRow = -1; }

    // "确定". `fields` is what the player typed; on success the command ends
    // with LF, the group is upper-cased and the row stands sorted in the grid,
    // replacing the selected data row. Returns false (nothing changed) when the
    // match text is empty after trimming or the command is empty.
    bool Confirm(TriggerFields fields);

    // "删除": removes the selected data row; the selection keeps its number.
    // False when nothing is selected or the selection is the blank last row.
    bool Delete();

    // "关闭": the table the grid describes, rows 1 to the last (the blank row
    // included), for TriggerEngine::Replace.
    TriggerTable BuildTable() const;

    bool IsDataRow(int row) const;
    int lastRow() const { return static_cast<int>(rows.size()) - 1; }

    // The group field swallows "*", the separator in knownGroups.
    static bool GroupKeySwallowed(char32_t ch) { return ch == U'*'; }

private:
    void NoteGroup(const std::string &group);
};

} // namespace automation
