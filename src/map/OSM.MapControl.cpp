// TMapControl: creation, conversions, zoom and view position, cache image.
#include "OSM.MapControl.h"

#include <QPainter>
#include <QRegion>
#include <QRubberBand>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double MercatorLimit = 85.0511287798;

// Map pixel of a geographic point, clamped to the map instead of raising:
// used where a point comes from the map itself and only rounding could take
// it past the Mercator limit.
QPoint GeoToMapClamped(int Zoom, const TGeoPoint &G)
{
    const qint64 size = qint64(TileSize) << Zoom;
    const double lon = std::clamp(G.Long, -180.0, 180.0);
    const double lat = std::clamp(G.Lat, -MercatorLimit, MercatorLimit);
    qint64 x = 0, y = 0;
    try {
        x = LongToMapX(TMapZoomLevel(Zoom), lon);
    } catch (const std::exception &) {
        x = lon > 0 ? size : 0;
    }
    try {
        y = LatToMapY(TMapZoomLevel(Zoom), lat);
    } catch (const std::exception &) {
        y = lat > 0 ? 0 : size;
    }
    return QPoint(int(std::clamp<qint64>(x, 0, size)), int(std::clamp<qint64>(y, 0, size)));
}

int RoundUpToTile(int v)
{
    return (v + TileSize - 1) / TileSize * TileSize;
}

} // namespace

TMapControl::TMapControl(QWidget *Parent)
    : QAbstractScrollArea(Parent)
    , FMapMarkList(std::make_unique<TMapMarkList>(this))
{
    FVisibleLayers.set();
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(32);
    verticalScrollBar()->setSingleStep(32);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    MapMarkGlyphStyle.BorderColor = palette().color(QPalette::WindowText);
    MapMarkCaptionStyle.Color = palette().color(QPalette::Text);
    MapMarkCaptionStyle.BgColor = palette().color(QPalette::Base);
    MapMarkCaptionFont = font();
    SetTilesProvider(nullptr);
    FSelectionBox = new QRubberBand(QRubberBand::Rectangle, viewport());
    FSelectionBox->hide();
    auto marks = std::make_unique<TMarkerLayer>(*FMapMarkList);
    marks->OnDrawMark = [this](QPainter &Canvas, const QPoint &Point, TMapMark *Mark, bool &Handled) {
        if (OnDrawMapMark)
            OnDrawMapMark(this, Canvas, Point, Mark, Handled);
    };
    FMarkerLayer = marks.get();
    InsertLayer(-1, std::move(marks));
}

TMapControl::~TMapControl() = default;

// ---- conversions ----

QRect TMapControl::ViewRect() const
{
    return QRect(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()), viewport()->size());
}

QPoint TMapControl::ViewToMap(const QPoint &ViewPt) const
{
    return ViewPt + ViewRect().topLeft();
}

QRect TMapControl::ViewToMap(const QRect &R) const
{
    return R.translated(ViewRect().topLeft());
}

QPoint TMapControl::MapToView(const QPoint &MapPt) const
{
    return MapPt - ViewRect().topLeft();
}

QRect TMapControl::MapToView(const QRect &R) const
{
    return R.translated(-ViewRect().topLeft());
}

TGeoPoint TMapControl::MapToGeoCoords(const QPoint &MapPt) const
{
    if (MapPt.x() < 0 || MapPt.y() < 0)
        throw EGeoAssertion();
    const TMapZoomLevel z = TMapZoomLevel(std::max(FZoom, 0));
    return TGeoPoint{MapXToLong(z, quint32(MapPt.x())), MapYToLat(z, quint32(MapPt.y()))};
}

TGeoRect TMapControl::MapToGeoCoords(const QRect &R) const
{
    return TGeoRect{MapToGeoCoords(R.topLeft()), MapToGeoCoords(QPoint(R.x() + R.width(), R.y() + R.height()))};
}

QPoint TMapControl::GeoCoordsToMap(const TGeoPoint &G) const
{
    const TMapZoomLevel z = TMapZoomLevel(std::max(FZoom, 0));
    return QPoint(int(LongToMapX(z, G.Long)), int(LatToMapY(z, G.Lat)));
}

QRect TMapControl::GeoCoordsToMap(const TGeoRect &G) const
{
    const QPoint tl = GeoCoordsToMap(G.TopLeft), br = GeoCoordsToMap(G.BottomRight);
    return QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y()));
}

QPoint TMapControl::ClampToMap(const QPoint &P) const
{
    return QPoint(std::clamp(P.x(), 0, FMapSize.width()), std::clamp(P.y(), 0, FMapSize.height()));
}

// ---- zoom and position ----

void TMapControl::UpdateScrollRanges()
{
    horizontalScrollBar()->setRange(0, std::max(0, FMapSize.width() - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, FMapSize.height() - viewport()->height()));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
}

void TMapControl::SetZoom(int Value, const QPoint &MapBindPt)
{
    if (Value < FMinZoom || Value > FMaxZoom || Value == FZoom)
        return;
    TGeoPoint geo;
    QPoint viewPos;
    if (FZoom < 0) {
        geo = TGeoPoint{-180.0, MapYToLat(FMinZoom, 0)};
        viewPos = MapBindPt;
    } else {
        const QPoint bind = ClampToMap(MapBindPt);
        geo = MapToGeoCoords(bind);
        viewPos = MapToView(bind);
    }
    FZoom = Value;
    const int size = TileSize << Value;
    FMapSize = QSize(size, size);
    UpdateScrollRanges();
    FScaleLine = QImage();
    const QPoint target = GeoToMapClamped(Value, geo) - viewPos;
    // Both scroll bars move before the single repaint below.
    const QSignalBlocker bh(horizontalScrollBar()), bv(verticalScrollBar());
    horizontalScrollBar()->setValue(target.x());
    verticalScrollBar()->setValue(target.y());
    UpdateCacheImageSize();
    if (!FCacheImageRect.contains(ViewRect()))
        PlaceCacheImage();
    // Held: the caller redraws it at once; a paint before that draws the
    // tiles it shows.
    RedrawCacheImage(ViewRect(), FHoldCacheRedraw);
    viewport()->update();
    if (OnZoomChanged)
        OnZoomChanged(this);
}

void TMapControl::SetMinZoom(int Value)
{
    FMinZoom = TMapZoomLevel(std::clamp<int>(Value, FTilesProvider->MinZoomLevel, FTilesProvider->MaxZoomLevel));
    if (FMaxZoom < FMinZoom)
        FMaxZoom = FMinZoom;
    if (FZoom >= 0 && FZoom < FMinZoom)
        SetZoom(FMinZoom);
}

void TMapControl::SetMaxZoom(int Value)
{
    FMaxZoom = TMapZoomLevel(std::clamp<int>(Value, FTilesProvider->MinZoomLevel, FTilesProvider->MaxZoomLevel));
    if (FMinZoom > FMaxZoom)
        FMinZoom = FMaxZoom;
    if (FZoom > FMaxZoom)
        SetZoom(FMaxZoom);
}

void TMapControl::ZoomToArea(const TGeoRect &GeoRect)
{
    const int w = viewport()->width(), h = viewport()->height();
    int zh = FMaxZoom, zv = FMaxZoom;
    try {
        for (int z = FMinZoom; z <= FMaxZoom; ++z) {
            const qint64 mw = qint64(LongToMapX(TMapZoomLevel(z), GeoRect.BottomRight.Long))
                              - qint64(LongToMapX(TMapZoomLevel(z), GeoRect.TopLeft.Long));
            if (w < mw) {
                zh = z - 1;
                break;
            }
        }
        for (int z = FMinZoom; z <= FMaxZoom; ++z) {
            const qint64 mh = qint64(LatToMapY(TMapZoomLevel(z), GeoRect.BottomRight.Lat))
                              - qint64(LatToMapY(TMapZoomLevel(z), GeoRect.TopLeft.Lat));
            if (h < mh) {
                zv = z - 1;
                break;
            }
        }
    } catch (const std::exception &) {
        return; // an area outside the map
    }
    const int target = std::min(zh, zv);
    if (target == FZoom)
        return;
    SetZoom(target);
    if (target == FZoom)
        SetNWPoint(GeoRect.TopLeft);
}

void TMapControl::ZoomToFit()
{
    if (FZoom < 0)
        return;
    ZoomToArea(MapToGeoCoords(QRect(QPoint(0, 0), FMapSize)));
}

void TMapControl::ScrollMapBy(int DeltaHorz, int DeltaVert)
{
    ScrollMapTo(horizontalScrollBar()->value() + DeltaHorz, verticalScrollBar()->value() + DeltaVert);
}

void TMapControl::ScrollMapTo(int Horz, int Vert)
{
    horizontalScrollBar()->setValue(Horz);
    verticalScrollBar()->setValue(Vert);
    viewport()->update();
}

TGeoPoint TMapControl::CenterPoint() const
{
    const QRect v = ViewRect();
    return MapToGeoCoords(ClampToMap(v.topLeft() + QPoint(v.width() / 2, v.height() / 2)));
}

void TMapControl::SetCenterPoint(const TGeoPoint &GeoPoint)
{
    const QPoint p = GeoCoordsToMap(GeoPoint);
    ScrollMapTo(p.x() - viewport()->width() / 2, p.y() - viewport()->height() / 2);
}

TGeoPoint TMapControl::NWPoint() const
{
    return MapToGeoCoords(ClampToMap(ViewRect().topLeft()));
}

void TMapControl::SetNWPoint(const TGeoPoint &GeoPoint)
{
    const QPoint p = GeoCoordsToMap(GeoPoint);
    ScrollMapTo(p.x(), p.y());
}

void TMapControl::SetTilesProvider(std::unique_ptr<TTilesProvider> Provider)
{
    const bool hadProvider = FTilesProvider != nullptr;
    FTilesProvider = Provider ? std::move(Provider) : std::make_unique<TDummyTilesProvider>();
    FCopyright = QImage(); // rebuilt from the new attribution
    if (!hadProvider || FMinZoom < FTilesProvider->MinZoomLevel || FMaxZoom > FTilesProvider->MaxZoomLevel) {
        FMinZoom = FTilesProvider->MinZoomLevel;
        FMaxZoom = FTilesProvider->MaxZoomLevel;
        if (FZoom > FMaxZoom)
            SetZoom(FMaxZoom);
        else if (FZoom >= 0 && FZoom < FMinZoom)
            SetZoom(FMinZoom);
    }
    Invalidate();
}

void TMapControl::SetLabelMargin(int Value)
{
    FLabelMargin = Value;
    FScaleLine = QImage();
    Invalidate();
}

void TMapControl::SetVisibleLayers(const TMapLayers &Layers)
{
    FVisibleLayers = Layers;
    Invalidate();
}

void TMapControl::SetMapOptions(TMapOptions Options)
{
    FMapOptions = Options;
    FScaleLine = QImage();
    Invalidate();
}

void TMapControl::Invalidate()
{
    viewport()->update();
}

// ---- cache image ----

void TMapControl::SetCacheImageProperties(int TilesHorz, int TilesVert, int MarginSize)
{
    FCacheImageTilesH = std::max(TilesHorz, 1);
    FCacheImageTilesV = std::max(TilesVert, 1);
    FCacheMarginSize = std::max(MarginSize, 0);
    if (UpdateCacheImageSize())
        RedrawCacheImage();
    Invalidate();
}

bool TMapControl::UpdateCacheImageSize()
{
    const int m = FCacheMarginSize * TileSize;
    const int cw = RoundUpToTile(viewport()->width()), ch = RoundUpToTile(viewport()->height());
    const QSize size(std::max(cw + m, std::min(FMapSize.width(), FCacheImageTilesH * TileSize + m)),
                     std::max(ch + m, std::min(FMapSize.height(), FCacheImageTilesV * TileSize + m)));
    // On a high-density screen the cache holds device pixels, so that tiles
    // are kept as sharp as they came.
    const qreal dpr = viewport()->devicePixelRatioF();
    if (size == FCacheImageRect.size() && FCacheImage.deviceIndependentSize() == QSizeF(size)
        && FCacheImage.devicePixelRatio() == dpr)
        return false;
    FCacheImageRect.setSize(size);
    FCacheImage = QImage(size * dpr, QImage::Format_RGB32);
    FCacheImage.setDevicePixelRatio(dpr);
    return true;
}

void TMapControl::PlaceCacheImage()
{
    // The view in the middle, so that panning any way stays in the image
    // for a while; tile-aligned, and not before the map's first tile.
    const QRect view = ViewRect(), aligned = TileAlignRect(view);
    const QSize size = FCacheImageRect.size();
    QPoint tl(int(FloorDiv(view.left() - (size.width() - view.width()) / 2, TileSize) * TileSize),
              int(FloorDiv(view.top() - (size.height() - view.height()) / 2, TileSize) * TileSize));
    tl.rx() = std::max(tl.x(), std::min(aligned.left(), 0));
    tl.ry() = std::max(tl.y(), std::min(aligned.top(), 0));
    if (!QRect(tl, size).contains(view))
        tl = aligned.topLeft();
    FCacheImageRect.moveTopLeft(tl);
}

void TMapControl::MoveCacheImage()
{
    // The view left the image: place it around the view again, moving the
    // tiles it holds to their new place and drawing only those new to it.
    const QRect old = FCacheImageRect;
    PlaceCacheImage();
    const QRect kept = old.intersected(FCacheImageRect);
    if (FZoom < 0 || FCacheImage.isNull() || kept.isEmpty() || FCacheImage.devicePixelRatio() != 1
        || FCacheImage.format() != QImage::Format_RGB32) {
        RedrawCacheImage();
        return;
    }
    const QPoint from = kept.topLeft() - old.topLeft(), to = kept.topLeft() - FCacheImageRect.topLeft();
    const qsizetype bpl = FCacheImage.bytesPerLine();
    uchar *bits = FCacheImage.bits();
    const size_t rowBytes = size_t(kept.width()) * 4;
    // Rows in the order that never overwrites one still to be moved.
    const bool down = to.y() > from.y();
    for (int i = 0; i < kept.height(); ++i) {
        const int r = down ? kept.height() - 1 - i : i;
        std::memmove(bits + (to.y() + r) * bpl + to.x() * 4, bits + (from.y() + r) * bpl + from.x() * 4, rowBytes);
    }
    // Tiles out of the image no longer count as missing.
    for (auto it = FMissingTiles.begin(); it != FMissingTiles.end();)
        it = FCacheImageRect.contains(QPoint(it->x() * TileSize, it->y() * TileSize)) ? std::next(it)
                                                                                    : FMissingTiles.erase(it);
    const int cols = std::max(0, std::min(FMapSize.width() - FCacheImageRect.left(), FCacheImageRect.width())) / TileSize;
    const int rows = std::max(0, std::min(FMapSize.height() - FCacheImageRect.top(), FCacheImageRect.height())) / TileSize;
    const int x0 = FCacheImageRect.left() / TileSize, y0 = FCacheImageRect.top() / TileSize;
    QPainter p(&FCacheImage);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor background = viewport()->palette().color(viewport()->backgroundRole());
    const QRect keptInImage(to, kept.size());
    // The new parts: the background first (also beyond the map's edge).
    for (const QRect &part : QRegion(QRect(QPoint(0, 0), FCacheImageRect.size())).subtracted(keptInImage))
        p.fillRect(part, background);
    if (cols == 0 || rows == 0)
        return;
    PrepareTiles(QRect(x0, y0, cols, rows));
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const QPoint at(c * TileSize, r * TileSize);
            if (!keptInImage.contains(at))
                DrawTile(x0 + c, y0 + r, at, p);
        }
}

void TMapControl::RedrawCacheImage(const QRect &First, bool AllLater)
{
    FStaleTiles.clear();
    if (FZoom < 0 || FCacheImage.isNull())
        return;
    FMissingTiles.clear();
    const QColor background = viewport()->palette().color(viewport()->backgroundRole());
    const int cols = std::max(0, std::min(FMapSize.width() - FCacheImageRect.left(), FCacheImageRect.width())) / TileSize;
    const int rows = std::max(0, std::min(FMapSize.height() - FCacheImageRect.top(), FCacheImageRect.height())) / TileSize;
    const bool lazy = AllLater || !First.isEmpty();
    if (cols == 0 || rows == 0 || !lazy) {
        FCacheImage.fill(background);
        if (cols == 0 || rows == 0)
            return;
    }
    const int x0 = FCacheImageRect.left() / TileSize, y0 = FCacheImageRect.top() / TileSize;
    // The tiles drawn now: all, or those meeting First.
    QRect now;
    QRegion later;
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            const QRect at(QPoint(c * TileSize, r * TileSize), QSize(TileSize, TileSize));
            if (!lazy || (!AllLater && First.intersects(at.translated(FCacheImageRect.topLeft())))) {
                now |= QRect(x0 + c, y0 + r, 1, 1);
            } else {
                FStaleTiles.insert(QPoint(x0 + c, y0 + r));
                later += at;
            }
        }
    QPainter p(&FCacheImage);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (lazy)
        for (const QRect &part : QRegion(QRect(QPoint(0, 0), FCacheImageRect.size())).subtracted(later))
            p.fillRect(part, background);
    if (now.isEmpty())
        return;
    PrepareTiles(now);
    for (int x = now.left(); x <= now.right(); ++x)
        for (int y = now.top(); y <= now.bottom(); ++y)
            DrawTile(x, y, QPoint(x * TileSize, y * TileSize) - FCacheImageRect.topLeft(), p);
}

void TMapControl::DrawStaleTiles(const QRect &Area)
{
    QRect span;
    std::vector<QPoint> due;
    for (auto it = FStaleTiles.begin(); it != FStaleTiles.end();) {
        const QRect at(QPoint(it->x() * TileSize, it->y() * TileSize), QSize(TileSize, TileSize));
        if (!FCacheImageRect.contains(at)) { // moved out of the image since
            it = FStaleTiles.erase(it);
        } else if (Area.isNull() || Area.intersects(at)) {
            due.push_back(*it);
            span |= QRect(*it, QSize(1, 1));
            it = FStaleTiles.erase(it);
        } else {
            ++it;
        }
    }
    if (due.empty() || FZoom < 0 || FCacheImage.isNull())
        return;
    PrepareTiles(span);
    QPainter p(&FCacheImage);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor background = viewport()->palette().color(viewport()->backgroundRole());
    for (const QPoint &t : due) {
        const QPoint at = QPoint(t.x() * TileSize, t.y() * TileSize) - FCacheImageRect.topLeft();
        p.fillRect(QRect(at, QSize(TileSize, TileSize)), background);
        DrawTile(t.x(), t.y(), at, p);
    }
}

void TMapControl::ScheduleStaleTiles()
{
    if (FStaleTiles.isEmpty() || FStaleScheduled)
        return;
    FStaleScheduled = true;
    QTimer::singleShot(0, this, [this] {
        FStaleScheduled = false;
        DrawStaleTiles(QRect());
    });
}

void TMapControl::RedrawCache(bool ViewFirst)
{
    if (!FCacheImageRect.contains(ViewRect()))
        PlaceCacheImage();
    RedrawCacheImage(ViewFirst ? ViewRect() : QRect());
    viewport()->update();
}

void TMapControl::RefreshTile(int TileHorzNum, int TileVertNum)
{
    const QPoint at(TileHorzNum * TileSize, TileVertNum * TileSize);
    if (FZoom < 0 || FCacheImage.isNull() || !FCacheImageRect.contains(at))
        return;
    const QPoint offset = at - FCacheImageRect.topLeft();
    FStaleTiles.remove(QPoint(TileHorzNum, TileVertNum));
    {
        QPainter p(&FCacheImage);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        DrawTile(TileHorzNum, TileVertNum, offset, p);
    }
    viewport()->update(QRect(MapToView(at), QSize(TileSize, TileSize)));
}

QImage TMapControl::GetTileImage(int, int)
{
    return QImage();
}

void TMapControl::resizeEvent(QResizeEvent *Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollRanges();
    if (UpdateCacheImageSize()) {
        if (!FCacheImageRect.contains(ViewRect()))
            PlaceCacheImage();
        RedrawCacheImage();
    }
    Invalidate();
}

void TMapControl::scrollContentsBy(int, int)
{
    viewport()->update();
}
