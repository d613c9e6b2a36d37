#include "render/GlyphCache.h"

#include "render/FontThread.h"

#include <algorithm>

#include <QPainter>

namespace screen {

namespace {

// Tiles kept at most, in pixels (4 bytes each): a few thousand characters in
// a few colours each; past it every tile is dropped and made again on use.
constexpr std::size_t kTilePoolPixels = 1 << 20;

inline std::size_t TileHash(std::uint64_t key)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32);
}

} // namespace

GlyphCache::GlyphCache(FontThread &fonts, const QFont &font, int ascent, int cellHeight,
                       int advanceHint)
    : fonts_(fonts)
    , font_(font)
    , ascent_(ascent)
    , pad_(std::max({advanceHint, cellHeight, 4}))
    , index_(kSlots, -1)
    , cellHeight_(cellHeight)
    , tileKeys_(4096, 0)
    , tileAt_(4096, 0)
{
    // Room for a glyph's ink however far it reaches past its cell.
    scratch_ = QImage(3 * pad_, 4 * pad_, QImage::Format_ARGB32_Premultiplied);
    masks_.reserve(256);
}

const GlyphMask &GlyphCache::Mask(int slot, char16_t ch)
{
    std::int32_t &i = index_[static_cast<std::size_t>(slot)];
    if (i < 0) {
        GlyphMask mask;
        fonts_.Run([&] { mask = Render(ch); });
        i = static_cast<std::int32_t>(masks_.size());
        masks_.push_back(mask);
    }
    return masks_[static_cast<std::size_t>(i)];
}

GlyphMask GlyphCache::Render(char16_t ch)
{
    // White on transparent: the alpha of each pixel is the glyph's coverage.
    scratch_.fill(Qt::transparent);
    const int penX = pad_, penY = pad_ + ascent_;
    {
        QPainter painter(&scratch_);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(penX, penY, QString(QChar(ch)));
    }
    // The size read once: each call into the image is out of line.
    const int width = scratch_.width(), height = scratch_.height();
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(scratch_.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    GlyphMask mask;
    if (x1 < 0)
        return mask;
    mask.left = static_cast<std::int16_t>(x0 - penX);
    mask.top = static_cast<std::int16_t>(y0 - pad_);
    mask.width = static_cast<std::int16_t>(x1 - x0 + 1);
    mask.height = static_cast<std::int16_t>(y1 - y0 + 1);
    mask.offset = static_cast<std::uint32_t>(coverage_.size());
    for (int y = y0; y <= y1; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(scratch_.constScanLine(y));
        for (int x = x0; x <= x1; ++x)
            coverage_.push_back(static_cast<std::uint8_t>(qAlpha(line[x])));
    }
    return mask;
}

const std::uint32_t *GlyphCache::Tile(int slot, const GlyphMask &mask, int advance,
                                      std::uint32_t ink, std::uint32_t paper)
{
    if (mask.width > 0 && (mask.left < 0 || mask.left + mask.width > advance || mask.top < 0 ||
                           mask.top + mask.height > cellHeight_))
        return nullptr;
    // The key holds 15 bits of slot: the rare four-byte characters beyond them
    // are blended like glyphs that reach out of their cell.
    if (slot >= kTiledSlots)
        return nullptr;
    const std::uint64_t key = std::uint64_t(1) << 63 | std::uint64_t(slot) << 48 |
                              std::uint64_t(ink & 0xFFFFFF) << 24 | (paper & 0xFFFFFF);
    const std::size_t mod = tileKeys_.size() - 1;
    std::size_t i = TileHash(key) & mod;
    while (tileKeys_[i] != 0) {
        if (tileKeys_[i] == key)
            return tilePixels_.data() + tileAt_[i];
        i = (i + 1) & mod;
    }
    if (tilePixels_.size() + std::size_t(advance) * std::size_t(cellHeight_) > kTilePoolPixels) {
        std::fill(tileKeys_.begin(), tileKeys_.end(), 0);
        tileCount_ = 0;
        tilePixels_.clear();
        i = TileHash(key) & mod;
    }
    const std::int32_t at = MakeTile(mask, advance, ink, paper);
    tileKeys_[i] = key;
    tileAt_[i] = at;
    if (++tileCount_ * 2 > tileKeys_.size())
        GrowTileIndex();
    return tilePixels_.data() + at;
}

void GlyphCache::GrowTileIndex()
{
    std::vector<std::uint64_t> keys(tileKeys_.size() * 2, 0);
    std::vector<std::int32_t> at(keys.size(), 0);
    const std::size_t mod = keys.size() - 1;
    for (std::size_t j = 0; j < tileKeys_.size(); ++j) {
        if (tileKeys_[j] == 0)
            continue;
        std::size_t i = TileHash(tileKeys_[j]) & mod;
        while (keys[i] != 0)
            i = (i + 1) & mod;
        keys[i] = tileKeys_[j];
        at[i] = tileAt_[j];
    }
    tileKeys_.swap(keys);
    tileAt_.swap(at);
}

std::int32_t GlyphCache::MakeTile(const GlyphMask &mask, int advance, std::uint32_t ink,
                                  std::uint32_t paper)
{
    const auto at = static_cast<std::int32_t>(tilePixels_.size());
    tilePixels_.resize(tilePixels_.size() + std::size_t(advance) * std::size_t(cellHeight_),
                       0xFF000000u | paper);
    Canvas tile{tilePixels_.data() + at, advance, advance, cellHeight_};
    BlendGlyph(tile, *this, mask, 0, 0, cellHeight_, ink);
    return at;
}

void BlendGlyph(const Canvas &canvas, const GlyphCache &cache, const GlyphMask &mask, int x,
                int rowTop, int clipBottom, std::uint32_t rgb)
{
    if (mask.width == 0)
        return;
    const int left = x + mask.left;
    const int top = rowTop + mask.top;
    const int c0 = std::max(0, -left);
    const int c1 = std::min<int>(mask.width, canvas.width - left);
    const int r0 = std::max({0, -top, rowTop - top});
    const int r1 = std::min<int>({mask.height, canvas.height - top, clipBottom - top});
    if (c0 >= c1 || r0 >= r1)
        return;
    // Per channel, d + (fg - d) * a / 255, written without branches so that
    // the compiler can do many pixels at once; a = 0 leaves d as it was.
    const std::uint8_t *cov = cache.Coverage(mask);
    const std::uint32_t fr = (rgb >> 16) & 0xFF, fgn = (rgb >> 8) & 0xFF, fb = rgb & 0xFF;
    for (int r = r0; r < r1; ++r) {
        std::uint32_t *__restrict dst = canvas.Line(top + r) + left;
        const std::uint8_t *__restrict src = cov + r * mask.width;
        for (int c = c0; c < c1; ++c) {
            const std::uint32_t a = src[c], inv = 255 - a, d = dst[c];
            const std::uint32_t red = ((d >> 16) & 0xFF) * inv + fr * a + 128;
            const std::uint32_t green = ((d >> 8) & 0xFF) * inv + fgn * a + 128;
            const std::uint32_t blue = (d & 0xFF) * inv + fb * a + 128;
            dst[c] = 0xFF000000u | ((red + (red >> 8)) >> 8) << 16 |
                     ((green + (green >> 8)) >> 8) << 8 | ((blue + (blue >> 8)) >> 8);
        }
    }
}

} // namespace screen
