#pragma once

#include "MapLayer.h"
#include "MapTool.h"
#include "MarkerLayer.h"
#include "OSM.MapMarkList.h"
#include "OSM.SlippyMapUtils.h"
#include "OSM.TilesProvider.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRegion>
#include <QSet>

#include <bitset>
#include <functional>
#include <memory>

class QRubberBand;

enum TMapOption : unsigned { moDontDrawCopyright = 1, moDontDrawScale = 2 };
using TMapOptions = unsigned;
enum class TMapMouseMode : uint8_t { mmDrag, mmSelect };

// A scrollable slippy map. Keeps a zoom level and a view position in map
// pixels, paints visible tiles from an off-screen cache image, draws marks,
// the attribution and a scale bar, and lets the user drag, zoom with the wheel
// about the pointer, or draw a selection box. It knows nothing of downloads:
// tiles come from GetTileImage or OnGetTile.
//
// Coordinates: map pixels (the whole world at the current zoom), view pixels
// (the viewport's). The scroll positions are the view's top-left in map pixels.
class TMapControl : public QAbstractScrollArea
{
    Q_OBJECT

public:
    using TOnGetTile = std::function<QImage(TMapControl *Sender, int TileHorzNum, int TileVertNum)>;
    using TOnDrawTile = std::function<void(TMapControl *Sender, int TileHorzNum, int TileVertNum,
                                           const QPoint &TopLeft, QPainter &Canvas, bool &Handled)>;
    using TOnZoomChanged = std::function<void(TMapControl *Sender)>;
    using TOnDrawMapMark = std::function<void(TMapControl *Sender, QPainter &Canvas, const QPoint &Point,
                                              TMapMark *MapMark, bool &Handled)>;
    using TOnSelectionBox = std::function<void(TMapControl *Sender, const TGeoRect &GeoRect)>;

    explicit TMapControl(QWidget *Parent = nullptr);
    ~TMapControl() override;

    // Conversions at the current zoom.
    QPoint ViewToMap(const QPoint &ViewPt) const;
    QRect ViewToMap(const QRect &ViewRect) const;
    QPoint MapToView(const QPoint &MapPt) const;
    QRect MapToView(const QRect &MapRect) const;
    QPoint MapToInner(const QPoint &MapPt) const { return MapToView(MapPt); }
    QPoint InnerToMap(const QPoint &Pt) const { return ViewToMap(Pt); }
    // Throw EGeoAssertion outside the map, as the geometry does.
    TGeoPoint MapToGeoCoords(const QPoint &MapPt) const;
    TGeoRect MapToGeoCoords(const QRect &MapRect) const;
    QPoint GeoCoordsToMap(const TGeoPoint &GeoCoords) const;
    QRect GeoCoordsToMap(const TGeoRect &GeoRect) const;

    // The view in map pixels.
    QRect ViewRect() const;
    QSize MapSize() const { return FMapSize; }

    int Zoom() const { return FZoom; }
    // MapBindPt: a map pixel at the old zoom that stays under the same view pixel.
    void SetZoom(int Value, const QPoint &MapBindPt);
    void SetZoom(int Value) { SetZoom(Value, QPoint(0, 0)); }
    TMapZoomLevel MinZoom() const { return FMinZoom; }
    TMapZoomLevel MaxZoom() const { return FMaxZoom; }
    void SetMinZoom(int Value);
    void SetMaxZoom(int Value);
    void ZoomToArea(const TGeoRect &GeoRect);
    void ZoomToFit();

    void ScrollMapBy(int DeltaHorz, int DeltaVert);
    void ScrollMapTo(int Horz, int Vert);
    TGeoPoint CenterPoint() const;
    void SetCenterPoint(const TGeoPoint &GeoPoint);
    TGeoPoint NWPoint() const;
    void SetNWPoint(const TGeoPoint &GeoPoint);

    const TTilesProvider &TilesProvider() const { return *FTilesProvider; }
    // Replaces the provider (null: a dummy one).
    void SetTilesProvider(std::unique_ptr<TTilesProvider> Provider);

    // Redraws one tile of the current zoom into the cache image and repaints.
    void RefreshTile(int TileHorzNum, int TileVertNum);
    void SetCacheImageProperties(int TilesHorz, int TilesVert, int MarginSize);
    QRect CacheImageRect() const { return FCacheImageRect; }

    int LabelMargin() const { return FLabelMargin; }
    void SetLabelMargin(int Value);
    const TMapLayers &VisibleLayers() const { return FVisibleLayers; }
    void SetVisibleLayers(const TMapLayers &Layers);
    TMapOptions MapOptions() const { return FMapOptions; }
    void SetMapOptions(TMapOptions Options);
    TMapMouseMode MouseMode() const { return FMouseMode; }
    void SetMouseMode(TMapMouseMode Mode) { FMouseMode = Mode; }
    TMapMarkList &MapMarks() { return *FMapMarkList; }

    // What the view shows now, as a paint sees it.
    TMapView View() const;
    // The layers in paint order, above the tiles and below the attribution
    // and the scale bar. The marker layer is there from the start.
    const std::vector<std::unique_ptr<TMapLayer>> &Layers() const { return FLayers; }
    // Pos outside the list: at its end. Returns the layer.
    TMapLayer *InsertLayer(int Pos, std::unique_ptr<TMapLayer> Layer);
    TMarkerLayer &Markers() { return *FMarkerLayer; }
    // Tools, the newest first to be offered events; see TMapTool.
    TMapTool *AddTool(std::unique_ptr<TMapTool> Tool);
    const std::vector<std::unique_ptr<TMapTool>> &Tools() const { return FTools; }

    // Schedules a repaint of the view.
    void Invalidate();

    // Defaults for marks.
    TMapMarkGlyphStyle MapMarkGlyphStyle;
    TMapMarkCaptionStyle MapMarkCaptionStyle;
    QFont MapMarkCaptionFont;

    TOnGetTile OnGetTile;
    TOnDrawTile OnDrawTile;
    TOnDrawTile OnDrawTileLoading;
    TOnZoomChanged OnZoomChanged;
    TOnDrawMapMark OnDrawMapMark;
    TOnSelectionBox OnSelectionBox;

protected:
    // A tile's image, or a null image while it is missing (the loading
    // placeholder is drawn then).
    virtual QImage GetTileImage(int TileHorzNum, int TileVertNum);
    // Called before the tiles of the range (tile numbers) are drawn one by
    // one, so that a source can make them ready together.
    virtual void PrepareTiles(const QRect &) {}
    // Whether a tile of the view that is drawn as missing should be asked
    // for again at this paint (a failed download whose back-off is over).
    virtual bool TileRetryDue(int, int) { return false; }

    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    // The map's own handling of what no tool took.
    virtual void MapMousePress(QMouseEvent *Event);
    virtual void MapMouseRelease(QMouseEvent *Event);
    virtual void MapKeyPress(QKeyEvent *Event);
    // Whether a tool or the owner took the last mouse press.
    bool FPressTaken = false;

    // Re-places the cache image over the view if needed and redraws all of it.
    // ViewFirst: only the tiles under the view now, the others when the view
    // reaches them or the event loop is idle (a zoom step's frame waits for
    // no tile it does not show).
    void RedrawCache(bool ViewFirst = false);
    // Set while a zoom change is followed at once by a move and RedrawCache:
    // the zoom change then leaves the cache image to it.
    bool FHoldCacheRedraw = false;

    // Whether the map is being dragged by the mouse now.
    bool IsDragging() const { return FDragging; }

    // The part of the view (view pixels) that the paint under way redraws;
    // a layer may skip what lies wholly outside it.
    const QRegion &PaintRegion() const { return FPaintRegion; }

private:
    friend class TMapControlToolHost;
    // Offers the event to the active tools, the newest first; true when one took it.
    bool ToolsTake(bool (TMapTool::*Handler)(const TMapToolEvent &), const TMapToolEvent &Event);
    void UpdateScrollRanges();
    bool UpdateCacheImageSize(); // true when the size changed
    void PlaceCacheImage();
    // First not empty (map pixels): tiles that do not meet it wait in
    // FStaleTiles; AllLater: all of them wait.
    void RedrawCacheImage(const QRect &First = QRect(), bool AllLater = false);
    // Draws the waiting tiles that meet Area (map pixels; null: all of them).
    void DrawStaleTiles(const QRect &Area);
    void ScheduleStaleTiles();
    void MoveCacheImage();
    void DrawTile(int TileHorzNum, int TileVertNum, const QPoint &TopLeft, QPainter &Canvas);
    void RetryMissingTiles(const QRect &View);
    void DrawLabels(QPainter &Canvas, const QRect &Rect);
    // Rebuilds the scale bar when the latitude at the view's centre or the
    // zoom gives it another length.
    void UpdateScaleLine();
    void BuildCopyright();
    QPoint ClampToMap(const QPoint &MapPt) const;

    int FZoom = -1;
    QSize FMapSize;
    TMapZoomLevel FMinZoom = 0;
    TMapZoomLevel FMaxZoom = 0;
    std::unique_ptr<TTilesProvider> FTilesProvider;
    QImage FCacheImage;
    QRegion FPaintRegion;
    QRect FCacheImageRect;
    QSet<QPoint> FMissingTiles; // tiles the cache image shows as loading
    QSet<QPoint> FStaleTiles; // tiles of the cache image not drawn yet
    bool FStaleScheduled = false;
    int FCacheImageTilesH = 8;
    int FCacheImageTilesV = 8;
    int FCacheMarginSize = 2;
    QImage FCopyright;
    QImage FScaleLine; // null: to be built at the next paint
    quint32 FScaleLinePx = 0;
    QString FScaleLineText;
    int FLabelMargin = 2;
    TMapOptions FMapOptions = 0;
    TMapMouseMode FMouseMode = TMapMouseMode::mmDrag;
    TMapLayers FVisibleLayers;
    std::unique_ptr<TMapMarkList> FMapMarkList;
    std::vector<std::unique_ptr<TMapLayer>> FLayers;
    std::vector<std::unique_ptr<TMapTool>> FTools;
    std::unique_ptr<TMapToolHost> FToolHost;
    TMarkerLayer *FMarkerLayer = nullptr;
    QPoint FDragPos;
    bool FDragging = false;
    QRubberBand *FSelectionBox = nullptr; // child of the viewport
    QPoint FSelectionBoxBindPoint;
};
