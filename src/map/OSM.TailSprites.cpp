#include "OSM.TailSprites.h"

#include <QHashFunctions>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int PenWidth = 3;
constexpr int Reach = PenWidth; // pixels beyond the points that the pen may touch
constexpr int MaxSpritePixels = 256 * 256; // longer tails are drawn each time

QPen TailPen(const QColor &Color)
{
    return QPen(Color, PenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void TTailSprites::Draw(QPainter &Canvas, const QVector<QPoint> &Line, const QColor &Color)
{
    if (Line.size() < 2)
        return;
    const QPoint base = Line.first();
    int left = 0, top = 0, right = 0, bottom = 0;
    size_t key = qHashMulti(0, Color.rgba(), Line.size());
    for (const QPoint &p : Line) {
        const QPoint r = p - base;
        left = std::min(left, r.x());
        right = std::max(right, r.x());
        top = std::min(top, r.y());
        bottom = std::max(bottom, r.y());
        key = qHashMulti(key, r.x(), r.y());
    }
    const QRect box = QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-Reach, -Reach, Reach, Reach);
    if (int64_t(box.width()) * box.height() > MaxSpritePixels) {
        Canvas.save();
        Canvas.setRenderHint(QPainter::Antialiasing, true);
        Canvas.setPen(TailPen(Color));
        Canvas.drawPolyline(Line.constData(), int(Line.size()));
        Canvas.restore();
        return;
    }
    // On a high-density screen the sprite holds device pixels.
    const qreal dpr = Canvas.device() ? Canvas.device()->devicePixelRatioF() : 1.0;
    if (dpr != 1)
        key = qHashMulti(key, dpr);
    auto it = fSprites.find(key);
    if (it == fSprites.end()) {
        Sprite s;
        s.origin = box.topLeft();
        s.image = QImage(box.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        s.image.setDevicePixelRatio(dpr);
        s.image.fill(Qt::transparent);
        QPainter p(&s.image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(TailPen(Color));
        p.translate(-(base + box.topLeft()));
        p.drawPolyline(Line.constData(), int(Line.size()));
        p.end();
        it = fSprites.insert(key, std::move(s));
    }
    if (it->used != fFrame) {
        it->used = fFrame;
        ++fUsedNow;
    }
    Canvas.drawImage(base + it->origin, it->image);
}

void TTailSprites::EndPaint()
{
    // Keep a reserve beside the sprites in use, so that markers moving in
    // and out at the view's edge are not drawn again and again.
    if (fSprites.size() > 2 * fUsedNow + 256) {
        for (auto it = fSprites.begin(); it != fSprites.end();)
            it = it->used == fFrame ? std::next(it) : fSprites.erase(it);
    }
    ++fFrame;
    fUsedNow = 0;
}
