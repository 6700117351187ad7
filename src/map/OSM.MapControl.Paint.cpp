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

    TMapView v = View();
    v.PaintRegion = FPaintRegion;
    FMarkerLayer->GlyphStyle = MapMarkGlyphStyle;
    FMarkerLayer->CaptionStyle = MapMarkCaptionStyle;
    FMarkerLayer->CaptionFont = MapMarkCaptionFont;
    for (const auto &layer : FLayers)
        layer->Paint(p, v);
    DrawLabels(p, viewport()->rect());
    for (const auto &tool : FTools)
        if (tool->Active())
            tool->PaintFeedback(p, v);
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

TMapView TMapControl::View() const
{
    TMapView v;
    v.Zoom = std::max(FZoom, 0);
    v.Rect = ViewRect();
    v.Dpr = viewport()->devicePixelRatioF();
    v.VisibleLayers = FVisibleLayers;
    return v;
}

TMapLayer *TMapControl::InsertLayer(int Pos, std::unique_ptr<TMapLayer> Layer)
{
    TMapLayer *l = Layer.get();
    l->SetOnChanged([this](const QRegion &Area) {
        if (Area.isEmpty())
            Invalidate();
        else
            viewport()->update(Area);
    });
    if (Pos < 0 || Pos > int(FLayers.size()))
        Pos = int(FLayers.size());
    FLayers.insert(FLayers.begin() + Pos, std::move(Layer));
    viewport()->update();
    return l;
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
