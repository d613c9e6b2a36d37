#include "core/screen/PasteText.h"

#include "core/text/GbkText.h"

namespace screen {

namespace {

// True when the line must be quoted. Only whole characters count: the second
// byte of a double-byte character may be 0x22 or 0x2C without being a quote
// or a comma.
bool NeedsQuotes(std::string_view line)
{
    for (std::size_t i = 0; i < line.size(); i += gbk::CharLength(line, i)) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c <= 0x20 || c == '"' || c == ',')
            return true;
    }
    return false;
}

void AppendQuoted(std::string &out, std::string_view line)
{
    out += '"';
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t n = gbk::CharLength(line, i);
        if (n == 1 && line[i] == '"')
            out += '"';
        out.append(line.substr(i, n));
        i += n;
    }
    out += '"';
}

} // namespace

std::size_t PasteKeptLength(std::string_view text, std::size_t cap)
{
    if (text.size() <= cap)
        return text.size();
    // No second byte of a character is a CR or an LF, so a byte search is safe.
    const std::size_t end = cap == 0 ? std::string_view::npos : text.find_last_of("\r\n", cap - 1);
    if (end == std::string_view::npos)
        return gbk::BoundaryAtOrBelow(text, cap);
    return end + 1;
}

std::string JoinOneLine(const std::vector<std::string> &lines)
{
    if (lines.size() == 1 && lines.front().empty())
        return "\"\"";
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += ',';
        if (NeedsQuotes(lines[i]))
            AppendQuoted(out, lines[i]);
        else
            out += lines[i];
    }
    return out;
}

std::optional<std::string> BuildPasteText(std::string_view prefix,
                                          const std::vector<std::string> &lines,
                                          std::string_view delayText)
{
    // Checked before anything is built, so a bad delay sends nothing at all.
    const std::optional<std::int32_t> delay = gbk::ToInt(gbk::Trim(delayText));
    if (!delay)
        return std::nullopt;
    const std::string wait = "#WA " + std::to_string(*delay) + ";";
    std::string text;
    for (const std::string &line : lines) {
        if (gbk::Trim(line).empty())
            continue;
        text.append(prefix);
        text += ' ';
        text += line;
        text += ';';
        if (*delay != 0)
            text += wait;
    }
    return text;
}

} // namespace screen
