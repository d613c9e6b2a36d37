#include "core/automation/TriggerEditorRules.h"

#include "core/text/GbkText.h"

namespace automation {

namespace {

// The header cells " ", "组名", "判断字串" in GBK.
const TriggerGridRow kHeader{" ", "\xD7\xE9\xC3\xFB", "\xC5\xD0\xB6\xCF\xD7\xD6\xB4\xAE"};
const TriggerGridRow kBlankRow{" ", " ", " "};

std::string Cell(const std::vector<std::string> &list, std::size_t i)
{
    return i < list.size() ? list[i] : std::string();
}

} // namespace

bool TriggerEditorRules::IsDataRow(int row) const
{
    return row >= 1 && row < lastRow();
}

void TriggerEditorRules::NoteGroup(const std::string &group)
{
    const std::string key = "*" + group + "*";
    if (knownGroups.find(key) != std::string::npos)
        return;
    knownGroups += key;
    comboGroups.push_back(group);
}

void TriggerEditorRules::Load(const TriggerTable &table)
{
    knownGroups.clear();
    comboGroups.clear();
    rows.assign(1, kHeader);
    rowCommands.assign(1, " ");
    for (std::size_t i = 0; i < table.size(); ++i) {
        rows.push_back({Cell(table.triggerEnabled, i), Cell(table.triggerGroups, i),
                        table.triggerPatterns[i]});
        rowCommands.push_back(Cell(table.triggerCommands, i));
        NoteGroup(rows.back().group);
    }
    // The last row is never fired and never removed. A table that came without
    // its blank row (empty, or from a writer that left it out) gets one, so its
    // last real trigger stays a row the player can see working and delete.
    const bool endsBlank = rows.size() > 1 && gbk::Trim(rows.back().match).empty() &&
                           gbk::Trim(rowCommands.back()).empty();
    if (!endsBlank) {
        rows.push_back(kBlankRow);
        rowCommands.push_back(" ");
    }
    selectedRow = -1;
}

bool TriggerEditorRules::SelectCell(int row, int column, TriggerFields &fields)
{
    if (row < 1 || row > lastRow())
        return false;
    TriggerGridRow &r = rows[static_cast<std::size_t>(row)];
    if (column == 0)
        r.mark = r.mark.empty() ? std::string(kTriggerOn) : std::string();
    selectedRow = row;
    fields.match = r.match;
    fields.command = rowCommands[static_cast<std::size_t>(row)];
    fields.group = r.group;
    return true;
}

bool TriggerEditorRules::Confirm(TriggerFields fields)
{
    // A match text of blanks alone would fire on nearly every line, the
    // client's own echoes included (the blank last row fills the fields so).
    if (gbk::Trim(fields.match).empty() || fields.command.empty())
        return false;
    if (fields.command.back() != '\n')
        fields.command += '\n';
    fields.group = gbk::UpperAscii(fields.group);

    if (IsDataRow(selectedRow)) {
        rows.erase(rows.begin() + selectedRow);
        rowCommands.erase(rowCommands.begin() + selectedRow);
    }

    // Before the first data row whose group sorts after the new one (bytes
    // compared unsigned), else just before the blank last row: a group's rows
    // stay together and a new or edited row goes to the end of its group.
    int at = lastRow();
    for (int i = 1; i < lastRow(); ++i) {
        if (rows[static_cast<std::size_t>(i)].group.compare(fields.group) > 0) {
            at = i;
            break;
        }
    }
    rows.insert(rows.begin() + at,
                TriggerGridRow{std::string(kTriggerOn), fields.group, fields.match});
    rowCommands.insert(rowCommands.begin() + at, fields.command);

    NoteGroup(fields.group);
    selectedRow = -1;
    return true;
}

bool TriggerEditorRules::Delete()
{
    if (!IsDataRow(selectedRow))
        return false;
    rows.erase(rows.begin() + selectedRow);
    rowCommands.erase(rowCommands.begin() + selectedRow);
    return true;
}

TriggerTable TriggerEditorRules::BuildTable() const
{
    TriggerTable table;
    for (std::size_t i = 1; i < rows.size(); ++i)
        table.AddRow(rows[i].mark, rows[i].match, rowCommands[i], rows[i].group);
    return table;
}

} // namespace automation
