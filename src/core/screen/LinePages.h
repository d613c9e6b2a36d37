// Byte pages that hold the line store's texts: lines are copied in one after
// another, so storing a line costs no allocation of its own, and whole pages go
// back once every line in them has been trimmed away.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

namespace screen {

class LinePages
{
public:
    static constexpr std::size_t kPageBytes = 256 * 1024;

    // Copies `bytes` in for line number `line`; the view stays valid until the
    // line's page is released.
    std::string_view Add(std::string_view bytes, std::uint64_t line);
    // Frees the pages whose lines all come before `firstLiveLine`.
    void Release(std::uint64_t firstLiveLine);
    std::size_t pageCount() const { return pages_.size(); }

private:
    struct Page
    {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::uint64_t lastLine = 0;
    };
    std::deque<Page> pages_;
};

} // namespace screen
