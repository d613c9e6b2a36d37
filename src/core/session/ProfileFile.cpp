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

// In the order the writer puts them; a file keeps that order.
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

// The section's marker without its control byte, for messages.
std::string_view NameOf(Section section)
{
    // clang-format off
    switch (section) {
    case Section::kNone:    break;
    case Section::kFont:    return "Font";
    case Section::kColor:   return "Color";
    case Section::kMachine: return "Machine";
    case Section::kFastKey: return "FastKey";
    case Section::kGroup:   return "CommandGroup";
    case Section::kRoad:    return "RoadSetting";
    case Section::kDirect:  return "DirectSet";
    }
    // clang-format on
    return {};
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

ProfileReadError Fault(ProfileFault fault, std::size_t number, std::string_view line)
{
    return ProfileReadError{fault, number, gbk::Excerpt(line), {}, false};
}

// One pass over the lines after the header, taking only what the writer
// writes: sections in its order, each ended by its end line (the trigger
// section by the next header), records whole. A record is kept only once it is
// whole, so the parallel lists never fall out of step.
class Reader
{
public:
    std::optional<ProfileReadError> Line(std::string_view line, std::size_t number)
    {
        if (!line.empty() && line.back() == kHeaderMark)
            return Marker(line, number);
        switch (state_) {
        case Section::kNone:
            return Fault(ProfileFault::kStrayLine, number, line);
        case Section::kFont: {
            const std::optional<screen::FontField> field = screen::ParseFontField(line);
            if (!field)
                return Fault(ProfileFault::kBadNumber, number, line);
            profile.font = Profile::Font{field->fontName, field->fontSize};
            break;
        }
        case Section::kColor:
            // The format carries 24 values; any further ones are ignored unread.
            if (colours_ < kProfileColours) {
                const std::optional<std::int32_t> value = gbk::ToInt(line);
                if (!value)
                    return Fault(ProfileFault::kBadNumber, number, line);
                profile.colours[static_cast<std::size_t>(colours_)] =
                    static_cast<screen::Colour>(static_cast<std::uint32_t>(*value));
            }
            ++colours_;
            break;
        case Section::kMachine:
            if (j_ < 3) {
                fields_[static_cast<std::size_t>(j_++)].assign(line);
                break;
            }
            if (const std::optional<bool> ended = Text(line); !ended) {
                return Fault(ProfileFault::kNoTextStart, number, line);
            } else if (*ended) {
                profile.triggers.AddRow(std::move(fields_[0]), std::move(fields_[1]),
                                        std::move(text_), std::move(fields_[2]));
                j_ = 0;
            }
            break;
        case Section::kFastKey:
            return Named(line, number, profile.hotkeys->hotkeyNames,
                         profile.hotkeys->hotkeyCommands);
        case Section::kGroup:
            return Named(line, number, profile.groups.groupNames, profile.groups.groupContents);
        case Section::kRoad:
            return Named(line, number, profile.paths.pathNames, profile.paths.pathTexts);
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

    // The end of the file, after `line`, number `number`: a clean end only
    // outside every section.
    std::optional<ProfileReadError> End(std::string_view line, std::size_t number) const
    {
        if (state_ == Section::kNone)
            return std::nullopt;
        return Open(ProfileFault::kEndsEarly, number, line);
    }

    Profile profile;

private:
    std::optional<ProfileReadError> Marker(std::string_view line, std::size_t number)
    {
        if (j_ != 0)
            return Open(ProfileFault::kCutOff, number, line); // a record is open
        // Every section ends with an end line but the trigger section, which
        // the next header ends.
        const bool endsWithOver = state_ != Section::kNone && state_ != Section::kMachine;
        if (line == kOver) {
            if (!endsWithOver)
                return Fault(ProfileFault::kStrayLine, number, line);
            state_ = Section::kNone;
            return std::nullopt;
        }
        const Section next = SectionOf(line);
        if (next == Section::kNone)
            return Fault(ProfileFault::kStrayLine, number, line); // an unknown marker
        if (endsWithOver)
            return Open(ProfileFault::kCutOff, number, line);
        if (next <= last_)
            return Fault(ProfileFault::kOutOfOrder, number, line);
        state_ = last_ = next;
        colours_ = 0;
        if (next == Section::kFastKey)
            profile.hotkeys = HotkeyLists{}; // a hotkey section replaces the hotkeys
        return std::nullopt;
    }

    // The open section, and whether a record of it is open, where reading stopped.
    ProfileReadError Open(ProfileFault fault, std::size_t number, std::string_view line) const
    {
        ProfileReadError error = Fault(fault, number, line);
        error.section = NameOf(state_);
        error.inRecord = j_ != 0;
        return error;
    }

    // A name line, then its text; the pair is added when the text ends.
    std::optional<ProfileReadError> Named(std::string_view line, std::size_t number,
                                          std::vector<std::string> &names,
                                          std::vector<std::string> &texts)
    {
        if (j_ == 0) {
            fields_[0].assign(line);
            j_ = 1;
            return std::nullopt;
        }
        const std::optional<bool> ended = Text(line);
        if (!ended)
            return Fault(ProfileFault::kNoTextStart, number, line);
        if (*ended) {
            names.push_back(std::move(fields_[0]));
            texts.push_back(std::move(text_));
            j_ = 0;
        }
        return std::nullopt;
    }

    // One line of a record's text, which opens with the start line: true when
    // the line ends the text, std::nullopt when the text does not open.
    std::optional<bool> Text(std::string_view line)
    {
        if (!textOpen_) {
            if (line != kTextStart)
                return std::nullopt;
            textOpen_ = true;
            text_.clear();
            return false;
        }
        if (line == kTextStart) {
            text_.clear(); // a second start line starts the text again
        } else if (line == kTextEnd) {
            textOpen_ = false;
            return true;
        } else {
            Gather(text_, line);
        }
        return false;
    }

    Section state_ = Section::kNone; // the open section
    Section last_ = Section::kNone;  // the last section begun, for their order
    int j_ = 0;                      // lines of the open record read so far
    int colours_ = 0;                // colour lines of the colour section so far
    bool textOpen_ = false;
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
    std::string_view line;
    // Lines end at CR, LF or CR LF; a final line end starts no empty line.
    while (b < bytes.size()) {
        std::size_t e = b;
        while (e < bytes.size() && bytes[e] != '\r' && bytes[e] != '\n')
            ++e;
        line = bytes.substr(b, e - b);
        if (e < bytes.size())
            e += bytes[e] == '\r' && e + 1 < bytes.size() && bytes[e + 1] == '\n' ? 2 : 1;
        b = e;
        ++number;
        if (number == 1) {
            if (line != kHeader) {
                result.error = ProfileReadError{ProfileFault::kNotAProfile, 1, {}, {}, false};
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
        result.error = ProfileReadError{ProfileFault::kEmpty, 0, {}, {}, false};
        return result;
    }
    if (std::optional<ProfileReadError> error = reader.End(line, number)) {
        result.error = std::move(error);
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
