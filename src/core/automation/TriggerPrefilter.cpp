#include "core/automation/TriggerPrefilter.h"

#include <algorithm>
#include <unordered_map>

namespace automation {

namespace {
constexpr std::string_view kWildcard = "(*)";
}

bool TriggerPrefilter::LiteralPieces(std::string_view pattern, std::vector<std::string_view> &out)
{
    out.clear();
    if (pattern.substr(0, 3) == kWildcard)
        pattern.remove_prefix(3);
    while (true) {
        const std::size_t q = pattern.find(kWildcard);
        const std::string_view piece = pattern.substr(0, q);
        if (piece.empty())
            return false; // an empty piece is never found: the row never matches
        out.push_back(piece);
        if (q == std::string_view::npos)
            return true;
        pattern.remove_prefix(q + 3);
        if (pattern.empty())
            return true;
    }
}

void TriggerPrefilter::Build(const std::vector<std::string> &patterns, std::size_t rows)
{
    pieces_.clear();
    std::unordered_map<std::string_view, std::uint32_t> ids;
    std::vector<std::uint32_t> rowsSharing; // per piece
    rowStart_.assign(1, 0);
    rowPieces_.clear();
    std::vector<std::string_view> split;
    // The pieces are views into `patterns` until they are copied to pieces_.
    for (std::size_t row = 0; row < patterns.size(); ++row) {
        const std::size_t begin = rowPieces_.size();
        if (row < rows && LiteralPieces(patterns[row], split)) {
            for (std::string_view piece : split) {
                auto [it, fresh] = ids.try_emplace(piece, static_cast<std::uint32_t>(ids.size()));
                if (fresh)
                    rowsSharing.push_back(0);
                const auto mine = rowPieces_.begin() + static_cast<std::ptrdiff_t>(begin);
                if (std::find(mine, rowPieces_.end(), it->second) != rowPieces_.end())
                    continue; // the same piece twice in one row
                rowPieces_.push_back(it->second);
                ++rowsSharing[it->second];
            }
        }
        rowStart_.push_back(static_cast<std::uint32_t>(rowPieces_.size()));
    }

    std::vector<std::string_view> byId(ids.size());
    for (const auto &[piece, id] : ids)
        byId[id] = piece;
    pieces_.assign(byId.begin(), byId.end());

    // File each row under its rarest piece; of equally shared ones the
    // longest, which a line holds less often.
    std::vector<std::uint32_t> keyOf(patterns.size(), UINT32_MAX);
    std::vector<std::uint32_t> keyedCount(pieces_.size() + 1, 0);
    for (std::size_t row = 0; row + 1 < rowStart_.size(); ++row) {
        for (std::uint32_t i = rowStart_[row]; i < rowStart_[row + 1]; ++i) {
            const std::uint32_t p = rowPieces_[i];
            const std::uint32_t k = keyOf[row];
            if (k == UINT32_MAX || rowsSharing[p] < rowsSharing[k] ||
                (rowsSharing[p] == rowsSharing[k] && byId[p].size() > byId[k].size()))
                keyOf[row] = p;
        }
        if (keyOf[row] != UINT32_MAX)
            ++keyedCount[keyOf[row] + 1];
    }
    keyedStart_.assign(pieces_.size() + 1, 0);
    for (std::size_t p = 0; p < pieces_.size(); ++p)
        keyedStart_[p + 1] = keyedStart_[p] + keyedCount[p + 1];
    keyedRows_.assign(keyedStart_.back(), 0);
    std::vector<std::uint32_t> fill(keyedStart_.begin(), keyedStart_.end() - 1);
    for (std::size_t row = 0; row < keyOf.size(); ++row)
        if (keyOf[row] != UINT32_MAX)
            keyedRows_[fill[keyOf[row]]++] = static_cast<std::uint32_t>(row);

    std::vector<std::string_view> views(pieces_.begin(), pieces_.end());
    automaton_.Build(views);
    foundIn_.assign(pieces_.size(), 0);
    found_.clear();
    line_ = 0;
}

void TriggerPrefilter::Candidates(std::string_view line, std::vector<std::uint32_t> &out)
{
    out.clear();
    if (pieces_.empty())
        return;
    if (++line_ == 0) { // wrapped: forget every old mark
        std::fill(foundIn_.begin(), foundIn_.end(), 0);
        line_ = 1;
    }
    found_.clear();
    automaton_.Scan(line, [&](std::int32_t piece) {
        foundIn_[static_cast<std::size_t>(piece)] = line_;
        found_.push_back(static_cast<std::uint32_t>(piece));
    });
    for (std::uint32_t piece : found_) {
        for (std::uint32_t k = keyedStart_[piece]; k < keyedStart_[piece + 1]; ++k) {
            const std::uint32_t row = keyedRows_[k];
            bool all = true;
            for (std::uint32_t i = rowStart_[row]; all && i < rowStart_[row + 1]; ++i)
                all = foundIn_[rowPieces_[i]] == line_;
            if (all)
                out.push_back(row);
        }
    }
    std::sort(out.begin(), out.end());
}

} // namespace automation
