#include "core/screen/LineStore.h"

#include <algorithm>

namespace screen {

namespace {

constexpr std::string_view kNoRecords = " ";

} // namespace

LineStore::LineStore(std::size_t maxBytes)
    : maxBytes_(maxBytes)
{}

std::size_t LineStore::LineBytes(const StoredLine &l)
{
    return l.text.size() + (l.attrs.data() == kNoRecords.data() ? 0 : l.attrs.size());
}

std::size_t LineStore::HeldBytes() const
{
    std::size_t sum = 0;
    for (const StoredLine &l : lines_)
        sum += LineBytes(l);
    return sum;
}

void LineStore::DropPartial()
{
    for (std::size_t k = 0; k < partial_.size() && !lines_.empty(); ++k)
        lines_.pop_back();
    partialBytes_ = 0;
    if (partial_.size() > 1 ||
        (!partial_.empty() && (partial_[0].text.capacity() > Decoder::kKeepCapacity ||
                               partial_[0].attrs.capacity() > Decoder::kKeepCapacity)))
        std::vector<DecodedLine>().swap(partial_);
    else
        partial_.clear();
}

void LineStore::SetPartial(const std::vector<DecodedLine> &partial, Decoder::Unchanged unchanged)
{
    const bool inPlace = partial_.size() == 1 && partial.size() == 1;
    if (!inPlace) {
        DropPartial();
        partial_ = partial;
    } else {
        // Only what changed since the last form is copied.
        DecodedLine &mine = partial_[0];
        const DecodedLine &given = partial[0];
        const std::size_t keepText =
            std::min({unchanged.text, mine.text.size(), given.text.size()});
        mine.text.resize(keepText);
        mine.text.append(given.text, keepText, std::string::npos);
        const std::size_t keepAttrs =
            std::min({unchanged.attrs, mine.attrs.size(), given.attrs.size()});
        mine.attrs.resize(keepAttrs);
        mine.attrs.append(given.attrs, keepAttrs, std::string::npos);
        lines_.pop_back();
    }
    partialBytes_ = 0;
    for (const DecodedLine &d : partial_) {
        lines_.push_back({d.text, d.attrs == kNoRecords ? kNoRecords : std::string_view(d.attrs)});
        partialBytes_ += LineBytes(lines_.back());
    }
}

void LineStore::Commit(const DecodedLine *lines, std::size_t count,
                       const std::vector<DecodedLine> *partial, Decoder::Unchanged unchanged)
{
    if (count > 0) {
        // The earlier form of the line, now completed, goes.
        DropPartial();
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint64_t number = firstLine_ + lines_.size();
            const DecodedLine &d = lines[k];
            StoredLine stored;
            stored.text = pages_.Add(d.text, number);
            stored.attrs = d.attrs == kNoRecords ? kNoRecords : pages_.Add(d.attrs, number);
            bytes_ += LineBytes(stored);
            lines_.push_back(stored);
        }
    }
    if (partial && !partial->empty())
        SetPartial(*partial, count > 0 ? Decoder::Unchanged{} : unchanged);
    Trim();
}

void LineStore::Trim()
{
    std::size_t drop = 0;
    if (lines_.size() >= kTrimAt)
        drop = lines_.size() - kKeep;
    if (bytes() > maxBytes_) {
        // Oldest first, never the line still growing, down to three quarters
        // so that the trim happens in batches as the line rule does.
        const std::size_t target = maxBytes_ - maxBytes_ / 4;
        std::size_t left = bytes();
        for (std::size_t k = 0; k < drop; ++k)
            left -= LineBytes(lines_[k]);
        const std::size_t finished = lines_.size() - partial_.size();
        while (drop < finished && left > target)
            left -= LineBytes(lines_[drop++]);
    }
    if (drop == 0)
        return;
    for (std::size_t k = 0; k < drop; ++k)
        bytes_ -= LineBytes(lines_[k]);
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(drop));
    firstLine_ += drop;
    pages_.Release(firstLine_);
}

void DecodeInto(Decoder &decoder, Decoder::Batch &batch, LineStore &store, std::string_view chunk)
{
    batch.count = 0;
    decoder.Feed(chunk, batch);
    if (decoder.inLine()) {
        const std::vector<DecodedLine> &form = decoder.PartialForm();
        store.Commit(batch.lines.data(), batch.count, &form, decoder.TakeUnchanged());
    } else {
        store.Commit(batch.lines.data(), batch.count);
    }
}

} // namespace screen
