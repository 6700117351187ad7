#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QVector>

#include <cstdint>

class QPainter;

// The tails of object markers, each drawn once and then copied. A tail's
// shape relative to its marker stays the same while the map pans, so a
// thousand antialiased tails cost a thousand image copies per paint.
class TTailSprites
{
public:
    // Draws the line through the view pixels (the first is the marker's)
    // as a round 3-pixel pen of the colour, antialiased.
    void Draw(QPainter &Canvas, const QVector<QPoint> &Line, const QColor &Color);
    // Ends a paint: sprites no longer used are let go.
    void EndPaint();

private:
    struct Sprite
    {
        QImage image;
        QPoint origin; // top-left relative to the line's first point
        uint64_t used = 0;
    };

    QHash<uint64_t, Sprite> fSprites;
    uint64_t fFrame = 1;
    qsizetype fBytes = 0; // of all the sprites' images
};
