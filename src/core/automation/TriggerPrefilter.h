// One pass over a line that names the trigger rows which can possibly match it,
// so the trigger scan costs about the same with 1000 rows as with 10.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace automation {

class TriggerPrefilter
{
public:
    // Indexes rows 0..patterns.size()-1. A row whose pattern can never match
    // (empty, "(*)" alone, two wildcards in a row) is left out entirely.
    void Build(const std::vector<std::string> &patterns);

    // Rows whose key piece may occur in `line`, ascending. Every row that
    // MatchPattern would accept is among them.
    void Candidates(std::string_view line, std::vector<std::uint32_t> &out);

    // The literal piece a row is indexed by: the longest piece of its pattern,
    // all of which must occur in a matching line. Empty when it can never match.
    static std::string_view KeyPiece(std::string_view pattern);

private:
    void Add(std::uint32_t row, std::vector<std::uint32_t> &out);

    // Keys of 4 bytes or more, by their first four bytes.
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> quad_;
    std::vector<std::uint64_t> quadBloom_; // 65536 bits over a hash of the quad
    // Keys of 2 or 3 bytes, by their first two bytes.
    std::unordered_map<std::uint16_t, std::vector<std::uint32_t>> pair_;
    std::vector<std::uint64_t> pairBits_; // 65536 bits
    // Keys of one byte.
    std::vector<std::uint32_t> single_[256];
    std::uint64_t singleBits_[4] = {};

    std::vector<std::uint32_t> seen_; // per row: the stamp of the last line it was added for
    std::uint32_t stamp_ = 0;
};

} // namespace automation
