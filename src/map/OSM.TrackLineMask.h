#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <vector>

class QPainter;

// The line of a long track as one bit per view pixel. A dense track crosses
// every pixel many times; setting bits is far cheaper than stroking each
// segment, and the finished line is painted onto the view in one image.
// Segments are rasterised with their positions fixed by their end points
// alone, so a segment reaching far beyond the view lights the same pixels
// as it would unclipped.
class TTrackLineMask
{
public:
    // Clears the mask for a view of the size and a line of the width.
    void Begin(const QSize &View, int LineWidth);

    // Adds the segment between two view pixels (both ends included).
    void AddSegment(const QPoint &A, const QPoint &B);

    // Segments up to this long each way, wholly in the mask, set pixels
    // from a table made by the general rasteriser.
    static constexpr int ShortReach = 7;

    // Paints the line, widened to its width, at the view's top-left.
    void Paint(QPainter &Canvas, const QColor &Color);

private:
    void AddSegmentGeneral(const QPoint &A, const QPoint &B);
    void Set(int X, int Y)
    {
        fBits[size_t(Y) * size_t(fWords) + size_t(X >> 6)] |= uint64_t(1) << (X & 63);
    }

    QSize fView;
    int fWidth = 1, fMargin = 0, fW = 0, fH = 0, fWords = 0;
    std::vector<uint64_t> fBits, fOut;
};
