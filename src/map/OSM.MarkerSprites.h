#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

#include <cstdint>

class TObjectInfo;

// The look of each object's marker: the pin, the photo in the pin's round
// window and the object's name on a label beside it, drawn once into one
// image and copied at every paint. A sprite is drawn again when the name,
// the photo, the pin images or the device pixel ratio change.
class TMarkerSprites
{
public:
    struct Sprite
    {
        QImage image;  // at the device pixel ratio it was drawn for
        QPoint origin; // top-left relative to the marker's point
        QSize icon;    // the pin's size in pixels of the view
    };

    // Icons: image 0 the plain pin, image 1 the pin with a photo window, both
    // with the tip 4 pixels above their bottom centre. The object's round
    // photo icon is made and kept with the object when it lacks one.
    const Sprite &Get(TObjectInfo &Obj, const QList<QImage> &Icons, qreal Dpr);
    // Ends a paint: sprites of objects no longer drawn are let go.
    void EndPaint();
    void Clear() { fSprites.clear(); }

    // The label's font and its widest text.
    static QFont LabelFont();
    static constexpr int MaxLabelWidth = 160;

private:
    struct Entry
    {
        Sprite sprite;
        QString name;
        qint64 photoKey = 0;
        qint64 iconsKey = 0;
        qreal dpr = 1;
        uint64_t used = 0;
    };

    static Sprite Draw(TObjectInfo &Obj, const QList<QImage> &Icons, qreal Dpr);

    QHash<const TObjectInfo *, Entry> fSprites;
    uint64_t fFrame = 1;
    qsizetype fUsedNow = 0;
};
