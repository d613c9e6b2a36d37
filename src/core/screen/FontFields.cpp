#include "core/screen/FontFields.h"

#include "core/text/GbkText.h"

namespace screen {

std::string FitFontName(std::string_view name)
{
    // Byte 99 may be the second half of a character: the whole character goes.
    return std::string(name.substr(0, gbk::BoundaryAtOrBelow(name, kFontNameMax)));
}

std::string FontFieldText(std::string_view fontName, int fontSize)
{
    std::string text(fontName);
    text += ',';
    text += std::to_string(fontSize);
    return text;
}

std::optional<FontField> ParseFontField(std::string_view text)
{
    const std::size_t comma = text.find(',');
    const std::string_view name = comma == std::string_view::npos ? "" : text.substr(0, comma);
    const std::string_view size = comma == std::string_view::npos ? text : text.substr(comma + 1);
    const std::optional<std::int32_t> value = gbk::ToInt(size);
    if (!value)
        return std::nullopt;
    return FontField{FitFontName(name), *value};
}

std::optional<int> ParseLineSpacing(std::string_view text)
{
    if (text.empty())
        return 0;
    const std::optional<std::int32_t> value = gbk::ToInt(text);
    if (!value || *value < 0)
        return std::nullopt;
    return *value;
}

} // namespace screen
