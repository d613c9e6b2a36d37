// Finds which of many byte strings occur in a text, in one pass over the text
// whatever their number: an Aho-Corasick automaton over bytes. The trigger
// prefilter runs every line through it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace automation {

class AhoCorasick
{
public:
    // Builds the automaton for `pieces`; piece i is reported as id i. The
    // pieces must be distinct and not empty.
    void Build(const std::vector<std::string_view> &pieces);

    // Calls found(id) once for each piece that occurs in `text`, in the order
    // of their first occurrence's end.
    template <class Found> void Scan(std::string_view text, Found &&found);

    bool empty() const { return nodes_.size() <= 1; }

private:
    struct Node
    {
        std::int32_t fail = 0;    // longest proper suffix that is also a prefix of a piece
        std::int32_t report = -1; // this node or the nearest one on the fail chain ending a piece
        std::int32_t piece = -1;  // the piece ending exactly here
        std::int32_t firstEdge = 0;
        std::int32_t edgeCount = 0;
        std::int32_t dense = -1; // index into dense_ when the node has many edges
    };
    struct Edge
    {
        unsigned char byte;
        std::int32_t target;
    };
    static constexpr std::int32_t kNone = -1;
    // A node with more edges than this gets a 256-entry table instead of a list.
    static constexpr std::int32_t kDenseFrom = 4;

    std::int32_t Child(std::int32_t node, unsigned char c) const;
    // Can a piece start at text[i]? Read from small bit tables that stay in
    // the first-level cache, so most bytes never touch the automaton:
    // one-byte pieces by their byte, two- and three-byte ones by their first
    // two bytes, longer ones by a hash of their first four, confirmed
    // against the set of those four-byte starts.
    static std::uint32_t QuadHash(std::uint32_t quad) { return (quad * 0x9E3779B1u) >> 16; }
    static bool Bit(const std::uint64_t *bits, std::uint32_t i)
    {
        return (bits[i >> 6] >> (i & 63)) & 1u;
    }
    bool MayStart(std::string_view text, std::size_t i) const
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (Bit(singles_, c))
            return true;
        if (i + 1 >= text.size())
            return false;
        if (Bit(pairs_.data(), c << 8 | static_cast<unsigned char>(text[i + 1])))
            return true;
        if (i + 4 > text.size())
            return false;
        std::uint32_t quad;
        std::memcpy(&quad, text.data() + i, 4);
        // The bit table is a quick no; a yes is checked against the quads
        // themselves, or with many pieces the scan would run far too often.
        if (!Bit(quads_.data(), QuadHash(quad)))
            return false;
        for (std::size_t s = QuadSlot(quad); quadSet_[s] != 0; s = (s + 1) & (quadSet_.size() - 1))
            if (quadSet_[s] == QuadKey(quad))
                return true;
        return false;
    }
    // A quad in the set: never 0, which marks a free slot.
    static std::uint64_t QuadKey(std::uint32_t quad) { return std::uint64_t(1) << 32 | quad; }
    std::size_t QuadSlot(std::uint32_t quad) const
    {
        return (std::uint64_t(quad) * 0x9E3779B97F4A7C15ull >> 32) & (quadSet_.size() - 1);
    }
    std::int32_t Next(std::int32_t node, unsigned char c) const;

    std::vector<Node> nodes_; // node 0 is the root
    std::vector<Edge> edges_; // each node's edges, together and sorted by byte
    std::vector<std::int32_t> dense_;
    std::uint64_t singles_[4] = {};      // 256 bits
    std::vector<std::uint64_t> pairs_;   // 65536 bits
    std::vector<std::uint64_t> quads_;   // 65536 bits
    std::vector<std::uint64_t> quadSet_; // the first four bytes of longer pieces (QuadKey; 0: free)
    std::size_t longest_ = 0;            // bytes of the longest piece
    std::vector<std::uint32_t> reported_; // per node: the scan that last reported it
    std::uint32_t scan_ = 0;
};

inline std::int32_t AhoCorasick::Child(std::int32_t node, unsigned char c) const
{
    const Node &n = nodes_[static_cast<std::size_t>(node)];
    if (n.dense >= 0)
        return dense_[static_cast<std::size_t>(n.dense) * 256 + c];
    const Edge *e = edges_.data() + n.firstEdge;
    for (std::int32_t i = 0; i < n.edgeCount; ++i)
        if (e[i].byte == c)
            return e[i].target;
    return kNone;
}

inline std::int32_t AhoCorasick::Next(std::int32_t node, unsigned char c) const
{
    while (true) {
        const std::int32_t child = Child(node, c);
        if (child != kNone)
            return child;
        if (node == 0)
            return 0;
        node = nodes_[static_cast<std::size_t>(node)].fail;
    }
}

template <class Found> void AhoCorasick::Scan(std::string_view text, Found &&found)
{
    if (empty())
        return;
    if (++scan_ == 0) { // wrapped: forget every old mark
        std::fill(reported_.begin(), reported_.end(), 0);
        scan_ = 1;
    }
    // The automaton only runs where a piece may be under way: from a byte
    // where one may start until the longest piece from there has ended.
    // Elsewhere no piece can be part way through, so the state is the root.
    std::int32_t state = 0;
    std::size_t until = 0; // the automaton runs while i < until
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (MayStart(text, i))
            until = std::max(until, i + longest_);
        if (i >= until) {
            state = 0;
            continue;
        }
        state = Next(state, static_cast<unsigned char>(text[i]));
        // Every piece ending here lies on the report chain. A node reported
        // earlier in this scan had its whole chain reported with it, so the
        // walk stops there and each piece costs one visit per scan.
        for (std::int32_t r = nodes_[static_cast<std::size_t>(state)].report;
             r != kNone && reported_[static_cast<std::size_t>(r)] != scan_;
             r = nodes_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(r)].fail)]
                     .report) {
            reported_[static_cast<std::size_t>(r)] = scan_;
            found(nodes_[static_cast<std::size_t>(r)].piece);
        }
    }
}

} // namespace automation
