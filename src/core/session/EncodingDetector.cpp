#include "core/session/EncodingDetector.h"

#include "core/session/Iconv.h"
#include "core/text/GbkText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace session {

namespace {

// Characters that fill most of any Chinese game's text, simplified and
// traditional forms side by side, words of rooms and martial arts, and the
// punctuation both scripts use: a
// reading in the wrong encoding turns them into kana, symbols and rare
// characters instead.
constexpr std::u32string_view kCommon =
    U"的一是不了人我在有他这這个個们們来來说說时時中大上下出到道地里裡着著"
    U"你门門向东東西南北路山子小二三十气氣力生手头頭天回看去过過对對家之于於"
    U"以可会會能要就都而也好见見间間前后後无無与與么麼经經那她它没沒"
    U"为為和自己多得心走进進面長长年事开開发發问問已边邊口水明白高"
    U"此起样樣只還还又把被从從给給些正想现現成方動动老将將法如什然当當"
    U"客店棧栈城街房州江湖武林功夫劍剑刀派弟師师兄俠侠"
    U"、。，：；！？「」『』“”（）《》…—　";

bool IsCommon(char32_t c)
{
    return kCommon.find(c) != std::u32string_view::npos;
}

struct Utf8Scan
{
    int longValid = 0;  // valid sequences of three or four bytes
    int shortValid = 0; // valid two-byte sequences
    int invalid = 0;
};

// Counts the sample's sequences; an unfinished one at its very end counts as
// nothing.
Utf8Scan ScanUtf8(std::string_view s)
{
    Utf8Scan scan;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t need = 0;
        char32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF)
            need = 1, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            need = 2, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            need = 3, min = 0x10000;
        if (need == 0) {
            ++scan.invalid;
            ++i;
            continue;
        }
        char32_t value = c & (0x3F >> need);
        std::size_t k = 1;
        while (k <= need && i + k < s.size() &&
               (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) {
            value = value << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
            ++k;
        }
        if (k <= need && i + k == s.size())
            break; // unfinished at the end
        if (k <= need || value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            ++scan.invalid;
            ++i;
            continue;
        }
        ++(need == 1 ? scan.shortValid : scan.longValid);
        i += need + 1;
    }
    return scan;
}

// How well the sample reads as Chinese in `from`: common characters count
// for, bytes that do not decode count strongly against.
struct Reading
{
    int chars = 0;
    int common = 0;
    int bad = 0;
    double Score() const { return chars == 0 ? -bad : (common - 3.0 * bad) / (chars + bad); }
};

Reading Read(std::string_view sample, const char *from)
{
    Reading r;
    Iconv cd("UTF-32LE", from);
    std::string wide;
    std::size_t pos = 0;
    while (pos < sample.size()) {
        const Iconv::Result res = cd.Convert(sample.substr(pos), wide);
        pos += res.taken;
        if (res.stop != Iconv::Stop::kBadByte)
            break; // done, or unfinished at the end
        ++r.bad;
        ++pos;
    }
    for (std::size_t k = 0; k + 4 <= wide.size(); k += 4) {
        std::uint32_t c;
        std::memcpy(&c, wide.data() + k, 4);
        if (c < 0x80)
            continue;
        ++r.chars;
        if (IsCommon(static_cast<char32_t>(c)))
            ++r.common;
    }
    return r;
}

bool HasFourByte(std::string_view s)
{
    for (std::size_t i = 0; i < s.size(); i += gbk::CharLength(s, i))
        if (gbk::CharLength(s, i) == 4)
            return true;
    return false;
}

} // namespace

std::optional<Encoding> DetectEncoding(std::string_view sample)
{
    const Utf8Scan utf8 = ScanUtf8(sample);
    if (utf8.longValid == 0 && utf8.shortValid == 0 && utf8.invalid == 0)
        return std::nullopt; // nothing but the start of a sequence yet
    if (sample.size() == 1)
        return std::nullopt; // a lone lead byte
    // Chinese in UTF-8 is three bytes a character: a few of those and (almost)
    // nothing invalid is never GBK or Big5 by chance.
    if (utf8.longValid > 0 && utf8.invalid * 10 <= utf8.longValid)
        return Encoding::kUtf8;
    const Reading gbkReading = Read(sample, "GB18030");
    const Reading big5Reading = Read(sample, Iconv::Big5Name());
    Encoding best = HasFourByte(sample) ? Encoding::kGb18030 : Encoding::kGbk;
    double bestScore = gbkReading.Score();
    if (big5Reading.Score() > bestScore) {
        best = Encoding::kBig5;
        bestScore = big5Reading.Score();
    }
    if (utf8.invalid == 0 && Read(sample, "UTF-8").Score() > bestScore)
        best = Encoding::kUtf8;
    return best;
}

} // namespace session
