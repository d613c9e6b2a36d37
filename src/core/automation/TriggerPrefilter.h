// One pass over a line that names the trigger rows which can possibly match it,
// so the trigger scan costs about the same with 1000 rows as with 10, even
// when many rows share their first words.
#pragma once

#include "core/automation/AhoCorasick.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace automation {

class TriggerPrefilter
{
public:
    // Indexes rows 0..rows-1 (every row by default). A row whose pattern can
    // never match (empty, "(*)" alone, two wildcards in a row) is left out.
    void Build(const std::vector<std::string> &patterns, std::size_t rows = SIZE_MAX);

    // Rows all of whose literal pieces occur in `line`, ascending. Every row
    // that MatchPattern would accept is among them.
    void Candidates(std::string_view line, std::vector<std::uint32_t> &out);

    // The literal pieces of a pattern, all of which a matching line holds, in
    // order. False when the pattern can never match.
    static bool LiteralPieces(std::string_view pattern, std::vector<std::string_view> &out);

private:
    std::vector<std::string> pieces_; // distinct pieces of every row; index = piece id
    AhoCorasick automaton_;
    // Each row is filed under one of its pieces, the one fewest rows share, so
    // a piece common to a whole family of rows does not make them all
    // candidates. keyedRows_[keyedStart_[p] .. keyedStart_[p + 1]) are piece p's.
    std::vector<std::uint32_t> keyedStart_;
    std::vector<std::uint32_t> keyedRows_;
    // rowPieces_[rowStart_[r] .. rowStart_[r + 1]) are the pieces of row r.
    std::vector<std::uint32_t> rowStart_;
    std::vector<std::uint32_t> rowPieces_;

    std::vector<std::uint32_t> foundIn_; // per piece: the line it was last found in
    std::vector<std::uint32_t> found_;   // pieces found in the current line
    std::uint32_t line_ = 0;
};

} // namespace automation
