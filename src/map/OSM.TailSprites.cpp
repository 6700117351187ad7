#include "OSM.TailSprites.h"

#include <QHashFunctions>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

constexpr int PenWidth = 3;
constexpr int Reach = PenWidth; // pixels beyond the points that the pen may touch
constexpr int MaxSpritePixels = 256 * 256; // longer tails are drawn each time
constexpr qsizetype MaxKeptBytes = qsizetype(24) << 20; // all sprites; those in use stay regardless

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
        fBytes += s.image.sizeInBytes();
        it = fSprites.insert(key, std::move(s));
    }
    it->used = fFrame;
    Canvas.drawImage(base + it->origin, it->image);
}

void TTailSprites::EndPaint()
{
    // Sprites not used in this paint stay while they fit the budget, those
    // used longest ago going first: markers moving in and out at the view's
    // edge, and a zoom step back to where the view was, find their tails
    // drawn (a thousand tails cost 100 ms to stroke again).
    if (fBytes > MaxKeptBytes) {
        std::vector<std::pair<uint64_t, uint64_t>> old; // used, key
        for (auto it = fSprites.cbegin(); it != fSprites.cend(); ++it)
            if (it->used != fFrame)
                old.emplace_back(it->used, it.key());
        std::sort(old.begin(), old.end());
        for (size_t i = 0; i < old.size() && fBytes > MaxKeptBytes; ++i) {
            auto it = fSprites.find(old[i].second);
            fBytes -= it->image.sizeInBytes();
            fSprites.erase(it);
        }
    }
    ++fFrame;
}
