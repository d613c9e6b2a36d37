// Watches received game text for the name prompt's mark "名" until it has been
// seen once. The text arrives in reads of any size and may break a
// double-byte character between two reads.
#pragma once

#include <cstddef>
#include <string_view>

namespace session {

class NameMarkScanner
{
public:
    // "名" in GBK.
    static constexpr std::string_view kMark = "\xC3\xFB";

    // Scans one read, character-wise: the mark counts only where it begins on
    // a character boundary. The boundary is tracked forward from the first
    // byte ever received, across reads, so each byte is looked at once at
    // most. True once the mark has been seen, in this read or an earlier one.
    bool Feed(std::string_view bytes);

    bool seen() const { return seen_; }
    // Bytes looked at so far (the scan stops at the mark).
    std::size_t bytesScanned() const { return scanned_; }

private:
    bool seen_ = false;
    bool inCharacter_ = false; // the last byte was a lead byte: the next is its second
    unsigned char lead_ = 0;
    std::size_t scanned_ = 0;
};

} // namespace session
