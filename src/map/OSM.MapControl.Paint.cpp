// TMapControl: painting the view, tiles, marks and labels.
#include "OSM.MapControl.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

void TMapControl::paintEvent(QPaintEvent *Event)
{
    FPaintRegion = Event ? Event->region() : QRegion(viewport()->rect());
    QPainter p(viewport());
    const QRect view = ViewRect();
    if (FZoom < 0 || FCacheImage.isNull()) {
        p.fillRect(viewport()->rect(), viewport()->palette().color(viewport()->backgroundRole()));
        return;
    }
    if (UpdateCacheImageSize()) {
        // A move to a screen of another pixel density.
        PlaceCacheImage();
        RedrawCacheImage();
    } else if (!FCacheImageRect.contains(view)) {
        MoveCacheImage();
    }
    if (!FStaleTiles.isEmpty())
        DrawStaleTiles(view); // the rest when the event loop is idle
    if (!FMissingTiles.isEmpty())
        RetryMissingTiles(view);
    // The source rectangle is in the cache image's own (device) pixels.
    const qreal dpr = FCacheImage.devicePixelRatio();
    if (dpr == 1)
        p.drawImage(QPoint(0, 0), FCacheImage, QRect(view.topLeft() - FCacheImageRect.topLeft(), view.size()));
    else
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(view.size())), FCacheImage,
                    QRectF(QPointF(view.topLeft() - FCacheImageRect.topLeft()) * dpr, QSizeF(view.size()) * dpr));

    const QRect r(view.topLeft(), QPoint(std::min(view.left() + view.width(), FMapSize.width()) - 1,
                                         std::min(view.top() + view.height(), FMapSize.height()) - 1));
    PaintBelowMarks(p, r);
    DrawMapMarks(p, r);
    PaintAboveMarks(p, r);
    DrawLabels(p, viewport()->rect());
    ScheduleStaleTiles();
}

void TMapControl::DrawTile(int TileHorzNum, int TileVertNum, const QPoint &TopLeft, QPainter &Canvas)
{
    const QImage img = OnGetTile ? OnGetTile(this, TileHorzNum, TileVertNum) : GetTileImage(TileHorzNum, TileVertNum);
    if (!img.isNull()) {
        FMissingTiles.remove(QPoint(TileHorzNum, TileVertNum));
        // A tile of a high-density source (512 pixels) fills the same square.
        if (img.size() == QSize(TileSize, TileSize))
            Canvas.drawImage(TopLeft, img);
        else
            Canvas.drawImage(QRect(TopLeft, QSize(TileSize, TileSize)), img);
        return;
    }
    FMissingTiles.insert(QPoint(TileHorzNum, TileVertNum));
    bool handled = false;
    if (OnDrawTile) {
        OnDrawTile(this, TileHorzNum, TileVertNum, TopLeft, Canvas, handled);
        if (handled)
            return;
    }
    if (OnDrawTileLoading) {
        handled = false;
        OnDrawTileLoading(this, TileHorzNum, TileVertNum, TopLeft, Canvas, handled);
        if (handled)
            return;
    }
    const QRect rect(TopLeft, QSize(TileSize, TileSize));
    Canvas.save();
    Canvas.setPen(QColor(128, 128, 128));
    Canvas.setBrush(viewport()->palette().color(viewport()->backgroundRole()));
    Canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    const QString text = QStringLiteral("Loading [%1 : %2]...").arg(TileHorzNum).arg(TileVertNum);
    const QFontMetrics fm(Canvas.font());
    Canvas.setPen(QColor(0, 128, 0));
    Canvas.drawText(QPoint(rect.left() + (rect.width() - fm.horizontalAdvance(text)) / 2,
                           rect.top() + (rect.height() - fm.height()) / 2 + fm.ascent()),
                    text);
    Canvas.restore();
}

void TMapControl::RetryMissingTiles(const QRect &View)
{
    // Tiles that arrive are drawn when they come; only those the source
    // wants to ask for again are looked at here.
    const QRect tiles(QPoint(View.left() / TileSize, View.top() / TileSize),
                      QPoint((View.left() + View.width() - 1) / TileSize, (View.top() + View.height() - 1) / TileSize));
    QList<QPoint> due;
    for (const QPoint &t : std::as_const(FMissingTiles))
        if (tiles.contains(t) && TileRetryDue(t.x(), t.y()))
            due << t;
    if (due.isEmpty())
        return;
    QPainter p(&FCacheImage);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const QPoint &t : due) {
        const QPoint at(t.x() * TileSize, t.y() * TileSize);
        if (FCacheImageRect.contains(at))
            DrawTile(t.x(), t.y(), at - FCacheImageRect.topLeft(), p);
    }
}

void TMapControl::DrawMapMarks(QPainter &Canvas, const QRect &MapRect)
{
    if (FMapMarkList->Count() == 0)
        return;
    TGeoRect geo;
    try {
        geo = MapToGeoCoords(QRect(MapRect.topLeft(), MapRect.size()));
    } catch (const std::exception &) {
        return;
    }
    for (int i = FMapMarkList->Find(geo, false, -1); i >= 0; i = FMapMarkList->Find(geo, false, i))
        DrawMapMark(Canvas, FMapMarkList->Get(i));
}

void TMapControl::DrawMapMark(QPainter &Canvas, TMapMark *Mark)
{
    if (!Mark->Visible || !FVisibleLayers.test(Mark->Layer))
        return;
    QPoint pt;
    try {
        pt = MapToView(GeoCoordsToMap(Mark->Coord));
    } catch (const std::exception &) {
        return;
    }
    if (OnDrawMapMark) {
        bool handled = false;
        OnDrawMapMark(this, Canvas, pt, Mark, handled);
        if (handled || !Mark->Visible)
            return;
    }
    const TMapMarkGlyphStyle &gs = (Mark->CustomProps & propGlyphStyle) ? Mark->GlyphStyle : MapMarkGlyphStyle;
    const int size = int(gs.Size);
    const QRect g(pt - QPoint(size / 2, size / 2), QSize(size, size));
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, gs.Shape != TMapMarkGlyphShape::gshSquare);
    Canvas.setPen(gs.BorderColor);
    Canvas.setBrush(gs.BgColor);
    switch (gs.Shape) {
    case TMapMarkGlyphShape::gshCircle:
        Canvas.drawEllipse(g);
        break;
    case TMapMarkGlyphShape::gshSquare:
        Canvas.drawRect(g);
        break;
    case TMapMarkGlyphShape::gshTriangle: {
        const QPoint tri[3] = {QPoint(g.left(), g.bottom()), QPoint(g.left() + g.width() / 2, g.top()),
                               QPoint(g.right(), g.bottom())};
        Canvas.drawPolygon(tri, 3);
        break;
    }
    }
    if (!Mark->Caption.isEmpty()) {
        const TMapMarkCaptionStyle &cs = (Mark->CustomProps & propCaptionStyle) ? Mark->CaptionStyle : MapMarkCaptionStyle;
        const QFont font = (Mark->CustomProps & propFont) && Mark->CaptionFont ? *Mark->CaptionFont : MapMarkCaptionFont;
        Canvas.setFont(font);
        const QFontMetrics fm(font);
        const QRect textRect(QPoint(g.right() + 1 + cs.DX, g.top() + cs.DY), fm.size(0, Mark->Caption));
        if (!cs.Transparent)
            Canvas.fillRect(textRect, cs.BgColor);
        Canvas.setPen(cs.Color);
        Canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, Mark->Caption);
    }
    Canvas.restore();
}

void TMapControl::BuildCopyright()
{
    QFont font(QStringLiteral("Arial"), 8);
    const QFontMetrics fm(font);
    const QString text = FTilesProvider->TilesCopyright;
    const qreal dpr = viewport()->devicePixelRatioF();
    FCopyright = QImage((fm.size(0, text) + QSize(2, 0)) * dpr, QImage::Format_ARGB32_Premultiplied);
    FCopyright.setDevicePixelRatio(dpr);
    FCopyright.fill(Qt::transparent); // white of the original is drawn transparent
    QPainter p(&FCopyright);
    p.setFont(font);
    p.setPen(QColor(128, 128, 128));
    p.drawText(QRect(QPoint(0, 0), FCopyright.deviceIndependentSize().toSize()), Qt::AlignCenter, text);
}

void TMapControl::UpdateScaleLine()
{
    if (FZoom < 0)
        return;
    // The bar measures the ground at the view's centre: a metre takes more
    // map pixels the farther it lies from the equator.
    double lat = 0;
    try {
        lat = CenterPoint().Lat;
    } catch (const std::exception &) {
        // an empty view: the equator's bar
    }
    quint32 widthPx = 0, widthM = 0;
    QString text;
    GetScaleBar(TMapZoomLevel(FZoom), lat, widthPx, widthM, text);
    const qreal dpr = viewport()->devicePixelRatioF();
    if (!FScaleLine.isNull() && widthPx == FScaleLinePx && text == FScaleLineText && FScaleLine.devicePixelRatio() == dpr)
        return;
    FScaleLinePx = widthPx;
    FScaleLineText = text;
    QFont font(QStringLiteral("Arial"), 8);
    const QFontMetrics fm(font);
    const QSize t = fm.size(0, text);
    const int w = fm.horizontalAdvance(QLatin1Char('W'));
    const QSize size(w + t.width() + w + int(widthPx), 2 * FLabelMargin + t.height());
    FScaleLine = QImage(size * dpr, QImage::Format_ARGB32_Premultiplied);
    FScaleLine.setDevicePixelRatio(dpr);
    FScaleLine.fill(Qt::white);
    QPainter p(&FScaleLine);
    p.setPen(QColor(192, 192, 192));
    p.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(QPoint(w / 2, FLabelMargin), t), Qt::AlignLeft | Qt::AlignTop, text);
    const int barH = t.height() / 2;
    p.setBrush(Qt::white);
    p.drawRect(QRect(w / 2 + t.width() + w, (size.height() - barH) / 2, int(widthPx), barH).adjusted(0, 0, -1, -1));
}

void TMapControl::DrawLabels(QPainter &Canvas, const QRect &Rect)
{
    if (!(FMapOptions & moDontDrawCopyright)) {
        if (FCopyright.isNull() || FCopyright.devicePixelRatio() != viewport()->devicePixelRatioF())
            BuildCopyright();
        const QSize c = FCopyright.deviceIndependentSize().toSize();
        Canvas.drawImage(QPoint(Rect.right() + 1 - c.width() - FLabelMargin, Rect.bottom() + 1 - c.height() - FLabelMargin),
                         FCopyright);
    }
    if (!(FMapOptions & moDontDrawScale))
        UpdateScaleLine();
    if (!(FMapOptions & moDontDrawScale) && !FScaleLine.isNull())
        Canvas.drawImage(QPoint(Rect.left() + FLabelMargin,
                                Rect.bottom() + 1 - int(FScaleLine.deviceIndependentSize().height()) - FLabelMargin),
                         FScaleLine);
}
