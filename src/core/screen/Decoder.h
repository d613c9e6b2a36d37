// The receive side's decoder: splits incoming GB18030 text into lines, expands tabs,
// turns colour escape sequences into attribute records and takes out whole the
// sequences the screen does not draw (cursor, erase, titles), in one forward pass
// whose state is kept from one chunk to the next. A line that arrives a few
// bytes at a time is never decoded again from its start: each byte is looked at
// a bounded number of times, whatever the size of the reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace screen {

// A decoded line: text (line-end bytes kept) and its attribute string, a run
// of seven-character records "PPPPFBM" (position, fg, bg, mode) or " ".
struct DecodedLine
{
    std::string text;
    std::string attrs;
};

// Decodes one raw line on its own: tabs, then escape sequences. Appends one or
// more lines to `out`: a decoded text longer than the four hex digits of a
// record position can reach is cut into several lines.
void DecodeLine(std::string_view raw, std::vector<DecodedLine> &out);

// The per-line machine. Bytes go in one at a time; the line's last byte goes in
// through Finish, because it never belongs to an escape sequence.
class LineMachine
{
public:
    // A title or other string sequence longer than this is not one: its
    // bytes are shown as text.
    static constexpr std::size_t kMaxStringBytes = 1024;

    void Step(char c);
    // Steps bytes that are none of LF, NUL, ESC, "[" and TAB, outside a sequence.
    void StepPlain(const char *bytes, std::size_t n);
    bool inSequence() const { return inSeq_; }
    // Plain bytes may go in through StepPlain: no sequence is open and no ESC
    // waits for the byte after it.
    bool plainReady() const { return !inSeq_ && escRun_ == 0; }
    void Finish(char last);
    void Reset();

    // The decoded text so far (after Finish: the line's text, empty meaning " ").
    const std::string &text() const { return out_; }
    // After Finish: hands the text over, taking `spare`'s buffer in its place.
    void SwapText(std::string &spare) { out_.swap(spare); }
    std::size_t recordCount() const { return records_.size(); }
    // How much of the text, and how many records, have stayed as they were
    // since the last call; the count starts again from here.
    struct Unmoved
    {
        std::size_t text;
        std::size_t records;
    };
    Unmoved TakeUnmoved();
    // Appends the records from `from` on, positions taken less `base` and kept
    // at least 1; at most up to position `limit` (a 0-based byte index).
    void AppendRecords(std::string &attrs, std::size_t from, std::size_t base = 0,
                       std::size_t limit = SIZE_MAX) const;
    // The index of the first record placed beyond 0-based byte `index`.
    std::size_t FirstRecordAfter(std::size_t index, std::size_t from) const;

    // What Finish changes, saved so that a line still growing can be shown in
    // its present form and then go on as if nothing had happened.
    struct Saved;
    void Save(Saved &s);
    // Returns the work undoing took.
    std::size_t Restore(const Saved &s);

    std::size_t capacity() const { return out_.capacity() + seqBytes_.capacity(); }
    void Shrink();

private:
    struct Record
    {
        char fg, bg, mode;
    };
    // Records placed at the same byte, from `first` up to the next group's first.
    struct Group
    {
        std::size_t pos; // 0-based byte index in the text
        std::size_t first;
    };

    // The kinds of sequence: CSI (ESC "["), OSC (ESC "]" up to BEL or ESC
    // "\\"), and ESC with intermediate bytes before its final one.
    enum class SeqKind : std::uint8_t { Csi, Osc, EscInter };

    void TextByte(char c);
    void SeqByte(char c);
    void CloseParam();
    void EndSeq();
    void AbandonSeq();
    // The sequences beyond the colour ones (DecoderSequences.cpp).
    bool StartSequence(char c);
    void StartCsi();
    void OtherSeqByte(char c);
    void DropSeq();
    void BreakSeq(char c);
    bool FinishOtherSeq();
    bool ExtendedColour(long long value);
    void AppendLiteral(std::string_view bytes);
    void FinalText(char c);
    void Append(char c);
    void PopEsc();
    void ResolveTrail();
    void AddRecord();
    void FoldNewestGroup();
    bool LastIsBoundaryEsc() const
    {
        return escRun_ > 1 || (escRun_ == 1 && escRunFirstAtBoundary_);
    }

    std::string out_;
    std::vector<Record> records_;
    std::vector<Group> groups_;
    bool trail_ = false;        // the next byte of out_ would be a second byte
    bool trailPending_ = false; // trail_ is still to be worked out from out_
    std::size_t escRun_ = 0;    // ESC bytes at the end of out_
    bool escRunFirstAtBoundary_ = false;
    bool clearIfLast_ = false; // a sequence at position 0 ended just before the next byte
    std::size_t lowText_ = 0;  // see TakeUnmoved
    std::size_t lowRecord_ = 0;

    // The sequence being read: its start in out_ and the bytes after its ESC.
    bool inSeq_ = false;
    std::size_t seqP_ = 0;
    long long params_ = 0;
    std::size_t digits_ = 0;
    bool hasLast_ = false;
    int fg_ = -1, bg_ = -1;     // slots: foreground 0-15, background 0-7
    bool fgBrightable_ = false; // fg_ came from 30-37, so a 1 brightens it
    bool bright_ = false;
    std::string seqBytes_;
    SeqKind kind_ = SeqKind::Csi;
    bool colourScan_ = true;  // CSI: still only digits and ";" (the colour scan)
    std::size_t scanEnd_ = 0; // CSI: index in seqBytes_ of the byte that ended it
    bool csiInter_ = false;   // CSI: an intermediate byte came
    bool sawSep_ = false;     // CSI: a ";" came
    bool oscEsc_ = false;     // OSC: the last byte was ESC
    int ext_ = 0;             // stage of a 38/48 extended colour
    bool extBg_ = false;
    int extRgb_[2] = {0, 0};

    // Between Save and Restore: what finishing the line changed.
    struct Undo
    {
        enum Kind {
            kAdded,  // a group was added
            kMerged, // the newest group, as given, merged into the one before
            kMoved,  // the newest group was pulled back from the position given
        } kind;
        Group group;
    };
    bool trying_ = false;
    std::size_t tryLow_ = 0;     // shortest out_ while trying
    std::size_t tryRecords_ = 0; // records_ when trying began
    std::size_t tryPops_ = 0;
    std::vector<Undo> undo_;

public:
    struct Saved
    {
        std::size_t outSize = 0, escRun = 0, records = 0, seqSize = 0, lowText = 0, lowRecord = 0;
        bool trail = false, trailPending = false, escRunFirstAtBoundary = false,
             clearIfLast = false, inSeq = false;
        std::size_t seqP = 0, digits = 0;
        long long params = 0;
        bool hasLast = false, bright = false, fgBrightable = false;
        int fg = -1, bg = -1;
        SeqKind kind = SeqKind::Csi;
        bool colourScan = true, csiInter = false, sawSep = false, oscEsc = false, extBg = false;
        std::size_t scanEnd = 0;
        int ext = 0;
        int extRgb[2] = {0, 0};
    };
};

// The decoder of one screen: whole chunks in, decoded lines out.
class Decoder
{
public:
    static constexpr std::size_t kMaxLineBytes = 0xFFFF; // what a record position can describe
    // Buffers larger than this go back to the allocator once a burst is over.
    static constexpr std::size_t kKeepCapacity = 64 * 1024;
    static constexpr std::size_t kKeepBatchLines = 1024;

    // Finished lines of a slice; the first `count` entries are valid, the rest
    // keep their buffers for the next slice.
    struct Batch
    {
        std::vector<DecodedLine> lines;
        std::size_t count = 0;
        DecodedLine &Next();
        void Shrink();
    };

    // How much of the present line's form is unchanged since the last look.
    struct Unchanged
    {
        std::size_t text = 0;
        std::size_t attrs = 0;
    };

    // Decodes bytes of `chunk` (which continues everything fed before) into
    // `batch`. Stops at the first line end after more than `budget` bytes have
    // been taken; returns the number of bytes taken. NUL bytes are dropped.
    std::size_t Feed(std::string_view chunk, Batch &batch, std::size_t budget = SIZE_MAX);

    // True when everything fed so far ended inside a line.
    bool inLine() const { return lineLen_ > 0; }
    // That line as it would be stored now (usually one piece; more when its
    // tabs make it too long for the record positions).
    const std::vector<DecodedLine> &PartialForm();
    // Its bytes as received, escape sequences and all.
    const std::string &PartialRaw() const { return rawLine_; }
    // The prefix of PartialForm's single piece unchanged since the last call
    // (nothing when the line is new or has more than one piece).
    Unchanged TakeUnchanged();

    // Work done so far: bytes stepped through the machine plus bytes written
    // into the present line's form. Tests check it stays linear.
    std::uint64_t work() const { return work_; }
    // Bytes held in the decoder's own buffers.
    std::size_t capacity() const;
    // Gives large buffers back; called when the input has drained.
    void Shrink();

private:
    void FeedRaw(char c); // a byte known not to be its line's last
    void FinishLine(char last, Batch &batch);
    void CutLine(std::string_view chunkPart, std::string_view ahead, Batch &batch);

    LineMachine machine_;
    std::string rawLine_; // the present line's bytes from earlier chunks
    std::size_t lineLen_ = 0;
    bool rawTrail_ = false; // the next raw byte is a second byte
    bool hasHeld_ = false;
    char held_ = 0; // the newest byte of the line, not yet stepped
    std::uint64_t lineSerial_ = 0;

    // The present line's form and, for it and for the form last taken by the
    // store, how much of it matches the machine's own text and records.
    std::vector<DecodedLine> form_;
    std::size_t formPieces_ = 0;
    std::uint64_t formSerial_ = UINT64_MAX;
    bool formFresh_ = false; // nothing was fed since form_ was made
    std::size_t formText_ = 0, formRecords_ = 0;
    std::uint64_t takenSerial_ = UINT64_MAX;
    std::size_t takenText_ = 0, takenRecords_ = 0;
    std::size_t sinceTakenText_ = SIZE_MAX, sinceTakenRecords_ = SIZE_MAX;
    Unchanged storeKeep_;
    LineMachine::Saved saved_;
    std::uint64_t work_ = 0;
};

} // namespace screen
