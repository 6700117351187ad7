#pragma once

// The glyphs of track points: their looks, drawn once into sprites and then
// copied, and the test of which glyphs of a long track can show at all.

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;
struct TGeoTrackStyle;
class TTrackPointInfo;

// A colour as the service and the styles store it: 0x00BBGGRR.
inline QColor ColorOfTColor(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Rounding to the nearest integer, ties to even.
int RoundEven(double v);

// One look of a glyph: its kind, colours, size and, for an ordinary point
// with a bearing, the arrow's offsets.
struct GlyphKey
{
    uint32_t pen, fill;
    int8_t kind, dx, dy, h1x, h1y, h2x, h2y;
    int16_t size;
    friend bool operator==(const GlyphKey &, const GlyphKey &) = default;
};

size_t qHash(const GlyphKey &k, size_t seed = 0);

enum GlyphKind : int8_t { GlyphPoint, GlyphParking, GlyphEvent };

// Draws a glyph with its square's top-left at TL (the point minus PointSize div 2).
void DrawGlyph(QPainter &p, const GlyphKey &k, const QPoint &TL);

// The look of a track point's glyph of the kind in the track's style: the
// colours by source and address, and an ordinary point's arrow by bearing.
GlyphKey TrackGlyphKey(const TGeoTrackStyle &St, const TTrackPointInfo &Tp, int8_t Kind);

// Glyphs of track points are small and many: each look is drawn once into a
// sprite and then copied. Drawing is unantialiased, so a sprite copy gives the
// same pixels as drawing in place.
class TTrackGlyphSprites
{
public:
    static constexpr int Pad = 4; // transparent border around the square

    // Draws onto Target (premultiplied ARGB32), which no painter may be
    // open on. A sprite's pixels are either transparent or opaque, so its
    // opaque runs are copied: the pixels drawImage gives, without its cost
    // per call.
    void Draw(QImage &Target, const GlyphKey &k, const QPoint &TL);

private:
    struct Run
    {
        int16_t y, x0, x1; // x1 exclusive
    };
    struct Sprite
    {
        QImage image;
        bool opaqueRuns = true; // false: some pixel is partly transparent
        std::vector<Run> runs;
    };

    QHash<GlyphKey, Sprite> fSprites;
};

// Which glyphs of a track can be seen at all. A dense track stacks hundreds
// of thousands of glyphs on a few thousand glyph-sized cells, and a glyph
// whose every pixel a later glyph paints over opaquely cannot show; drawing
// only the others gives the same pixels. Each glyph kind has two row masks
// over its sprite (bit j = column j): the pixels it may paint, and the pixels
// it always paints opaquely. Colours never change the shape, and an ordinary
// point's arrow only adds opaque pixels to the disc.
class TTrackGlyphCoverage
{
public:
    static constexpr int Pad = TTrackGlyphSprites::Pad;

    // Starts an empty area of the size. False when the glyphs are too big
    // for one 64-bit word per row.
    bool Begin(int Size, int Width, int Height);

    // Glyph of the kind with its sprite's top-left at (X, Y) in the area,
    // tested against the glyphs registered before (the later ones in drawing
    // order); when it shows, its opaque pixels cover what lies below it.
    bool Shows(int Kind, int X, int Y)
    {
        // The mask has a word of columns left of the area and a sprite's
        // height of rows above and below, all covered: nothing there shows,
        // so no row or column needs a bounds check.
        if (X <= -fSide || X >= fWidth || Y <= -fSide || Y >= fHeight)
            return false;
        const Shape &sh = fShapes[size_t(Kind)];
        const int col = X + 64, shift = col & 63;
        uint64_t *row0 = &fMask[size_t(Y + fSide) * size_t(fWords) + size_t(col >> 6)];
        const uint64_t *row = row0 + size_t(sh.first) * size_t(fWords);
        uint64_t open = 0;
        for (int r = sh.first; r < sh.last; ++r, row += fWords) {
            const uint64_t b = sh.show[size_t(r)];
            // b >> 1 >> (63 - shift): the high part without a 64-bit shift.
            open |= ((b << shift) & ~row[0]) | (((b >> 1) >> (63 - shift)) & ~row[1]);
        }
        if (!open)
            return false;
        uint64_t *out = row0 + size_t(sh.first) * size_t(fWords);
        for (int r = sh.first; r < sh.last; ++r, out += fWords) {
            const uint64_t b = sh.cover[size_t(r)];
            out[0] |= b << shift;
            out[1] |= (b >> 1) >> (63 - shift);
        }
        return true;
    }

private:
    struct Shape
    {
        std::vector<uint64_t> show, cover;
        int first = 0, last = 0; // rows with shown pixels
    };

    void Accumulate(const GlyphKey &K, Shape &S, bool Cover);
    void BuildShapes();

    int fSize = -1, fSide = 0, fWords = 0, fWidth = 0, fHeight = 0;
    std::array<Shape, 3> fShapes;
    std::vector<uint64_t> fMask;
};
