#include "core/screen/LinePages.h"

#include <algorithm>
#include <cstring>

namespace screen {

std::string_view LinePages::Add(std::string_view bytes, std::uint64_t line)
{
    if (pages_.empty() || pages_.back().capacity - pages_.back().used < bytes.size()) {
        Page page;
        page.capacity = std::max(kPageBytes, bytes.size());
        page.data = std::make_unique_for_overwrite<char[]>(page.capacity);
        pages_.push_back(std::move(page));
    }
    Page &page = pages_.back();
    char *at = page.data.get() + page.used;
    if (!bytes.empty())
        std::memcpy(at, bytes.data(), bytes.size());
    page.used += bytes.size();
    page.lastLine = line;
    return {at, bytes.size()};
}

void LinePages::Release(std::uint64_t firstLiveLine)
{
    // The newest page always stays: new lines go there.
    while (pages_.size() > 1 && pages_.front().lastLine < firstLiveLine)
        pages_.pop_front();
}

} // namespace screen
