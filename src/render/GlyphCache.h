// Antialiased glyphs of the screen font, each rendered once as a coverage
// mask and then blended into frames at whole-pixel pen positions. Painting by
// masks is several times cheaper than laying text out for every run, and it
// puts every glyph exactly where the layout's widths say it starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QFont>
#include <QImage>

namespace screen {

class FontThread;

// Where a glyph's ink lies relative to its pen position (x) and the top of
// its row (y), and its coverage values, one byte a pixel, row by row.
struct GlyphMask
{
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t width = 0; // 0: no ink (a space)
    std::int16_t height = 0;
    std::uint32_t offset = 0; // into the cache's coverage bytes
};

class GlyphCache
{
public:
    // Character slots, as the text measure indexes them: single bytes 0..255,
    // then every double-byte character, then the four-byte characters of the
    // first plane in their order, then one slot shared by every character
    // beyond the first plane (they are drawn as U+FFFD).
    static constexpr int kFourByteFirstPlane = 39420; // 0x81308130 .. 0x8431A439
    static constexpr int kTiledSlots = 256 + (0xFF - 0x81 + 1) * 256;
    static constexpr int kSlots = kTiledSlots + kFourByteFirstPlane + 1;

    // `ascent` places the baseline below a row's top and `cellHeight` is the
    // font's cell; `advanceHint` is about the widest advance, for the room
    // left around a glyph while rendering. Glyphs are rendered on `fonts`.
    GlyphCache(FontThread &fonts, const QFont &font, int ascent, int cellHeight, int advanceHint);

    // The mask of `ch`, rendered on first use; `slot` is the caller's index
    // for the character (below `slots`).
    const GlyphMask &Mask(int slot, char16_t ch);
    const std::uint8_t *Coverage(const GlyphMask &mask) const
    {
        return coverage_.data() + mask.offset;
    }

    // The glyph's whole cell, `advance` x the cell height, already painted in
    // `ink` on `paper` (both 0xRRGGBB), so that painting it is a copy; made
    // on first use for each pair of colours. nullptr when the glyph's ink
    // reaches outside its cell or its slot is a four-byte character's: such a
    // glyph is blended after its row's cells.
    const std::uint32_t *Tile(int slot, const GlyphMask &mask, int advance, std::uint32_t ink,
                              std::uint32_t paper);
    int cellHeight() const { return cellHeight_; }

private:
    GlyphMask Render(char16_t ch);
    std::int32_t MakeTile(const GlyphMask &mask, int advance, std::uint32_t ink,
                          std::uint32_t paper);
    void GrowTileIndex();

    FontThread &fonts_;
    QFont font_;
    int ascent_;
    int pad_;
    QImage scratch_;                  // reused for every rendering
    std::vector<std::int32_t> index_; // per slot: index into masks_, -1 before first use
    std::vector<GlyphMask> masks_;
    std::vector<std::uint8_t> coverage_;

    int cellHeight_;
    // Tiles by (slot, ink, paper) in an open-addressed table: a key of 0 is
    // free. The pixels of all tiles lie in one pool, dropped whole when full.
    std::vector<std::uint64_t> tileKeys_;
    std::vector<std::int32_t> tileAt_;
    std::size_t tileCount_ = 0;
    std::vector<std::uint32_t> tilePixels_;
};

// The pixels of a 32-bit image, for painting without a QPainter.
struct Canvas
{
    std::uint32_t *bits;
    int stride; // pixels from one line to the next
    int width;
    int height;

    Canvas(std::uint32_t *pixels, int lineStride, int w, int h)
        : bits(pixels)
        , stride(lineStride)
        , width(w)
        , height(h)
    {}
    explicit Canvas(QImage &image)
        : bits(reinterpret_cast<std::uint32_t *>(image.bits()))
        , stride(static_cast<int>(image.bytesPerLine() / 4))
        , width(image.width())
        , height(image.height())
    {}
    std::uint32_t *Line(int y) const { return bits + static_cast<std::ptrdiff_t>(y) * stride; }
};

// Blends `mask` in colour `rgb` (0xRRGGBB) with its pen at (x, rowTop),
// touching only lines rowTop .. clipBottom-1.
void BlendGlyph(const Canvas &canvas, const GlyphCache &cache, const GlyphMask &mask, int x,
                int rowTop, int clipBottom, std::uint32_t rgb);

} // namespace screen
