// The line machine's escape sequences beyond the colour ones: every whole
// CSI sequence that is not a colour sequence, OSC strings (window titles) and
// the short ESC sequences (character sets, saved cursor, keypad modes) draw
// nothing and leave nothing in the text; 256-colour and truecolour choices go
// to the nearest palette slot. A sequence broken by a byte that cannot belong
// to it gives its bytes back as text, as the colour scan does.
#include "core/screen/AnsiColour.h"
#include "core/screen/Decoder.h"

namespace screen {

namespace {

constexpr char kEsc = '\x1b';
constexpr char kBel = '\x07';

bool IsIntermediate(char c)
{
    return c >= 0x20 && c <= 0x2F;
}

bool IsParameter(char c)
{
    return c >= 0x30 && c <= 0x3F;
}

bool IsFinal(char c)
{
    return c >= 0x40 && c <= 0x7E;
}

} // namespace

bool LineMachine::StartSequence(char c)
{
    // The ESC before `c` stands on a character boundary.
    if (c == '[') {
        PopEsc();
        StartCsi();
        return true;
    }
    if (c == ']' || IsIntermediate(c)) {
        PopEsc();
        inSeq_ = true;
        kind_ = c == ']' ? SeqKind::Osc : SeqKind::EscInter;
        seqP_ = out_.size();
        oscEsc_ = false;
        seqBytes_.assign(1, c);
        return true;
    }
    if (c >= 0x30 && c <= 0x7E) {
        PopEsc(); // a two-byte sequence: ESC 7, ESC 8, ESC =, ESC M, ...
        return true;
    }
    return false; // ESC before a control or a GBK byte is no sequence
}

void LineMachine::StartCsi()
{
    inSeq_ = true;
    kind_ = SeqKind::Csi;
    colourScan_ = true;
    csiInter_ = false;
    sawSep_ = false;
    seqP_ = out_.size();
    params_ = 0;
    digits_ = 0;
    hasLast_ = false;
    fg_ = bg_ = -1;
    fgBrightable_ = false;
    bright_ = false;
    ext_ = 0;
    seqBytes_.assign(1, '[');
}

void LineMachine::OtherSeqByte(char c)
{
    switch (kind_) {
    case SeqKind::Csi:
        if (IsFinal(c)) {
            DropSeq();
        } else if (IsIntermediate(c) || (IsParameter(c) && !csiInter_)) {
            csiInter_ = csiInter_ || IsIntermediate(c);
            seqBytes_.push_back(c);
        } else {
            BreakSeq(c);
        }
        return;
    case SeqKind::Osc:
        if (c == kBel || (oscEsc_ && c == '\\')) {
            DropSeq();
            return;
        }
        oscEsc_ = c == kEsc;
        seqBytes_.push_back(c);
        if (seqBytes_.size() >= kMaxStringBytes) {
            inSeq_ = false;
            AppendLiteral(seqBytes_);
        }
        return;
    case SeqKind::EscInter:
        if (c >= 0x30 && c <= 0x7E) {
            DropSeq();
        } else if (IsIntermediate(c) && seqBytes_.size() + 1 < kMaxStringBytes) {
            seqBytes_.push_back(c);
        } else {
            BreakSeq(c);
        }
        return;
    }
}

void LineMachine::DropSeq()
{
    inSeq_ = false;
}

void LineMachine::BreakSeq(char c)
{
    inSeq_ = false;
    if (kind_ == SeqKind::Csi && hasLast_) {
        // The colour scan had ended with a colour: that part stands as the
        // colour scan decided it, the bytes after it are text.
        AddRecord();
        AppendLiteral(std::string_view(seqBytes_).substr(scanEnd_ + 1));
    } else {
        if (kind_ == SeqKind::Csi)
            while (LastIsBoundaryEsc())
                PopEsc();
        AppendLiteral(seqBytes_);
    }
    // The byte that broke the sequence is read as usual: it may start one.
    TextByte(c);
}

bool LineMachine::FinishOtherSeq()
{
    // The line's last byte came inside the sequence, which it never belongs to.
    inSeq_ = false;
    if (kind_ == SeqKind::Csi && hasLast_) {
        AddRecord();
        const std::string_view rest = std::string_view(seqBytes_).substr(scanEnd_ + 1);
        if (seqP_ == 0 && rest.empty())
            return true; // from the first byte to just before the last: the line goes
        AppendLiteral(rest);
        return false;
    }
    if (kind_ == SeqKind::Csi)
        while (LastIsBoundaryEsc())
            PopEsc();
    AppendLiteral(seqBytes_);
    return false;
}

void LineMachine::AppendLiteral(std::string_view bytes)
{
    if (bytes.empty())
        return; // an ESC before them may still start a sequence
    for (char c : bytes)
        Append(c);
    // Bytes given back are text: an ESC among them starts nothing.
    escRun_ = 0;
}

bool LineMachine::ExtendedColour(long long value)
{
    // 38;5;n and 48;5;n pick from the 256-colour table, 38;2;r;g;b and
    // 48;2;r;g;b give the colour itself.
    const bool valid = value >= 0 && value <= 255;
    switch (ext_) {
    case 0:
        if (value != 38 && value != 48)
            return false;
        ext_ = 1;
        extBg_ = value == 48;
        return true;
    case 1:
        ext_ = value == 5 ? 2 : value == 2 ? 3 : 0;
        return true;
    case 2:
    case 5: {
        const int stage = ext_;
        ext_ = 0;
        if (!valid)
            return true;
        const int slot = stage == 2
                             ? SlotFor256(static_cast<int>(value), extBg_)
                             : SlotForRgb(extRgb_[0], extRgb_[1], static_cast<int>(value), extBg_);
        if (extBg_) {
            bg_ = slot;
        } else {
            fg_ = slot;
            fgBrightable_ = false;
        }
        return true;
    }
    default: // 3, 4: red, green
        extRgb_[ext_ - 3] = valid ? static_cast<int>(value) : 0;
        ++ext_;
        return true;
    }
}

} // namespace screen
