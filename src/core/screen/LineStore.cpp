#include "core/screen/LineStore.h"

#include "core/text/GbkText.h"

#include <cstring>

namespace screen {

namespace {

struct Record
{
    std::size_t pos; // 1-based position in the decoded text
    int fg;
    int bg;
    int mode;
};

// A parameter too long for a 32-bit integer selects no colour.
constexpr long long kNoColour = -1;

std::size_t FindEscape(const std::string &line, std::size_t from)
{
    while (true) {
        std::size_t p = line.find("\x1b[", from);
        if (p == std::string::npos || gbk::AtCharBoundary(line, p, 0))
            return p;
        from = p + 1;
    }
}

void ExpandTabs(std::string_view raw, std::string &line)
{
    if (!std::memchr(raw.data(), '\t', raw.size())) {
        line.assign(raw);
        return;
    }
    line.clear();
    line.reserve(raw.size() + 16);
    for (char c : raw) {
        if (c == '\t')
            line.append(6, ' '); // always six, whatever the column
        else
            line += c;
    }
}

// Removes the escape sequences of `line` in place and returns their records.
void DecodeEscapes(std::string &line, std::vector<Record> &records)
{
    std::size_t from = 0;
    while (true) {
        std::size_t p = FindEscape(line, from);
        if (p == std::string::npos)
            return;
        const std::size_t len = line.size();
        std::size_t i = p + 2;
        long long params = 0;
        std::size_t digits = 0;
        bool hasLast = false;
        long long last = 0;
        int fg = -1, bg = -1;
        bool bright = false;
        bool ended = false;
        // The line's last byte is never part of a sequence.
        while (!ended && i + 1 < len) {
            const char c = line[i];
            if (c >= '0' && c <= '9') {
                if (params != kNoColour) {
                    params = params * 10 + (c - '0');
                    if (++digits > 10 || params > 0x7FFFFFFFLL)
                        params = kNoColour;
                }
            } else if (c == ';' || c == 'm') {
                last = params;
                hasLast = true;
                if (last >= 30 && last <= 37)
                    fg = static_cast<int>(last);
                if (last >= 40 && last <= 47)
                    bg = static_cast<int>(last);
                if (last == 1)
                    bright = true;
                if (c == 'm')
                    ended = true;
                params = 0;
                digits = 0;
            } else if (c == 'J') {
                if (digits == 1 && params == 2) { // the clear-screen request ESC[2J
                    last = 100;
                    hasLast = true;
                }
                ended = true;
            } else {
                ended = true;
            }
            ++i;
        }
        if (!hasLast) {
            // Not a colour sequence: only the ESC goes, the rest shows as text.
            line.erase(p, 1);
        } else {
            Record r{p + 1, 0, 0, 3};
            if (fg >= 0) {
                r.mode = 0;
                r.fg = fg - 30 + (bright ? 8 : 0);
            }
            if (bg >= 0) {
                r.mode = 1;
                r.bg = bg - 40;
            }
            if (fg >= 0 && bg >= 0)
                r.mode = 2;
            records.push_back(r);
            if (i + 1 >= len && p == 0)
                line.clear();
            else
                line.erase(p, i - p);
        }
        // A removal can join an ESC before p with a "[" after it.
        from = p > 0 ? p - 1 : 0;
    }
}

void AppendRecord(std::string &attrs, std::size_t pos, const Record &r)
{
    static const char hex[] = "0123456789ABCDEF";
    gbk::AppendHex4(attrs, static_cast<unsigned>(pos));
    attrs += hex[r.fg & 0xF];
    attrs += hex[r.bg & 0xF];
    attrs += static_cast<char>('0' + r.mode);
}

} // namespace

void DecodeLine(std::string_view raw, std::vector<DecodedLine> &out)
{
    out.resize(DecodeLineInto(raw, out, out.size()));
}

std::size_t DecodeLineInto(std::string_view raw, std::vector<DecodedLine> &out, std::size_t count)
{
    auto next_entry = [&]() -> DecodedLine & {
        if (count == out.size())
            out.emplace_back();
        return out[count++];
    };
    DecodedLine &first = next_entry();
    std::string &line = first.text;
    ExpandTabs(raw, line);

    if (!std::memchr(line.data(), 0x1B, line.size())) {
        if (line.empty())
            line = " ";
        first.attrs = " ";
        if (line.size() <= LineStore::kMaxLineBytes)
            return count;
    }

    thread_local std::vector<Record> records;
    records.clear();
    DecodeEscapes(line, records);
    if (line.empty())
        line = " ";

    if (line.size() <= LineStore::kMaxLineBytes) {
        std::string &attrs = first.attrs;
        attrs.clear();
        for (const Record &r : records)
            AppendRecord(attrs, r.pos, r);
        if (attrs.empty())
            attrs = " ";
        return count;
    }

    // Too long for four hex digits: cut into pieces on character boundaries and
    // give each piece the records that fall into it, rebased.
    std::string whole = std::move(line);
    --count;
    std::size_t start = 0;
    std::size_t next = 0;
    while (start < whole.size()) {
        std::size_t end = std::min(whole.size(), start + LineStore::kMaxLineBytes);
        if (end < whole.size() && !gbk::AtCharBoundary(whole, end, start))
            --end;
        DecodedLine &piece = next_entry();
        piece.text.assign(whole, start, end - start);
        piece.attrs.clear();
        const bool lastPiece = end == whole.size();
        while (next < records.size() && (lastPiece || records[next].pos <= end)) {
            std::size_t pos = records[next].pos > start ? records[next].pos - start : 1;
            AppendRecord(piece.attrs, std::min(pos, piece.text.size()), records[next]);
            ++next;
        }
        if (piece.attrs.empty())
            piece.attrs = " ";
        start = end;
    }
    return count;
}

std::size_t LineStore::DecodeChunk(std::string_view chunk)
{
    // NUL bytes would hide every later line feed from a character-wise search;
    // they carry nothing for the screen, so they go before the split.
    if (std::memchr(chunk.data(), 0, chunk.size())) {
        nulFree_.clear();
        for (char c : chunk)
            if (c != 0)
                nulFree_ += c;
        chunk = nulFree_;
    }
    std::string_view data = chunk;
    if (partialPending_) {
        joined_.assign(partialLine_);
        joined_.append(chunk);
        data = joined_;
    }

    std::size_t count = 0;
    bool partial = false;
    std::size_t partialStored = 0;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t lf = gbk::npos;
        {
            std::size_t from = pos;
            while (from < data.size()) {
                const void *hit = std::memchr(data.data() + from, '\n', data.size() - from);
                if (!hit)
                    break;
                std::size_t p = static_cast<const char *>(hit) - data.data();
                if (gbk::AtCharBoundary(data, p, pos)) {
                    lf = p;
                    break;
                }
                from = p + 1;
            }
        }
        std::size_t take = lf == gbk::npos ? data.size() - pos : lf - pos + 1;
        bool isPartial = lf == gbk::npos;
        if (take > kMaxLineBytes) {
            // A server that never ends its line must not grow one line without
            // bound: a full piece is stored as a finished line.
            take = kMaxLineBytes;
            if (!gbk::AtCharBoundary(data, pos + take, pos))
                --take;
            isPartial = false;
        }
        std::string_view raw = data.substr(pos, take);
        pos += take;
        const std::size_t before = count;
        if (isPartial) {
            partial = true;
            partialLine_.assign(raw);
        }
        count = DecodeLineInto(raw, fresh_, count);
        if (isPartial)
            partialStored = count - before;
        if (checkTriggers)
            for (std::size_t k = before; k < count; ++k)
                checkTriggers(fresh_[k].text);
    }
    if (partial && !partialLine_.empty() && markUnfinishedLine)
        markUnfinishedLine(partialLine_);

    if (count > 0) {
        if (partialPending_) {
            // The earlier form of the line, now completed or extended, goes;
            // its bytes were the newest in the pages.
            for (std::size_t k = 0; k < partialStoredCount_ && !lines_.empty(); ++k)
                lines_.pop_back();
            pages_.RollBack(partialMark_);
        }
        if (mirror)
            mirror(fresh_, count);
        static constexpr std::string_view kNoRecords = " ";
        for (std::size_t k = 0; k < count; ++k) {
            if (partial && k == count - partialStored)
                partialMark_ = pages_.mark();
            const std::uint64_t number = firstLine_ + lines_.size();
            const DecodedLine &d = fresh_[k];
            StoredLine stored;
            stored.text = pages_.Add(d.text, number);
            stored.attrs = d.attrs == kNoRecords ? kNoRecords : pages_.Add(d.attrs, number);
            lines_.push_back(stored);
        }
        if (lines_.size() >= kTrimAt) {
            const std::size_t drop = lines_.size() - kKeep;
            lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(drop));
            firstLine_ += drop;
            pages_.Release(firstLine_);
        }
    }
    partialPending_ = partial;
    partialStoredCount_ = partial ? partialStored : 0;
    return count;
}

} // namespace screen
