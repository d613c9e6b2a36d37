#include "core/screen/FrameLayout.h"

#include "core/text/GbkText.h"

#include <cassert>

namespace screen {

namespace {

constexpr std::size_t kRecordSize = 7;
constexpr int kLineStartPos = 1;
constexpr std::string_view kLineStartColours = "001"; // background slot 0, mode 1

// A record waiting for its row: the position within the line and the three
// colour characters, which never change when the record moves to a later row.
struct PendingRecord
{
    int pos;
    std::string_view colours;
};

// 0-based start of record i of `attrs` within a row of `length` bytes.
std::size_t RecordStart(std::string_view attrs, std::size_t i, std::size_t length)
{
    const int pos = gbk::ParseHex(attrs, i * kRecordSize, 4);
    if (pos < 1)
        return 0;
    return std::min(static_cast<std::size_t>(pos - 1), length);
}

void ApplyRecord(std::string_view record, Colours &colours)
{
    const int fg = gbk::ParseHex(record, 4, 1);
    const int bg = gbk::ParseHex(record, 5, 1);
    switch (record[6]) {
    case '0':
        if (fg >= 0)
            colours.fg = fg;
        break;
    case '1':
        if (bg >= 0)
            colours.bg = bg;
        break;
    case '2':
        if (fg >= 0)
            colours.fg = fg;
        if (bg >= 0)
            colours.bg = bg;
        break;
    case '3':
        colours = Colours{};
        break;
    default:
        break;
    }
}

} // namespace

int TextWidth(TextMeasure &measure, std::string_view text)
{
    int width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = gbk::CharLength(text, pos);
        width += measure.CharWidth(text.substr(pos, len));
        pos += len;
    }
    return width;
}

std::size_t FitBytes(TextMeasure &measure, std::string_view text, int widthPx)
{
    int used = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = gbk::CharLength(text, pos);
        const int w = measure.CharWidth(text.substr(pos, len));
        if (used + w > widthPx)
            break;
        used += w;
        pos += len;
    }
    return pos;
}

void WrapLine(TextMeasure &measure, std::string_view text, std::string_view storedAttrs,
              int widthPx, std::vector<Row> &out)
{
    std::vector<PendingRecord> records;
    records.reserve(1 + storedAttrs.size() / kRecordSize);
    records.push_back({kLineStartPos, kLineStartColours});
    if (storedAttrs != " ") {
        for (std::size_t i = 0; i + kRecordSize <= storedAttrs.size(); i += kRecordSize)
            records.push_back(
                {std::max(gbk::ParseHex(storedAttrs, i, 4), 0), storedAttrs.substr(i + 4, 3)});
    }

    std::size_t next = 0; // first record not yet given to a row
    int taken = 0;        // bytes of the line placed on earlier rows
    while (!text.empty()) {
        std::size_t n = FitBytes(measure, text, widthPx);
        if (n == 0)
            n = gbk::CharLength(text, 0); // narrower than one character: take it anyway
        Row row;
        row.text.assign(text.substr(0, n));
        const int fits = static_cast<int>(n);
        while (next < records.size() && records[next].pos - taken <= fits) {
            gbk::AppendHex4(row.attrs,
                            static_cast<unsigned>(std::max(records[next].pos - taken, 0)));
            row.attrs += records[next].colours;
            ++next;
        }
        if (row.attrs.empty())
            row.attrs = " ";
        out.push_back(std::move(row));
        taken += fits;
        text.remove_prefix(n);
    }
    // Records behind the last byte colour nothing on this line and are dropped.
}

int RowsFor(int viewHeight, int fontSize, int lineSpacing)
{
    const int rowHeight = fontSize + lineSpacing;
    if (rowHeight <= 0)
        return 0;
    return std::max(viewHeight / rowHeight - 1, 0);
}

int ChooseBottomLine(int scrollPos, int storedCount, int rows)
{
    const int newest = storedCount - 1;
    int b = scrollPos == -1 ? newest : scrollPos;
    if (b < rows)
        b = storedCount > rows ? rows - 1 : newest;
    if (b >= storedCount)
        b = newest;
    return b;
}

void ColourRuns(std::string_view rowText, std::string_view rowAttrs, Colours &colours,
                std::vector<ColourRun> &out)
{
    out.clear();
    auto add = [&](std::size_t start, std::size_t end) {
        // Records come in position order, so runs follow each other and never
        // overlap: a byte is painted once.
        assert(out.empty() || out.back().start + out.back().length <= start);
        if (end > start)
            out.push_back({start, end - start, colours.fg, colours.bg});
    };
    const std::size_t count = rowAttrs == " " ? 0 : rowAttrs.size() / kRecordSize;
    if (count == 0) {
        add(0, rowText.size());
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = RecordStart(rowAttrs, i, rowText.size());
        if (i == 0)
            add(0, start);
        ApplyRecord(rowAttrs.substr(i * kRecordSize, kRecordSize), colours);
        const std::size_t end =
            i + 1 < count ? RecordStart(rowAttrs, i + 1, rowText.size()) : rowText.size();
        add(start, end);
    }
}

} // namespace screen
