// Character widths of the screen font, cached per character, and the GB18030 to
// UTF-16 mapping of each character, cached the same way. Screens with the same
// font share one measure (ForLook); a screen holds its lock for a frame's text
// work. The font itself is only ever touched on the font thread.
#pragma once

#include "core/screen/TextMeasure.h"
#include "render/FontThread.h"
#include "render/GlyphCache.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace screen {

struct ScreenLook;

// The screen font of a look: its face (the system's fallback draws a face that
// is not installed), normal weight, sized so that its cell (ascent + descent)
// is the look's font size: the row height is that cell plus the line
// spacing, so the spacing shows between rows whatever face the fallback
// picks. Screen text needs no complex shaping, which keeps painting cheap.
QFont ScreenFont(const ScreenLook &look);

class QtTextMeasure : public TextMeasure
{
public:
    explicit QtTextMeasure(const QFont &font);
    ~QtTextMeasure() override;
    QtTextMeasure(const QtTextMeasure &) = delete;
    QtTextMeasure &operator=(const QtTextMeasure &) = delete;

    // The measure of a look's screen font, shared by every screen that shows
    // the same face at the same size while any of them holds it.
    static std::shared_ptr<QtTextMeasure> ForLook(const ScreenLook &look);
    // Held while laying out and painting with a shared measure.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }

    int CharWidth(std::string_view ch) override;

    // What painting one character (as CharWidth takes it) needs: its slot in
    // the glyph cache, its width and its mask (nullptr for control bytes,
    // which are not drawn and take no room).
    struct CharGlyph
    {
        int slot;
        int advance;
        const GlyphMask *mask;
    };
    CharGlyph PaintGlyph(std::string_view ch);
    GlyphCache &glyphs();

    // Appends the printable characters of `bytes` to `out` (control bytes such
    // as the kept CR LF are not drawn).
    void AppendText(std::string_view bytes, QString &out);

    const QFont &font() const { return font_; }
    int ascent() const { return ascent_; }
    int cellHeight() const { return cellHeight_; } // ascent + descent

private:
    static int Index(std::string_view ch);
    char16_t Glyph(int index, std::string_view ch);

    std::shared_ptr<FontThread> fonts_; // first in, last out: the fonts below need it
    std::mutex mutex_;
    QFont font_;
    std::unique_ptr<QFontMetrics> metrics_; // made, used and dropped on the font thread
    int ascent_ = 0;
    int cellHeight_ = 0;
    int maxWidth_ = 0;
    std::unique_ptr<GlyphCache> glyphCache_; // made on the first glyph painted
    // Index: single bytes 0..255, double-byte characters 256 + (lead << 8 | trail) - 0x8100,
    // then the four-byte characters (see GlyphCache::kSlots).
    std::vector<std::int16_t> widths_; // -1: not measured yet
    std::vector<char16_t> glyphs_;     // 0: not decoded yet
};

} // namespace screen
