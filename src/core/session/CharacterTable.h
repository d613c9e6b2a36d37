// What each character of UTF-8's first plane, or each Big5 byte pair, becomes
// in the core's text (GB18030), asked of iconv once per character when the
// first decoder of that encoding is made, and then read by every decoder of
// the program, on any thread. The table is indexed by the character's key:
// the code point for UTF-8, lead and second byte for Big5 (a byte of 0x80 or
// 0xFF alone: the byte). Built in a few milliseconds; 384 KB each.
#pragma once

#include "core/session/Encoding.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace session {

// The UTF-8 bytes of a code point of the first plane from 0x80 on.
std::string Utf8Bytes(std::uint32_t cp);

class CharacterTable
{
public:
    static constexpr std::size_t kKeys = 0x10000;

    // One character's conversion: one GB18030 character of two or four
    // bytes (the second byte tells which), or, with a first byte of 0xFF
    // (never a GB18030 lead), a character that does not convert (kBad) or
    // one that is not a single GB18030 character (kAsk: a Big5-HKSCS
    // character may be two code points), converted by iconv each time.
    struct Entry
    {
        unsigned char bytes[4];
        bool known() const { return bytes[0] != kMarker; }
        bool ask() const { return bytes[0] == kMarker && bytes[1] == kAsk; }
        std::size_t length() const { return 2 + 2 * std::size_t(unsigned(bytes[1] - 0x30) < 10u); }
    };
    static constexpr unsigned char kMarker = 0xFF, kBad = 0, kAsk = 0xFE;

    // The same for the characters that become two bytes, nearly all of them,
    // half the size to read: the two bytes, or zeros for any other entry.
    struct Pair
    {
        unsigned char bytes[2];
        bool known() const { return bytes[0] != 0; }
    };

    // The table for kUtf8 or kBig5.
    static const CharacterTable &For(Encoding from);

    const Entry *entries() const { return entries_.get(); }
    const Pair *pairs() const { return pairs_.get(); }

private:
    explicit CharacterTable(Encoding from);

    std::unique_ptr<Entry[]> entries_;
    std::unique_ptr<Pair[]> pairs_;
};

} // namespace session
