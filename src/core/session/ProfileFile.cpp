#include "core/session/ProfileFile.h"

#include "core/screen/FontFields.h"
#include "core/text/GbkText.h"

namespace session {

namespace {

// Marker lines, control byte included.
constexpr std::string_view kHeader = "QVl\x03";
constexpr std::string_view kFontSection = "Font\x03";
constexpr std::string_view kColorSection = "Color\x03";
constexpr std::string_view kMachineSection = "Machine\x03";
constexpr std::string_view kFastKeySection = "FastKey\x03";
constexpr std::string_view kGroupSection = "CommandGroup\x03";
constexpr std::string_view kRoadSection = "RoadSetting\x03";
constexpr std::string_view kDirectSection = "DirectSet\x03";
constexpr std::string_view kOver = "over\x03";
constexpr std::string_view kTextStart = "cmdstart\x08";
constexpr std::string_view kTextEnd = "cmdover\x08";
constexpr char kHeaderMark = '\x03';

enum class Section { kNone, kFont, kColor, kMachine, kFastKey, kGroup, kRoad, kDirect };

Section SectionOf(std::string_view line)
{
    // clang-format off
    if (line == kFontSection)     return Section::kFont;
    if (line == kColorSection)    return Section::kColor;
    if (line == kMachineSection)  return Section::kMachine;
    if (line == kFastKeySection)  return Section::kFastKey;
    if (line == kGroupSection)    return Section::kGroup;
    if (line == kRoadSection)     return Section::kRoad;
    if (line == kDirectSection)   return Section::kDirect;
    // clang-format on
    return Section::kNone; // "over" and any other line ending in the header mark
}

void AddLine(std::string &out, std::string_view line)
{
    out += line;
    out += "\r\n";
}

// A multi-line text between the text markers; its own CR LF breaks make its lines.
void AddText(std::string &out, std::string_view text)
{
    AddLine(out, kTextStart);
    AddLine(out, text);
    AddLine(out, kTextEnd);
}

void AddNamedTexts(std::string &out, std::string_view section,
                   const std::vector<std::string> &names, const std::vector<std::string> &texts)
{
    AddLine(out, section);
    for (std::size_t i = 0; i < names.size(); ++i) {
        AddLine(out, names[i]);
        AddText(out, i < texts.size() ? std::string_view(texts[i]) : std::string_view());
    }
    AddLine(out, kOver);
}

// Adds a line to a gathered text. Blank lines inside a text fall out and the
// lines before the last lose their trailing blanks (the first also its leading
// ones), so a text in that form reads back as it was written.
void Gather(std::string &t, std::string_view line)
{
    if (t.empty()) {
        t.assign(line);
        return;
    }
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!t.empty() && blank(t.back()))
        t.pop_back();
    std::size_t lead = 0;
    while (lead < t.size() && blank(t[lead]))
        ++lead;
    t.erase(0, lead);
    t += "\r\n";
    t += line;
}

// One pass over the lines after the header. A record is kept only once it is
// whole, so the parallel lists never fall out of step, even in a cut-off file.
class Reader
{
public:
    std::optional<ProfileReadError> Line(std::string_view line, std::size_t number)
    {
        if (!line.empty() && line.back() == kHeaderMark) {
            Enter(SectionOf(line));
            return std::nullopt;
        }
        switch (state_) {
        case Section::kNone:
            break;
        case Section::kFont: {
            const std::optional<screen::FontField> field = screen::ParseFontField(line);
            if (!field)
                return ProfileReadError{ProfileFault::kBadNumber, number, std::string(line)};
            profile.font = Profile::Font{field->fontName, field->fontSize};
            break;
        }
        case Section::kColor:
            // The format carries 24 values; any further ones are ignored unread.
            if (j_ < kProfileColours) {
                const std::optional<std::int32_t> value = gbk::ToInt(line);
                if (!value)
                    return ProfileReadError{ProfileFault::kBadNumber, number, std::string(line)};
                profile.colours[static_cast<std::size_t>(j_)] =
                    static_cast<screen::Colour>(static_cast<std::uint32_t>(*value));
            }
            ++j_;
            break;
        case Section::kMachine:
            if (j_ < 3) {
                fields_[static_cast<std::size_t>(j_)].assign(line);
                if (++j_ == 3)
                    text_.clear();
            } else if (GatherText(line)) {
                profile.triggers.AddRow(std::move(fields_[0]), std::move(fields_[1]),
                                        std::move(text_), std::move(fields_[2]));
                j_ = 0;
            }
            break;
        case Section::kFastKey:
            Named(line, profile.hotkeys->hotkeyNames, profile.hotkeys->hotkeyCommands);
            break;
        case Section::kGroup:
            Named(line, profile.groups.groupNames, profile.groups.groupContents);
            break;
        case Section::kRoad:
            Named(line, profile.paths.pathNames, profile.paths.pathTexts);
            break;
        case Section::kDirect:
            if (j_ == 0) {
                fields_[0].assign(line);
                j_ = 1;
            } else {
                profile.directions.forwardDirections.push_back(std::move(fields_[0]));
                profile.directions.reverseDirections.emplace_back(line);
                j_ = 0;
            }
            break;
        }
        return std::nullopt;
    }

    Profile profile;

private:
    void Enter(Section section)
    {
        state_ = section;
        j_ = 0;
        if (section == Section::kFastKey)
            profile.hotkeys = HotkeyLists{}; // a hotkey section replaces the hotkeys
    }

    // A name line, then its text; the pair is added when the text ends.
    void Named(std::string_view line, std::vector<std::string> &names,
               std::vector<std::string> &texts)
    {
        if (j_ == 0) {
            fields_[0].assign(line);
            text_.clear();
            j_ = 1;
        } else if (GatherText(line)) {
            names.push_back(std::move(fields_[0]));
            texts.push_back(std::move(text_));
            j_ = 0;
        }
    }

    // True when the line ends the text.
    bool GatherText(std::string_view line)
    {
        if (line == kTextStart)
            text_.clear();
        else if (line == kTextEnd)
            return true;
        else
            Gather(text_, line);
        return false;
    }

    Section state_ = Section::kNone;
    int j_ = 0;
    std::string fields_[3];
    std::string text_;
};

} // namespace

std::string WriteProfile(const Profile &profile)
{
    std::string out;
    AddLine(out, kHeader);

    AddLine(out, kFontSection);
    if (profile.font)
        AddLine(out, screen::FontFieldText(profile.font->fontName, profile.font->fontSize));
    AddLine(out, kOver);

    AddLine(out, kColorSection);
    for (const std::optional<screen::Colour> &colour : profile.colours) {
        // Written as the signed number it was read as.
        if (colour)
            AddLine(out, std::to_string(static_cast<std::int32_t>(*colour)));
    }
    AddLine(out, kOver);

    // The trigger section has no end line: the next section header ends it.
    AddLine(out, kMachineSection);
    const automation::TriggerTable &t = profile.triggers;
    for (std::size_t i = 0; i < t.size(); ++i) {
        AddLine(out, t.triggerEnabled[i]);
        AddLine(out, t.triggerPatterns[i]);
        AddLine(out, t.triggerGroups[i]);
        AddText(out, t.triggerCommands[i]);
    }

    static const HotkeyLists kNoHotkeys;
    const HotkeyLists &hotkeys = profile.hotkeys ? *profile.hotkeys : kNoHotkeys;
    AddNamedTexts(out, kFastKeySection, hotkeys.hotkeyNames, hotkeys.hotkeyCommands);
    AddNamedTexts(out, kGroupSection, profile.groups.groupNames, profile.groups.groupContents);
    AddNamedTexts(out, kRoadSection, profile.paths.pathNames, profile.paths.pathTexts);

    AddLine(out, kDirectSection);
    const DirectionPairs &d = profile.directions;
    for (std::size_t i = 0; i < d.forwardDirections.size() && i < d.reverseDirections.size(); ++i) {
        AddLine(out, d.forwardDirections[i]);
        AddLine(out, d.reverseDirections[i]);
    }
    AddLine(out, kOver);
    return out;
}

ProfileReadResult ReadProfile(std::string_view bytes)
{
    ProfileReadResult result;
    Reader reader;
    std::size_t number = 0;
    std::size_t b = 0;
    // Lines end at CR, LF or CR LF; a final line end starts no empty line.
    while (b < bytes.size()) {
        std::size_t e = b;
        while (e < bytes.size() && bytes[e] != '\r' && bytes[e] != '\n')
            ++e;
        const std::string_view line = bytes.substr(b, e - b);
        if (e < bytes.size())
            e += bytes[e] == '\r' && e + 1 < bytes.size() && bytes[e + 1] == '\n' ? 2 : 1;
        b = e;
        ++number;
        if (number == 1) {
            if (line != kHeader) {
                result.error = ProfileReadError{ProfileFault::kNotAProfile, 1, {}};
                return result;
            }
            continue;
        }
        if (std::optional<ProfileReadError> error = reader.Line(line, number)) {
            result.error = std::move(error);
            return result;
        }
    }
    if (number == 0) {
        result.error = ProfileReadError{ProfileFault::kEmpty, 0, {}};
        return result;
    }
    result.profile = std::move(reader.profile);
    return result;
}

void PutLook(Profile &profile, const screen::ScreenLook &look)
{
    profile.font = Profile::Font{look.fontName, look.fontSize};
    for (int i = 0; i < kProfileColours; ++i)
        profile.colours[static_cast<std::size_t>(i)] = look.PaletteSlot(i);
}

screen::ScreenLook LookAfter(const Profile &profile, screen::ScreenLook look)
{
    if (profile.font) {
        look.fontName = screen::FitFontName(profile.font->fontName);
        look.fontSize = profile.font->fontSize;
    }
    for (int i = 0; i < kProfileColours; ++i) {
        const std::optional<screen::Colour> &colour = profile.colours[static_cast<std::size_t>(i)];
        if (colour)
            look.PaletteSlot(i) = *colour;
    }
    return look;
}

} // namespace session
