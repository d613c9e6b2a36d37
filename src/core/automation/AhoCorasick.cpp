#include "core/automation/AhoCorasick.h"

#include <algorithm>
#include <cstring>

namespace automation {

void AhoCorasick::Build(const std::vector<std::string_view> &pieces)
{
    // The tables that tell where a piece may start.
    std::fill(std::begin(singles_), std::end(singles_), 0);
    pairs_.assign(65536 / 64, 0);
    quads_.assign(65536 / 64, 0);
    auto set = [](std::uint64_t *bits, std::uint32_t i) {
        bits[i >> 6] |= std::uint64_t(1) << (i & 63);
    };
    longest_ = 0;
    std::vector<std::uint32_t> quadList; // the first four bytes of longer pieces
    for (std::string_view piece : pieces) {
        longest_ = std::max(longest_, piece.size());
        const auto c = static_cast<unsigned char>(piece[0]);
        if (piece.size() == 1) {
            set(singles_, c);
        } else if (piece.size() < 4) {
            set(pairs_.data(), c << 8 | static_cast<unsigned char>(piece[1]));
        } else {
            std::uint32_t quad;
            std::memcpy(&quad, piece.data(), 4);
            set(quads_.data(), QuadHash(quad));
            quadList.push_back(quad);
        }
    }
    std::sort(quadList.begin(), quadList.end());
    quadList.erase(std::unique(quadList.begin(), quadList.end()), quadList.end());
    // The quads again as an open-addressed set at most a quarter full, so
    // that a yes from the bit table is confirmed in about one probe.
    std::size_t slots = 16;
    while (slots < 4 * quadList.size())
        slots *= 2;
    quadSet_.assign(slots, 0);
    for (const std::uint32_t quad : quadList) {
        std::size_t i = QuadSlot(quad);
        while (quadSet_[i] != 0)
            i = (i + 1) & (quadSet_.size() - 1);
        quadSet_[i] = QuadKey(quad);
    }

    // The trie, each node's edges in a list of its own.
    std::vector<std::vector<Edge>> trie(1);
    nodes_.assign(1, Node{});
    for (std::size_t id = 0; id < pieces.size(); ++id) {
        std::int32_t at = 0;
        for (const char ch : pieces[id]) {
            const auto c = static_cast<unsigned char>(ch);
            auto &list = trie[static_cast<std::size_t>(at)];
            auto it =
                std::find_if(list.begin(), list.end(), [c](const Edge &e) { return e.byte == c; });
            if (it != list.end()) {
                at = it->target;
                continue;
            }
            const auto fresh = static_cast<std::int32_t>(nodes_.size());
            list.push_back({c, fresh});
            nodes_.emplace_back();
            trie.emplace_back();
            at = fresh;
        }
        if (at != 0)
            nodes_[static_cast<std::size_t>(at)].piece = static_cast<std::int32_t>(id);
    }

    // Then every list side by side, sorted, with a table for the busy nodes.
    edges_.clear();
    dense_.clear();
    for (std::size_t n = 0; n < trie.size(); ++n) {
        auto &list = trie[n];
        std::sort(list.begin(), list.end(),
                  [](const Edge &a, const Edge &b) { return a.byte < b.byte; });
        Node &node = nodes_[n];
        node.firstEdge = static_cast<std::int32_t>(edges_.size());
        node.edgeCount = static_cast<std::int32_t>(list.size());
        edges_.insert(edges_.end(), list.begin(), list.end());
        if (n == 0 || node.edgeCount > kDenseFrom) {
            node.dense = static_cast<std::int32_t>(dense_.size() / 256);
            dense_.resize(dense_.size() + 256, kNone);
            for (const Edge &e : list)
                dense_[static_cast<std::size_t>(node.dense) * 256 + e.byte] = e.target;
        }
    }

    // Fail links breadth first: a node's suffix is always shallower than it.
    std::vector<std::int32_t> queue;
    queue.reserve(nodes_.size());
    queue.push_back(0);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::int32_t u = queue[head];
        const Node &parent = nodes_[static_cast<std::size_t>(u)];
        for (std::int32_t i = 0; i < parent.edgeCount; ++i) {
            const Edge e = edges_[static_cast<std::size_t>(parent.firstEdge + i)];
            Node &child = nodes_[static_cast<std::size_t>(e.target)];
            child.fail = u == 0 ? 0 : Next(parent.fail, e.byte);
            const Node &suffix = nodes_[static_cast<std::size_t>(child.fail)];
            child.report = child.piece >= 0 ? e.target : suffix.report;
            queue.push_back(e.target);
        }
    }
    reported_.assign(nodes_.size(), 0);
    scan_ = 0;
}

} // namespace automation
