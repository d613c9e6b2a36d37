#include "core/automation/CommandSplit.h"

#include "core/text/GbkText.h"

namespace automation {

namespace {

void EndWithLf(std::string &text)
{
    if (text.empty() || text.back() != '\n')
        text += '\n';
}

} // namespace

std::string SplitIntoLines(std::string_view input)
{
    constexpr std::size_t npos = std::string_view::npos;
    // The text ends with LF before it is split: ‘a;’ is two commands, the
    // second an empty line.
    std::string ended(input);
    EndWithLf(ended);
    const std::string_view text = ended;
    std::string out;
    out.reserve(text.size() + 2);
    // ";" is below 0x40 and so never a second byte: a byte search finds it,
    // and every position after one is a character boundary again, as is every
    // position after a "}" found character-wise.
    std::size_t pos = 0;
    std::size_t semi = text.find(';');
    // The next brace of each kind at or after `pos`, found character-wise (a
    // brace can be the second byte of a double-byte character); each scan only
    // moves forward, so the whole pass stays linear.
    std::size_t open = gbk::FindCharwise(text, '{', 0);
    std::size_t close = gbk::FindCharwise(text, '}', 0);
    while (semi != npos) {
        if (open != npos && close != npos) {
            out.append(text.substr(pos, close + 1 - pos));
            pos = close + 1;
        } else {
            out.append(text.substr(pos, semi - pos));
            out += '\n';
            pos = semi + 1;
        }
        if (semi < pos)
            semi = text.find(';', pos);
        if (open != npos && open < pos)
            open = gbk::FindCharwise(text, '{', pos);
        if (close != npos && close < pos)
            close = gbk::FindCharwise(text, '}', pos);
    }
    out.append(text.substr(pos));
    EndWithLf(out);
    return out;
}

std::vector<std::string_view> CommandLines(std::string_view splitText)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < splitText.size()) {
        const std::size_t lf = splitText.find('\n', pos);
        if (lf == std::string_view::npos)
            break;
        lines.push_back(gbk::TrimLeft(splitText.substr(pos, lf + 1 - pos)));
        pos = lf + 1;
    }
    return lines;
}

} // namespace automation
