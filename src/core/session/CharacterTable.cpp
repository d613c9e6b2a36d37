#include "core/session/CharacterTable.h"

#include "core/session/Iconv.h"
#include "core/text/GbkText.h"

#include <cstring>
#include <string>
#include <string_view>

namespace session {

namespace {

// Whether `s` is exactly one GB18030 character of two or four bytes.
bool OneCharacter(std::string_view s)
{
    if (s.size() == 4)
        return gbk::IsFourByteAt(s, 0);
    const auto second = s.size() == 2 ? static_cast<unsigned char>(s[1]) : 0;
    return s.size() == 2 && gbk::IsLead(static_cast<unsigned char>(s[0])) && second >= 0x40 &&
           second <= 0xFE;
}

} // namespace

std::string Utf8Bytes(std::uint32_t cp)
{
    std::string s;
    if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
    } else {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    }
    s += static_cast<char>(0x80 | (cp & 0x3F));
    return s;
}

CharacterTable::CharacterTable(Encoding from)
    : entries_(std::make_unique<Entry[]>(kKeys))
    , pairs_(std::make_unique<Pair[]>(kKeys))
{
    const bool big5 = from == Encoding::kBig5;
    Iconv converter("GB18030", big5 ? Iconv::Big5Name() : "UTF-8");
    std::string converted, ignored;
    const auto fill = [&](std::uint32_t key, const std::string &bytes) {
        Entry &e = entries_[key];
        converted.clear();
        if (converter.Convert(bytes, converted).stop != Iconv::Stop::kEnd) {
            converter.Flush(ignored); // back to the initial state
            return;
        }
        if (OneCharacter(converted)) {
            std::memcpy(e.bytes, converted.data(), converted.size());
            if (converted.size() == 2)
                std::memcpy(pairs_[key].bytes, converted.data(), 2);
        } else {
            e.bytes[1] = kAsk;
        }
    };
    for (std::size_t key = 0; key < kKeys; ++key)
        entries_[key] = Entry{{kMarker, kBad, 0, 0}};
    if (big5) {
        for (const std::uint32_t single : {0x80u, 0xFFu})
            fill(single, std::string(1, static_cast<char>(single)));
        for (std::uint32_t key = 0x8100; key < 0xFF00; ++key)
            fill(key, {static_cast<char>(key >> 8), static_cast<char>(key & 0xFF)});
    } else {
        for (std::uint32_t cp = 0x80; cp < kKeys; ++cp)
            if (cp < 0xD800 || cp > 0xDFFF) // surrogates are no characters
                fill(cp, Utf8Bytes(cp));
    }
}

const CharacterTable &CharacterTable::For(Encoding from)
{
    // Built on first use, once, however many threads ask at once.
    if (from == Encoding::kBig5) {
        static const CharacterTable big5(Encoding::kBig5);
        return big5;
    }
    static const CharacterTable utf8(Encoding::kUtf8);
    return utf8;
}

} // namespace session
