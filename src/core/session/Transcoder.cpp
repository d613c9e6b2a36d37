#include "core/session/Transcoder.h"

#include "core/session/EncodingDetector.h"

#include <cstdint>
#include <cstring>

namespace session {

namespace {

// Index of the first byte of `s` at or above 0x80 (its size when none),
// eight bytes a step over the ASCII that most game text is.
std::size_t FirstHighByte(std::string_view s)
{
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

// No unfinished character in our encodings is longer than this.
constexpr std::size_t kMaxHeld = 8;

} // namespace

Transcoder::Transcoder(Encoding setting)
    : setting_(setting)
{
    Use(setting);
}

void Transcoder::Use(Encoding e)
{
    current_ = e;
    converter_.reset();
    if (e == Encoding::kUtf8)
        converter_ = std::make_unique<Iconv>("GB18030", "UTF-8");
    else if (e == Encoding::kBig5)
        converter_ = std::make_unique<Iconv>("GB18030", Iconv::Big5Name());
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
        const std::size_t first = FirstHighByte(in);
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
    if (!converter_) {
        out += held_;
        held_.clear();
        out.append(in);
        return;
    }
    std::string joined;
    std::string_view data = in;
    if (!held_.empty()) {
        joined.swap(held_);
        joined.append(in);
        data = joined;
    }
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t ascii = FirstHighByte(data.substr(pos));
        out.append(data.substr(pos, ascii));
        pos += ascii;
        if (pos == data.size())
            break;
        const Iconv::Result r = converter_->Convert(data.substr(pos), out);
        pos += r.taken;
        if (r.stop == Iconv::Stop::kEnd)
            break;
        if (r.stop == Iconv::Stop::kIncomplete && data.size() - pos < kMaxHeld) {
            held_.assign(data.substr(pos));
            break;
        }
        out += kReplacement; // one byte that does not decode
        converter_->Flush(out);
        ++pos;
    }
}

} // namespace session
