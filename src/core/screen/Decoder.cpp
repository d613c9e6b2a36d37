#include "core/screen/Decoder.h"

#include "core/text/GbkText.h"

#include <algorithm>
#include <cstring>

namespace screen {

namespace {

constexpr char kEsc = '\x1b';
constexpr std::size_t kRecordSize = 7;
// A parameter too long for a 32-bit integer selects no colour.
constexpr long long kNoColour = -1;
constexpr int kTabWidth = 6; // always six, whatever the column

bool IsLeadByte(char c)
{
    return gbk::IsLead(static_cast<unsigned char>(c));
}

// Whether the byte after `n` bytes is a second byte, given whether the first
// of them is. Only the run of lead-range bytes at the end matters.
bool TrailAfter(bool trail, const char *bytes, std::size_t n)
{
    std::size_t k = 0;
    while (k < n && IsLeadByte(bytes[n - 1 - k]))
        ++k;
    if (k < n)
        return k % 2 == 1;
    return trail ? n > 0 && (n - 1) % 2 == 1 : n % 2 == 1;
}

// Bytes that are plain text wherever they stand, outside a sequence.
struct PlainTable
{
    bool plain[256];
    constexpr PlainTable()
        : plain()
    {
        for (int c = 0; c < 256; ++c)
            plain[c] = c != '\n' && c != 0 && c != 0x1B && c != '[' && c != '\t';
    }
};
constexpr PlainTable kPlain;

inline bool IsPlain(char c)
{
    return kPlain.plain[static_cast<unsigned char>(c)];
}

// Length of the run of plain bytes at the start of `bytes`: one library search
// per kind of special byte, each over what is left of the run.
std::size_t PlainRun(const char *bytes, std::size_t n)
{
    static constexpr char kSpecials[] = {'\n', '\x1b', '[', '\t', '\0'};
    for (char special : kSpecials) {
        if (const void *hit = std::memchr(bytes, special, n))
            n = static_cast<std::size_t>(static_cast<const char *>(hit) - bytes);
    }
    return n;
}

void ShrinkString(std::string &s, std::size_t keep)
{
    if (s.capacity() > keep && s.size() <= keep / 2) {
        std::string smaller(s);
        s.swap(smaller);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// LineMachine
//
// Reads the line left to right and keeps only decided text in out_. The one
// place where a later byte reaches back is the ESC: an escape sequence starts
// wherever ESC "[" stands on a character boundary, also when the ESC is left
// over from an earlier removal, so trailing ESC bytes stay undecided (escRun_)
// until the next byte is known. Removing bytes before a record moves what it
// pointed at back to where the removal was: records sit in groups by position
// and a removal pulls the newest groups back with it, so positions never go
// down from one record to the next.

void LineMachine::Reset()
{
    out_.clear();
    records_.clear();
    groups_.clear();
    trail_ = false;
    trailPending_ = false;
    escRun_ = 0;
    escRunFirstAtBoundary_ = false;
    clearIfLast_ = false;
    inSeq_ = false;
    seqBytes_.clear();
    lowText_ = 0;
    lowRecord_ = 0;
}

LineMachine::Unmoved LineMachine::TakeUnmoved()
{
    const Unmoved u{std::min(lowText_, out_.size()), std::min(lowRecord_, records_.size())};
    lowText_ = out_.size();
    lowRecord_ = records_.size();
    return u;
}

void LineMachine::Shrink()
{
    ShrinkString(out_, Decoder::kKeepCapacity);
    ShrinkString(seqBytes_, Decoder::kKeepCapacity);
    if (records_.capacity() > Decoder::kKeepCapacity && records_.size() < 16)
        std::vector<Record>(records_).swap(records_);
    if (groups_.capacity() > Decoder::kKeepCapacity && groups_.size() < 16)
        std::vector<Group>(groups_).swap(groups_);
}

void LineMachine::Step(char c)
{
    clearIfLast_ = false;
    if (inSeq_)
        SeqByte(c);
    else
        TextByte(c);
}

void LineMachine::StepPlain(const char *bytes, std::size_t n)
{
    if (n == 0)
        return;
    clearIfLast_ = false;
    out_.append(bytes, n);
    escRun_ = 0;
    // Ending on a lead-range byte, the run leaves the boundary to be worked
    // out when the next byte needs it: usually it is a line end, which doesn't.
    trailPending_ = IsLeadByte(bytes[n - 1]);
    if (!trailPending_)
        trail_ = false;
}

void LineMachine::ResolveTrail()
{
    std::size_t k = 0;
    while (k < out_.size() && IsLeadByte(out_[out_.size() - 1 - k]))
        ++k;
    trail_ = k % 2 == 1;
    trailPending_ = false;
}

void LineMachine::Append(char c)
{
    if (trailPending_ && (c == kEsc || IsLeadByte(c)))
        ResolveTrail();
    trailPending_ = false;
    out_.push_back(c);
    if (c == kEsc) {
        if (escRun_ == 0)
            escRunFirstAtBoundary_ = !trail_;
        ++escRun_;
    } else {
        escRun_ = 0;
    }
    trail_ = !trail_ && IsLeadByte(c);
}

void LineMachine::PopEsc()
{
    out_.pop_back();
    --escRun_;
    trail_ = false; // the ESC stood on a boundary, so does the place it leaves
    trailPending_ = false;
    const std::size_t size = out_.size();
    lowText_ = std::min(lowText_, size);
    if (trying_) {
        tryLow_ = std::min(tryLow_, size);
        ++tryPops_;
    }
    if (!groups_.empty() && groups_.back().pos > size) {
        lowRecord_ = std::min(lowRecord_, groups_.back().first);
        if (trying_)
            undo_.push_back({Undo::kMoved, groups_.back()});
        groups_.back().pos = size;
        if (groups_.size() >= 2 && groups_[groups_.size() - 2].pos == size) {
            if (trying_)
                undo_.push_back({Undo::kMerged, groups_.back()});
            groups_.pop_back();
        }
    }
}

void LineMachine::TextByte(char c)
{
    if (LastIsBoundaryEsc() && StartSequence(c))
        return;
    Append(c);
}

void LineMachine::SeqByte(char c)
{
    if (kind_ != SeqKind::Csi || !colourScan_) {
        OtherSeqByte(c);
        return;
    }
    seqBytes_.push_back(c);
    if (c >= '0' && c <= '9') {
        if (params_ != kNoColour) {
            params_ = params_ * 10 + (c - '0');
            if (++digits_ > 10 || params_ > 0x7FFFFFFFLL)
                params_ = kNoColour;
        }
    } else if (c == ';' || c == 'm') {
        CloseParam();
        if (c == 'm') {
            EndSeq();
            return;
        }
        params_ = 0;
        digits_ = 0;
        sawSep_ = true;
    } else if (c == 'J' && digits_ == 1 && params_ == 2 && !sawSep_) {
        hasLast_ = true; // the clear-screen request ESC[2J
        EndSeq();
    } else if (c >= 0x40 && c <= 0x7E) {
        DropSeq(); // a whole sequence that draws nothing: cursor, erase, modes
    } else if (c >= 0x20 && c <= 0x3F) {
        // Not a colour sequence; what follows decides whether it is a whole one.
        colourScan_ = false;
        scanEnd_ = seqBytes_.size() - 1;
        csiInter_ = c <= 0x2F;
    } else {
        EndSeq();
    }
}

void LineMachine::CloseParam()
{
    const long long last = params_;
    hasLast_ = true;
    if (ExtendedColour(last))
        return;
    if (last >= 30 && last <= 37) {
        fg_ = static_cast<int>(last - 30);
        fgBrightable_ = true;
    }
    if (last >= 40 && last <= 47)
        bg_ = static_cast<int>(last - 40);
    if (last == 1)
        bright_ = true;
}

void LineMachine::AddRecord()
{
    Record r{0, 0, 3};
    if (fg_ >= 0) {
        r.mode = 0;
        r.fg = static_cast<char>(fg_ + (bright_ && fgBrightable_ ? 8 : 0));
    }
    if (bg_ >= 0) {
        r.mode = 1;
        r.bg = static_cast<char>(bg_);
    }
    if (fg_ >= 0 && bg_ >= 0)
        r.mode = 2;
    if (groups_.empty() || groups_.back().pos != seqP_) {
        groups_.push_back({seqP_, records_.size()});
        if (trying_)
            undo_.push_back({Undo::kAdded, groups_.back()});
    }
    records_.push_back(r);
    FoldNewestGroup();
}

void LineMachine::FoldNewestGroup()
{
    // Colour changes with no text between them pile up at one place; a
    // server sending nothing else, with no line end, would grow the line's
    // records without bound. Past what any real line puts at one place, the
    // place's records are folded into what they come to: a reset, then one
    // record for the colours set after it. What is drawn stays the same.
    constexpr std::size_t kMaxAtOnePlace = 64;
    const Group &g = groups_.back();
    if (records_.size() - g.first <= kMaxAtOnePlace)
        return;
    if (trying_ && g.first < tryRecords_)
        return; // a try only adds records; folding waits for the line itself
    bool reset = false;
    int fg = -1, bg = -1;
    for (std::size_t k = g.first; k < records_.size(); ++k) {
        const Record &r = records_[k];
        if (r.mode == 0 || r.mode == 2)
            fg = r.fg;
        if (r.mode == 1 || r.mode == 2)
            bg = r.bg;
        if (r.mode == 3) {
            reset = true;
            fg = bg = -1;
        }
    }
    records_.resize(g.first);
    if (reset)
        records_.push_back({0, 0, 3});
    if (fg >= 0 || bg >= 0)
        records_.push_back({static_cast<char>(std::max(fg, 0)), static_cast<char>(std::max(bg, 0)),
                            static_cast<char>(fg >= 0 && bg >= 0 ? 2
                                              : fg >= 0          ? 0
                                                                 : 1)});
    lowRecord_ = std::min(lowRecord_, g.first);
}

void LineMachine::EndSeq()
{
    inSeq_ = false;
    if (hasLast_) {
        AddRecord();
        // A colour sequence from the line's first byte to just before its
        // last takes the whole line with it.
        if (seqP_ == 0)
            clearIfLast_ = true;
    } else {
        AbandonSeq();
    }
}

void LineMachine::AbandonSeq()
{
    // Not a colour sequence: only its ESC goes and the rest is text. The "["
    // then meets any ESC before it, which starts the same sequence again with
    // the same outcome: every such ESC goes too. The bytes cannot start a new
    // sequence among themselves, so seqBytes_ stays as it is while they go in.
    while (LastIsBoundaryEsc())
        PopEsc();
    for (std::size_t k = 0, n = seqBytes_.size(); k < n; ++k)
        TextByte(seqBytes_[k]);
}

void LineMachine::FinalText(char c)
{
    // ESC "[" as the line's last two bytes: nothing to scan, only ESCs go.
    if (c == '[')
        while (LastIsBoundaryEsc())
            PopEsc();
    Append(c);
}

void LineMachine::Finish(char last)
{
    if (inSeq_ && (kind_ != SeqKind::Csi || !colourScan_)) {
        if (!FinishOtherSeq())
            FinalText(last);
        return;
    }
    if (inSeq_) {
        // The scan reached the line's last byte.
        inSeq_ = false;
        if (hasLast_) {
            AddRecord();
            if (seqP_ == 0)
                return; // the whole line goes
            FinalText(last);
        } else {
            AbandonSeq();
            FinalText(last);
        }
        return;
    }
    if (clearIfLast_) {
        clearIfLast_ = false;
        return;
    }
    FinalText(last);
}

std::size_t LineMachine::FirstRecordAfter(std::size_t index, std::size_t from) const
{
    auto it = std::upper_bound(groups_.begin(), groups_.end(), index,
                               [](std::size_t i, const Group &g) { return i < g.pos; });
    const std::size_t first = it == groups_.end() ? records_.size() : it->first;
    return std::max(first, from);
}

void LineMachine::AppendRecords(std::string &attrs, std::size_t from, std::size_t base,
                                std::size_t limit) const
{
    if (from >= records_.size())
        return;
    static const char hex[] = "0123456789ABCDEF";
    // The group holding record `from`.
    auto it = std::upper_bound(groups_.begin(), groups_.end(), from,
                               [](std::size_t r, const Group &g) { return r < g.first; });
    std::size_t g = static_cast<std::size_t>(it - groups_.begin()) - 1;
    const std::size_t at = attrs.size();
    attrs.resize(at + (records_.size() - from) * kRecordSize);
    char *out = attrs.data() + at;
    std::size_t k = from;
    for (; k < records_.size(); ++k) {
        while (g + 1 < groups_.size() && groups_[g + 1].first <= k)
            ++g;
        const std::size_t pos = groups_[g].pos;
        if (pos > limit)
            break;
        const unsigned oneBased = static_cast<unsigned>(pos + 1 > base ? pos + 1 - base : 1);
        const Record &r = records_[k];
        out[0] = hex[(oneBased >> 12) & 0xF];
        out[1] = hex[(oneBased >> 8) & 0xF];
        out[2] = hex[(oneBased >> 4) & 0xF];
        out[3] = hex[oneBased & 0xF];
        out[4] = hex[r.fg & 0xF];
        out[5] = hex[r.bg & 0xF];
        out[6] = static_cast<char>('0' + r.mode);
        out += kRecordSize;
    }
    attrs.resize(at + (k - from) * kRecordSize);
}

void LineMachine::Save(Saved &s)
{
    s.outSize = out_.size();
    s.escRun = escRun_;
    s.lowText = lowText_;
    s.lowRecord = lowRecord_;
    s.records = records_.size();
    s.seqSize = seqBytes_.size();
    s.trail = trail_;
    s.trailPending = trailPending_;
    s.escRunFirstAtBoundary = escRunFirstAtBoundary_;
    s.clearIfLast = clearIfLast_;
    s.inSeq = inSeq_;
    s.seqP = seqP_;
    s.params = params_;
    s.digits = digits_;
    s.hasLast = hasLast_;
    s.fg = fg_;
    s.bg = bg_;
    s.bright = bright_;
    s.fgBrightable = fgBrightable_;
    s.kind = kind_;
    s.colourScan = colourScan_;
    s.csiInter = csiInter_;
    s.sawSep = sawSep_;
    s.oscEsc = oscEsc_;
    s.extBg = extBg_;
    s.scanEnd = scanEnd_;
    s.ext = ext_;
    s.extRgb[0] = extRgb_[0];
    s.extRgb[1] = extRgb_[1];
    trying_ = true;
    tryLow_ = out_.size();
    tryRecords_ = records_.size();
    tryPops_ = 0;
    undo_.clear();
}

std::size_t LineMachine::Restore(const Saved &s)
{
    // Finishing only took ESCs off the end and added after them: put the ESCs
    // back, and undo the group changes newest first.
    const std::size_t keep = std::min(tryLow_, s.outSize);
    out_.resize(keep);
    out_.append(s.outSize - keep, kEsc);
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
        switch (it->kind) {
        case Undo::kAdded:
            groups_.pop_back();
            break;
        case Undo::kMerged:
            groups_.push_back(it->group);
            break;
        case Undo::kMoved:
            groups_.back() = it->group;
            break;
        }
    }
    records_.resize(s.records);
    seqBytes_.resize(s.seqSize);
    escRun_ = s.escRun;
    lowText_ = s.lowText;
    lowRecord_ = s.lowRecord;
    trail_ = s.trail;
    trailPending_ = s.trailPending;
    escRunFirstAtBoundary_ = s.escRunFirstAtBoundary;
    clearIfLast_ = s.clearIfLast;
    inSeq_ = s.inSeq;
    seqP_ = s.seqP;
    params_ = s.params;
    digits_ = s.digits;
    hasLast_ = s.hasLast;
    fg_ = s.fg;
    bg_ = s.bg;
    bright_ = s.bright;
    fgBrightable_ = s.fgBrightable;
    kind_ = s.kind;
    colourScan_ = s.colourScan;
    csiInter_ = s.csiInter;
    sawSep_ = s.sawSep;
    oscEsc_ = s.oscEsc;
    extBg_ = s.extBg;
    scanEnd_ = s.scanEnd;
    ext_ = s.ext;
    extRgb_[0] = s.extRgb[0];
    extRgb_[1] = s.extRgb[1];
    trying_ = false;
    const std::size_t work = tryPops_ + undo_.size();
    undo_.clear();
    return work;
}

namespace {

// Steps a raw byte that is not the line's last, tabs expanded.
inline void StepRaw(LineMachine &m, char c)
{
    if (c == '\t') {
        for (int k = 0; k < kTabWidth; ++k)
            m.Step(' ');
    } else {
        m.Step(c);
    }
}

inline void FinishRaw(LineMachine &m, char last)
{
    if (last == '\t') {
        for (int k = 0; k + 1 < kTabWidth; ++k)
            m.Step(' ');
        m.Finish(' ');
    } else {
        m.Finish(last);
    }
}

// Turns the machine's finished line into one or more decoded lines.
template <typename NextFn> void EmitLine(const LineMachine &m, NextFn next)
{
    const std::string &whole = m.text();
    if (whole.size() <= Decoder::kMaxLineBytes) {
        DecodedLine &d = next();
        if (whole.empty())
            d.text.assign(1, ' ');
        else
            d.text.assign(whole);
        d.attrs.clear();
        m.AppendRecords(d.attrs, 0);
        if (d.attrs.empty())
            d.attrs.assign(1, ' ');
        return;
    }
    // Too long for four hex digits: cut into pieces on character boundaries and
    // give each piece the records that fall into it, rebased.
    std::size_t start = 0;
    std::size_t nextRecord = 0;
    while (start < whole.size()) {
        const std::size_t end =
            gbk::BoundaryAtOrBelow(whole, start + Decoder::kMaxLineBytes, start);
        DecodedLine &piece = next();
        piece.text.assign(whole, start, end - start);
        piece.attrs.clear();
        const bool lastPiece = end == whole.size();
        // Records at 1-based positions up to `end`, i.e. 0-based below `end`.
        const std::size_t upTo =
            lastPiece ? m.recordCount() : m.FirstRecordAfter(end - 1, nextRecord);
        const std::size_t before = piece.attrs.size();
        m.AppendRecords(piece.attrs, nextRecord, start, lastPiece ? SIZE_MAX : end - 1);
        // Positions past the piece's end stand at its last byte.
        for (std::size_t at = before; at < piece.attrs.size(); at += kRecordSize) {
            const int pos = gbk::ParseHex(piece.attrs, at, 4);
            if (pos > 0 && static_cast<std::size_t>(pos) > piece.text.size()) {
                std::string fixed;
                gbk::AppendHex4(fixed, static_cast<unsigned>(piece.text.size()));
                piece.attrs.replace(at, 4, fixed);
            }
        }
        nextRecord = upTo;
        if (piece.attrs.empty())
            piece.attrs.assign(1, ' ');
        start = end;
    }
}

} // namespace

void DecodeLine(std::string_view raw, std::vector<DecodedLine> &out)
{
    LineMachine m;
    if (!raw.empty()) {
        for (std::size_t k = 0; k + 1 < raw.size(); ++k)
            StepRaw(m, raw[k]);
        FinishRaw(m, raw.back());
    }
    EmitLine(m, [&]() -> DecodedLine & { return out.emplace_back(); });
}

// ---------------------------------------------------------------------------
// Decoder

DecodedLine &Decoder::Batch::Next()
{
    if (count == lines.size())
        lines.emplace_back();
    return lines[count++];
}

void Decoder::Batch::Shrink()
{
    if (lines.size() > kKeepBatchLines) {
        lines.resize(kKeepBatchLines);
        lines.shrink_to_fit();
    }
    for (DecodedLine &l : lines) {
        if (l.text.capacity() > kKeepCapacity)
            std::string().swap(l.text);
        if (l.attrs.capacity() > kKeepCapacity)
            std::string().swap(l.attrs);
    }
}

void Decoder::FeedRaw(char c)
{
    ++work_;
    StepRaw(machine_, c);
}

void Decoder::FinishLine(char last, Batch &batch)
{
    ++work_;
    FinishRaw(machine_, last);
    const std::size_t size = machine_.text().size();
    if (size > 0 && size <= kMaxLineBytes) {
        // The common line: its text changes hands instead of being copied.
        DecodedLine &d = batch.Next();
        d.attrs.clear();
        machine_.AppendRecords(d.attrs, 0);
        if (d.attrs.empty())
            d.attrs.assign(1, ' ');
        machine_.SwapText(d.text);
    } else {
        EmitLine(machine_, [&]() -> DecodedLine & { return batch.Next(); });
    }
    machine_.Reset();
    lineLen_ = 0;
    hasHeld_ = false;
    rawLine_.clear();
    ++lineSerial_;
}

void Decoder::CutLine(std::string_view chunkPart, std::string_view ahead, Batch &batch)
{
    // The line holds kMaxLineBytes bytes and one more has come (the first of
    // `ahead`): a server that never ends its line must not grow one line
    // without bound, so a full piece is stored as a finished line, never
    // ending inside a character. Only a held lead byte, or a digit after one
    // with a lead coming (a four-byte character may be half in), needs a look.
    const bool digitBeforeLead =
        gbk::IsFourByteDigit(static_cast<unsigned char>(held_)) && IsLeadByte(ahead[0]);
    if (!rawTrail_ && !digitBeforeLead) {
        FinishLine(held_, batch);
        rawTrail_ = false;
        return;
    }
    std::string raw = rawLine_;
    for (char c : chunkPart)
        if (c != 0)
            raw += c;
    // Where to cut, with the byte that came in view and the one after it
    // taken as a digit whatever it is (it may not have arrived yet): a lead
    // and digit before a lead are kept for the next line when they could
    // begin a four-byte character, so the cut never depends on how the
    // stream was split.
    std::string view = raw;
    view += ahead[0];
    view += '0';
    const std::size_t cut = gbk::BoundaryAtOrBelow(view, raw.size());
    if (cut == raw.size()) {
        FinishLine(held_, batch);
        rawTrail_ = false;
        return;
    }
    // The piece ends before the character's first byte, whose predecessors
    // were already stepped. Decode the piece again from its start (once per
    // 64 KiB, so the cost stays linear); the character's bytes so far start
    // the next line.
    machine_.Reset();
    for (std::size_t k = 0; k + 1 < cut; ++k)
        FeedRaw(raw[k]);
    FinishLine(raw[cut - 1], batch);
    rawLine_.assign(raw, cut, std::string::npos);
    for (std::size_t k = cut; k + 1 < raw.size(); ++k)
        FeedRaw(raw[k]);
    held_ = raw.back();
    hasHeld_ = true;
    lineLen_ = raw.size() - cut;
    rawTrail_ = lineLen_ % 2 == 1; // a lead byte, or lead, digit, lead
}

std::size_t Decoder::Feed(std::string_view chunk, Batch &batch, std::size_t budget)
{
    formFresh_ = formFresh_ && chunk.empty();
    std::size_t lineStart = 0; // where the present line's bytes in this chunk begin
    for (std::size_t pos = 0; pos < chunk.size(); ++pos) {
        const char c = chunk[pos];
        // NUL bytes carry nothing for the screen and would hide a later line
        // feed from a character-wise search.
        if (c == 0)
            continue;
        if (lineLen_ == kMaxLineBytes) {
            CutLine(chunk.substr(lineStart, pos - lineStart), chunk.substr(pos), batch);
            lineStart = pos;
            if (pos >= budget)
                return pos;
        }
        // A run of plain bytes goes in whole: all but its last byte, and the
        // byte held before it, are plain text for the machine.
        if (hasHeld_ && IsPlain(c) && IsPlain(held_) && machine_.plainReady()) {
            const std::size_t room = kMaxLineBytes - lineLen_;
            const std::size_t limit = std::min(chunk.size() - pos, room);
            const std::size_t end = pos + 1 + PlainRun(chunk.data() + pos + 1, limit - 1);
            const std::size_t n = end - pos;
            rawTrail_ = TrailAfter(rawTrail_, chunk.data() + pos, n);
            machine_.StepPlain(&held_, 1);
            machine_.StepPlain(chunk.data() + pos, n - 1);
            held_ = chunk[end - 1];
            lineLen_ += n;
            work_ += n;
            pos = end - 1;
            continue;
        }
        const bool second = rawTrail_;
        rawTrail_ = !second && IsLeadByte(c);
        if (hasHeld_)
            FeedRaw(held_);
        held_ = c;
        hasHeld_ = true;
        ++lineLen_;
        if (c == '\n' && !second) {
            FinishLine(c, batch);
            lineStart = pos + 1;
            if (pos + 1 >= budget)
                return pos + 1;
        }
    }
    if (lineLen_ > 0) {
        for (std::size_t k = lineStart; k < chunk.size(); ++k)
            if (chunk[k] != 0)
                rawLine_ += chunk[k];
    }
    return chunk.size();
}

const std::vector<DecodedLine> &Decoder::PartialForm()
{
    if (!inLine()) {
        form_.clear();
        formPieces_ = 0;
        return form_;
    }
    if (formFresh_ && formSerial_ == lineSerial_)
        return form_; // nothing came since it was made
    // What changed in the machine since the last form, then what finishing
    // the line changes: everything before both stays as it was in the last
    // form, and in the store's copy, and is not written again.
    const LineMachine::Unmoved since = machine_.TakeUnmoved();
    const std::size_t realRecords = machine_.recordCount();
    machine_.Save(saved_);
    FinishRaw(machine_, held_);
    const LineMachine::Unmoved finish = machine_.TakeUnmoved();
    sinceTakenText_ = std::min(sinceTakenText_, since.text);
    sinceTakenRecords_ = std::min(sinceTakenRecords_, since.records);

    const std::string &text = machine_.text();
    if (text.size() <= kMaxLineBytes) {
        const bool same = formSerial_ == lineSerial_ && formPieces_ == 1;
        const std::size_t keepText = same ? std::min({formText_, since.text, finish.text}) : 0;
        const std::size_t keepRecords =
            same ? std::min({formRecords_, since.records, finish.records}) : 0;
        form_.resize(1);
        DecodedLine &d = form_[0];
        if (text.empty()) {
            d.text.assign(1, ' ');
        } else {
            d.text.resize(keepText);
            d.text.append(text, keepText, std::string::npos);
        }
        d.attrs.resize(keepRecords * kRecordSize);
        machine_.AppendRecords(d.attrs, keepRecords);
        if (d.attrs.empty())
            d.attrs.assign(1, ' ');
        work_ += (d.text.size() - keepText) + (d.attrs.size() - keepRecords * kRecordSize);

        const bool stored = takenSerial_ == lineSerial_;
        storeKeep_.text = stored ? std::min({takenText_, sinceTakenText_, finish.text}) : 0;
        storeKeep_.attrs =
            stored ? std::min({takenRecords_, sinceTakenRecords_, finish.records}) * kRecordSize
                   : 0;
        formText_ = finish.text;
        formRecords_ = std::min(finish.records, realRecords);
    } else {
        std::size_t count = 0;
        EmitLine(machine_, [&]() -> DecodedLine & {
            if (count == form_.size())
                form_.emplace_back();
            return form_[count++];
        });
        form_.resize(count);
        for (const DecodedLine &d : form_)
            work_ += d.text.size() + d.attrs.size();
        storeKeep_ = {};
        formText_ = 0;
        formRecords_ = 0;
    }
    formSerial_ = lineSerial_;
    formPieces_ = form_.size();
    formFresh_ = true;
    work_ += machine_.Restore(saved_);
    return form_;
}

Decoder::Unchanged Decoder::TakeUnchanged()
{
    const Unchanged u = takenSerial_ == lineSerial_ ? storeKeep_ : Unchanged{};
    const bool single = formSerial_ == lineSerial_ && formPieces_ == 1;
    takenSerial_ = single ? lineSerial_ : UINT64_MAX;
    takenText_ = formText_;
    takenRecords_ = formRecords_;
    sinceTakenText_ = SIZE_MAX;
    sinceTakenRecords_ = SIZE_MAX;
    return u;
}

std::size_t Decoder::capacity() const
{
    std::size_t total = machine_.capacity() + rawLine_.capacity();
    for (const DecodedLine &d : form_)
        total += d.text.capacity() + d.attrs.capacity();
    return total;
}

void Decoder::Shrink()
{
    machine_.Shrink();
    ShrinkString(rawLine_, kKeepCapacity);
    for (DecodedLine &d : form_) {
        ShrinkString(d.text, kKeepCapacity);
        ShrinkString(d.attrs, kKeepCapacity);
    }
}

} // namespace screen
