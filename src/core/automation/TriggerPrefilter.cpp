#include "core/automation/TriggerPrefilter.h"

#include <algorithm>
#include <cstring>

namespace automation {

namespace {

constexpr std::string_view kWildcard = "(*)";

inline std::uint32_t QuadHash(std::uint32_t q)
{
    return (q * 0x9E3779B1u) >> 16;
}

inline bool TestBit(const std::vector<std::uint64_t> &bits, std::uint32_t i)
{
    return (bits[i >> 6] >> (i & 63)) & 1u;
}

inline void SetBit(std::vector<std::uint64_t> &bits, std::uint32_t i)
{
    bits[i >> 6] |= std::uint64_t(1) << (i & 63);
}

} // namespace

std::string_view TriggerPrefilter::KeyPiece(std::string_view pattern)
{
    if (pattern.find(kWildcard) == std::string_view::npos)
        return pattern;
    if (pattern.substr(0, 3) == kWildcard)
        pattern.remove_prefix(3);
    std::string_view best;
    while (true) {
        std::size_t q = pattern.find(kWildcard);
        std::string_view piece = pattern.substr(0, q);
        if (piece.empty())
            return {}; // an empty piece is never found: the row never matches
        if (piece.size() > best.size())
            best = piece;
        if (q == std::string_view::npos)
            return best;
        pattern.remove_prefix(q + 3);
        if (pattern.empty())
            return best;
    }
}

void TriggerPrefilter::Build(const std::vector<std::string> &patterns)
{
    quad_.clear();
    pair_.clear();
    quadBloom_.assign(65536 / 64, 0);
    pairBits_.assign(65536 / 64, 0);
    for (auto &s : single_)
        s.clear();
    std::memset(singleBits_, 0, sizeof singleBits_);
    seen_.assign(patterns.size(), 0);
    stamp_ = 0;

    for (std::uint32_t row = 0; row < patterns.size(); ++row) {
        std::string_view key = KeyPiece(patterns[row]);
        if (key.size() >= 4) {
            std::uint32_t q;
            std::memcpy(&q, key.data(), 4);
            quad_[q].push_back(row);
            SetBit(quadBloom_, QuadHash(q));
        } else if (key.size() >= 2) {
            std::uint16_t p;
            std::memcpy(&p, key.data(), 2);
            pair_[p].push_back(row);
            SetBit(pairBits_, p);
        } else if (key.size() == 1) {
            unsigned char c = static_cast<unsigned char>(key[0]);
            single_[c].push_back(row);
            singleBits_[c >> 6] |= std::uint64_t(1) << (c & 63);
        }
    }
}

inline void TriggerPrefilter::Add(std::uint32_t row, std::vector<std::uint32_t> &out)
{
    if (seen_[row] != stamp_) {
        seen_[row] = stamp_;
        out.push_back(row);
    }
}

void TriggerPrefilter::Candidates(std::string_view line, std::vector<std::uint32_t> &out)
{
    out.clear();
    if (seen_.empty())
        return;
    if (++stamp_ == 0) { // wrapped: forget every old stamp
        std::fill(seen_.begin(), seen_.end(), 0);
        stamp_ = 1;
    }
    const char *d = line.data();
    const std::size_t n = line.size();
    if (!quad_.empty() && n >= 4) {
        // The hot loop: locals for the bit table so that nothing written in
        // the (rare) hit path makes the compiler reload it every byte.
        const std::uint64_t *bloom = quadBloom_.data();
        const std::size_t last = n - 4;
        for (std::size_t i = 0; i <= last; ++i) {
            std::uint32_t q;
            std::memcpy(&q, d + i, 4);
            const std::uint32_t h = QuadHash(q);
            if (!((bloom[h >> 6] >> (h & 63)) & 1u)) [[likely]]
                continue;
            auto it = quad_.find(q);
            if (it != quad_.end())
                for (std::uint32_t row : it->second)
                    Add(row, out);
        }
    }
    if (!pair_.empty() && n >= 2) {
        for (std::size_t i = 0; i + 2 <= n; ++i) {
            std::uint16_t p;
            std::memcpy(&p, d + i, 2);
            if (!TestBit(pairBits_, p))
                continue;
            auto it = pair_.find(p);
            if (it != pair_.end())
                for (std::uint32_t row : it->second)
                    Add(row, out);
        }
    }
    const bool anySingle = singleBits_[0] | singleBits_[1] | singleBits_[2] | singleBits_[3];
    for (std::size_t i = 0; anySingle && i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(d[i]);
        if ((singleBits_[c >> 6] >> (c & 63)) & 1u)
            for (std::uint32_t row : single_[c])
                Add(row, out);
    }
    std::sort(out.begin(), out.end());
}

} // namespace automation
