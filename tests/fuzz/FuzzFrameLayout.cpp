// The frame layout: a stored line with its attribute records in position
// order, wrapped to any width, gives rows whose colour runs are in order,
// never overlap and cover each row exactly; the rows hold the line's bytes.
#include "FuzzInput.h"
#include "core/screen/FrameLayout.h"
#include "support/FixedMeasure.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testsupport::FixedMeasure;

std::string Record(std::size_t position, int fg, int bg, int mode)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string r;
    for (int shift = 12; shift >= 0; shift -= 4)
        r += hex[(position >> shift) & 0xF];
    r += hex[fg & 0xF];
    r += static_cast<char>('0' + (bg & 7));
    r += static_cast<char>('0' + (mode & 3));
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096)
        return 0;
    fuzz::Input in(data, size);
    const int width = 1 + in.Byte() * 4;
    const int records = in.Byte() % 16;
    std::vector<std::size_t> positions;
    std::vector<int> colours;
    for (int i = 0; i < records; ++i) {
        positions.push_back(1 + in.Byte() + 256 * (in.Byte() % 4));
        colours.push_back(in.Byte());
    }
    const std::string text(in.Rest());
    std::sort(positions.begin(), positions.end());
    std::string attrs;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] > text.size())
            break;
        attrs += Record(positions[i], colours[i], colours[i] >> 4, colours[i] >> 3);
    }
    if (attrs.empty())
        attrs = " ";

    FixedMeasure measure;
    std::vector<screen::Row> rows;
    screen::WrapLine(measure, text, attrs, width, rows);
    std::string joined;
    screen::Colours carried;
    std::vector<screen::ColourRun> runs;
    for (const screen::Row &row : rows) {
        fuzz::Check(!row.text.empty() || text.empty(), "empty row");
        joined += row.text;
        screen::ColourRuns(row.text, row.attrs, carried, runs);
        std::size_t at = 0;
        for (const screen::ColourRun &run : runs) {
            fuzz::Check(run.length > 0, "empty run");
            fuzz::Check(run.start == at, "runs out of order, overlapping or with a gap");
            at = run.start + run.length;
        }
        fuzz::Check(at == row.text.size(), "runs do not cover the row");
    }
    fuzz::Check(joined == text, "rows do not hold the line's bytes");
    return 0;
}
