#include "render/QtTextMeasure.h"

#include "core/screen/Palette.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"

#include <algorithm>
#include <map>
#include <utility>

#include <QStringDecoder>

namespace screen {

QFont ScreenFont(const ScreenLook &look)
{
    QFont font(gbk::ToQString(look.fontName));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleHint(QFont::TypeWriter,
                      QFont::StyleStrategy(QFont::PreferDefault | QFont::PreferNoShaping));
    // A pixel size sets the em, and a face's cell is usually taller than its
    // em: look for the largest em whose cell still fits the size asked for.
    // The probing opens the face, so it runs where the screens' faces live;
    // the font handed back is a description only.
    const int cell = std::max(1, look.fontSize);
    int px = cell;
    FontThread::Get()->Run([&] {
        QFont probe(font);
        auto cellOf = [&](int size) {
            probe.setPixelSize(size);
            return QFontMetrics(probe).height();
        };
        const int first = cellOf(px);
        if (first > cell)
            px = std::max(1, cell * cell / first);
        while (px > 1 && cellOf(px) > cell)
            --px;
        while (px < 4 * cell && cellOf(px + 1) <= cell)
            ++px;
    });
    font.setPixelSize(px);
    return font;
}

QtTextMeasure::QtTextMeasure(const QFont &font)
    : fonts_(FontThread::Get())
    , font_(font)
    , widths_(GlyphCache::kSlots, -1)
    , glyphs_(GlyphCache::kSlots, 0)
{
    fonts_->Run([this] {
        metrics_ = std::make_unique<QFontMetrics>(font_);
        ascent_ = metrics_->ascent();
        cellHeight_ = metrics_->height();
        maxWidth_ = metrics_->maxWidth();
    });
}

QtTextMeasure::~QtTextMeasure()
{
    fonts_->Run([this] {
        glyphCache_.reset();
        metrics_.reset();
    });
}

std::shared_ptr<QtTextMeasure> QtTextMeasure::ForLook(const ScreenLook &look)
{
    // The screen font depends on the face and the size only.
    using Key = std::pair<std::string, int>;
    static std::mutex mutex;
    static std::map<Key, std::weak_ptr<QtTextMeasure>> shared;
    const Key key(look.fontName, look.fontSize);
    const std::shared_ptr<FontThread> fonts = FontThread::Get(); // one thread for both steps
    std::lock_guard lock(mutex);
    std::erase_if(shared, [](const auto &entry) { return entry.second.expired(); });
    std::weak_ptr<QtTextMeasure> &slot = shared[key];
    std::shared_ptr<QtTextMeasure> measure = slot.lock();
    if (!measure) {
        measure = std::make_shared<QtTextMeasure>(ScreenFont(look));
        slot = measure;
    }
    return measure;
}

int QtTextMeasure::Index(std::string_view ch)
{
    const auto lead = static_cast<unsigned char>(ch[0]);
    if (ch.size() < 2)
        return lead;
    constexpr int kFourByteBase = GlyphCache::kTiledSlots;
    if (ch.size() == 4) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(ch[k]); };
        const int linear =
            (((lead - 0x81) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) * 10 + (b(3) - 0x30);
        return kFourByteBase + std::min(linear, GlyphCache::kFourByteFirstPlane);
    }
    return 256 + ((lead - 0x81) << 8 | static_cast<unsigned char>(ch[1]));
}

char16_t QtTextMeasure::Glyph(int index, std::string_view ch)
{
    char16_t &g = glyphs_[static_cast<std::size_t>(index)];
    if (g == 0) {
        const auto c = static_cast<unsigned char>(ch[0]);
        if (ch.size() == 1 && c < 0x80) {
            g = c;
        } else {
            QStringDecoder decoder("GB18030");
            QString s =
                decoder.decode(QByteArrayView(ch.data(), static_cast<qsizetype>(ch.size())));
            // Beyond the first plane (two UTF-16 units) the one shared slot shows U+FFFD.
            g = s.size() == 1 ? s.at(0).unicode() : u'\uFFFD';
        }
        if (g == 0)
            g = u' ';
    }
    return g;
}

int QtTextMeasure::CharWidth(std::string_view ch)
{
    if (static_cast<unsigned char>(ch[0]) < 0x20)
        return 0; // control bytes are not drawn
    const int index = Index(ch);
    std::int16_t &w = widths_[static_cast<std::size_t>(index)];
    if (w < 0) {
        const char16_t glyph = Glyph(index, ch);
        // A character measured is about to be painted: its mask is rendered in
        // the same trip to the font thread.
        fonts_->Run([&] {
            w = static_cast<std::int16_t>(metrics_->horizontalAdvance(QChar(glyph)));
            glyphs().Mask(index, glyph);
        });
    }
    return w;
}

QtTextMeasure::CharGlyph QtTextMeasure::PaintGlyph(std::string_view ch)
{
    if (static_cast<unsigned char>(ch[0]) < 0x20)
        return {0, 0, nullptr};
    const int index = Index(ch);
    return {index, CharWidth(ch), &glyphs().Mask(index, Glyph(index, ch))};
}

GlyphCache &QtTextMeasure::glyphs()
{
    if (!glyphCache_)
        glyphCache_ = std::make_unique<GlyphCache>(*fonts_, font_, ascent_, cellHeight_, maxWidth_);
    return *glyphCache_;
}

void QtTextMeasure::AppendText(std::string_view bytes, QString &out)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = gbk::CharLength(bytes, i);
        std::string_view ch = bytes.substr(i, len);
        i += len;
        if (static_cast<unsigned char>(ch[0]) < 0x20)
            continue;
        out += QChar(Glyph(Index(ch), ch));
    }
}

} // namespace screen
