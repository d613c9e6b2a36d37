// The rules of the font dialog's fields, free of widgets: the font field
// "face,size", the line-spacing field, and the longest face name a screen keeps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace screen {

// A face name is kept in at most this many bytes.
inline constexpr std::size_t kFontNameMax = 99;

// Cuts a face name to kFontNameMax bytes, never inside a double-byte character.
std::string FitFontName(std::string_view name);

// The font field's text: face name, ",", size in decimal.
std::string FontFieldText(std::string_view fontName, int fontSize);

struct FontField
{
    std::string fontName; // the bytes before the first ",", fitted
    int fontSize = 0;
};

// Splits a font field (or a profile's font line) at its first ",": the face
// before, the size after. Without a "," the face is empty and the whole text is
// the size. Empty when the size is not a decimal integer.
std::optional<FontField> ParseFontField(std::string_view text);

// The line-spacing field on confirm: empty counts as 0; otherwise a decimal
// integer of at least 0. Empty when the text is anything else.
std::optional<int> ParseLineSpacing(std::string_view text);

} // namespace screen
