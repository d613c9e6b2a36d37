#include "core/session/Transcoder.h"

#include "core/session/EncodingDetector.h"

namespace session {

namespace {

// Bytes of an unfinished character kept back, and bytes of the next read
// joined to them to finish it: no character in our encodings is longer.
constexpr std::size_t kMaxHeld = 4;

} // namespace

Transcoder::Transcoder(Encoding setting)
    : setting_(setting)
{
    Use(setting);
}

void Transcoder::Use(Encoding e)
{
    current_ = e;
    decoder_.reset();
    if (e == Encoding::kUtf8 || e == Encoding::kBig5)
        decoder_ = std::make_unique<TableDecoder>(e);
}

void Transcoder::SetEncoding(Encoding setting)
{
    setting_ = setting;
    Use(setting); // held bytes stay, to be read in the new encoding
}

bool Transcoder::AgreeCharset(std::string_view charset)
{
    const std::optional<Encoding> e = EncodingFromName(charset);
    if (!e || *e == Encoding::kAuto)
        return false;
    Use(*e);
    return true;
}

void Transcoder::NewConnection()
{
    held_.clear();
    Use(setting_);
}

void Transcoder::Feed(std::string_view in, std::string &out)
{
    if (detecting())
        Detect(in, out);
    else
        Decode(in, out);
}

void Transcoder::Detect(std::string_view in, std::string &out)
{
    std::string sample;
    if (held_.empty()) {
        const std::size_t first = AsciiPrefix(in);
        out.append(in.substr(0, first)); // ASCII reads the same in every encoding
        if (first == in.size())
            return;
        sample.assign(in.substr(first));
    } else {
        sample.swap(held_);
        sample.append(in);
    }
    const std::optional<Encoding> decided = DetectEncoding(sample);
    if (!decided) {
        held_.swap(sample); // a few bytes of one unfinished sequence
        return;
    }
    Use(*decided);
    Decode(sample, out);
}

void Transcoder::Decode(std::string_view in, std::string &out)
{
    if (!decoder_) {
        out += held_;
        held_.clear();
        out.append(in);
        return;
    }
    if (!held_.empty()) {
        // The held character is finished with the first bytes of this read,
        // without copying the read.
        const std::string joined = held_ + std::string(in.substr(0, kMaxHeld));
        const std::size_t taken = decoder_->Decode(joined, out);
        if (in.size() <= kMaxHeld) {
            held_ = joined.substr(taken);
            return;
        }
        if (taken < held_.size()) {
            // More held than one character (a sample kept while detecting):
            // the rest goes on from where the decoder stopped.
            std::string rest = joined.substr(taken);
            rest.append(in.substr(kMaxHeld));
            held_.clear();
            Decode(rest, out);
            return;
        }
        in.remove_prefix(taken - held_.size());
        held_.clear();
    }
    held_.assign(in.substr(decoder_->Decode(in, out)));
}

} // namespace session
