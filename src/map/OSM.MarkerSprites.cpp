#include "OSM.MarkerSprites.h"

#include "OSM.ObjectInfo.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

bool HasPhoto(const TObjectInfo &Obj)
{
    return !Obj.photo.isNull() && Obj.photo.width() > 0;
}

} // namespace

QFont TMarkerSprites::LabelFont()
{
    QFont f;
    f.setPixelSize(11);
    f.setBold(true);
    return f;
}

const TMarkerSprites::Sprite &TMarkerSprites::Get(TObjectInfo &Obj, const QList<QImage> &Icons, qreal Dpr)
{
    const qint64 photoKey = HasPhoto(Obj) ? Obj.photo.cacheKey() : 0;
    const qint64 iconsKey = Icons.size() < 2 ? 0 : Icons[0].cacheKey() * 31 + Icons[1].cacheKey();
    Entry &e = fSprites[&Obj];
    if (e.sprite.image.isNull() || e.name != Obj.name || e.photoKey != photoKey || e.iconsKey != iconsKey
        || e.dpr != Dpr) {
        e.sprite = Draw(Obj, Icons, Dpr);
        e.name = Obj.name;
        e.photoKey = photoKey;
        e.iconsKey = iconsKey;
        e.dpr = Dpr;
    }
    if (e.used != fFrame) {
        e.used = fFrame;
        ++fUsedNow;
    }
    return e.sprite;
}

TMarkerSprites::Sprite TMarkerSprites::Draw(TObjectInfo &Obj, const QList<QImage> &Icons, qreal Dpr)
{
    const bool photo = HasPhoto(Obj);
    const QImage &icon = Icons[photo ? 1 : 0];
    const QSize iconSize = icon.deviceIndependentSize().toSize();
    // The pin's rectangle relative to the marker's point: its tip lies 4
    // pixels above its bottom centre.
    const QRect pin(QPoint(-iconSize.width() / 2, -iconSize.height() + 4), iconSize);

    QRect label;
    QString text;
    const QFont font = LabelFont();
    if (!Obj.name.isEmpty()) {
        const QFontMetrics fm(font);
        text = fm.elidedText(Obj.name, Qt::ElideRight, MaxLabelWidth);
        const QSize t(fm.horizontalAdvance(text), fm.height());
        // Right of the pin, level with its head.
        const int headY = pin.top() + iconSize.width() / 2;
        label = QRect(QPoint(pin.right() + 2, headY - (t.height() + 2) / 2), t + QSize(8, 2));
    }
    const QRect box = label.isNull() ? pin : pin.united(label);

    Sprite s;
    s.origin = box.topLeft();
    s.icon = iconSize;
    s.image = QImage(box.size() * Dpr, QImage::Format_ARGB32_Premultiplied);
    s.image.setDevicePixelRatio(Dpr);
    s.image.fill(Qt::transparent);
    QPainter p(&s.image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.translate(-box.topLeft());
    if (photo) {
        // The photo, cut round, shows through the pin's window.
        const int w = iconSize.width();
        if (Obj.icon.isNull() || Obj.icon.width() == 0 || Obj.icon.devicePixelRatio() != Dpr) {
            const int side = qRound(w * Dpr);
            Obj.icon = Obj.photo.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            Obj.icon.setDevicePixelRatio(Dpr);
        }
        p.save();
        QPainterPath circle;
        circle.addEllipse(QRectF(pin.left() + 1, pin.top() + 1, w - 2, w - 2));
        p.setClipPath(circle);
        p.drawImage(QPoint(pin.left() + 1, pin.top() + 1), Obj.icon);
        p.restore();
    }
    p.drawImage(pin.topLeft(), icon);
    if (!label.isNull()) {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(255, 255, 255, 225));
        p.drawRoundedRect(QRectF(label).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p.setFont(font);
        p.setPen(QColor(20, 20, 20));
        p.drawText(label, Qt::AlignCenter, text);
    }
    return s;
}

void TMarkerSprites::EndPaint()
{
    // Markers scrolled out of view keep their sprite for a while.
    if (fSprites.size() > 2 * fUsedNow + 256) {
        for (auto it = fSprites.begin(); it != fSprites.end();)
            it = it->used == fFrame ? std::next(it) : fSprites.erase(it);
    }
    ++fFrame;
    fUsedNow = 0;
}
