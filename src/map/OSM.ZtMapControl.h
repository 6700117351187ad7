#pragma once

#include "OSM.MapControl.h"
#include "OSM.NetworkRequestQueue.h"
#include "OSM.TileStorage.h"
#include "PickPointTool.h"
#include "RulerTool.h"
#include "TrackLayer.h"
#include "ZoneEditTool.h"
#include "ZoneLayer.h"
#include "common.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QList>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

class QMenu;
class TGeoTrack;
class TObjectInfo;
class TTrackPointInfo;
class TZoneInfo;

// What a download thread hands to the user-interface thread.
struct TGotTileData
{
    TTile Tile;
    std::unique_ptr<QByteArray> Ms; // null: the download failed
    QString Error;
    // Decoded and written to disk off the user-interface thread.
    bool Prepared = false;
    QImage Png; // null: not a PNG image (StoreError says why)
    QString StoreError;
};

// The map of the monitoring window: tiles from the tile storage with
// background downloads, a marker per tracked object, the tracks being
// analysed and the geozones, with mouse editing of the zone marked as edited.
// Reports clicks and zone changes through callbacks; never calls the service.
class TZtMapControl : public TMapControl
{
    Q_OBJECT

public:
    using TOnClickMap = std::function<bool(const TGeoPoint &GeoPoint)>;
    using TOnClickTrackPoint = std::function<void(TTrackPointInfo *TrackPoint)>;
    using TOnClickMapMark = std::function<void(TMapMark *MapMark)>;
    using TOnClickZone = std::function<void(TZoneInfo *Zone)>;

    static constexpr uint32_t DefaultCacheSize = 10000000;

    // CacheSize: the tile memory budget in bytes (0: 10 MB). CachePath: the
    // disk tile cache (empty: "OsmCache" in the temporary folder). TileURL and
    // UserAgent: the tile source; empty takes the configuration values
    // tile_url and tile_user_agent, and failing those the OpenStreetMap
    // standard tiles over https and an honest VelmoraMonitor agent.
    explicit TZtMapControl(QWidget *Parent = nullptr, uint32_t CacheSize = 0, const QString &CachePath = QString(),
                           const QString &TileURL = QString(), const QString &UserAgent = QString());
    ~TZtMapControl() override;

    void SetLogCallback(TLogCallback Cb);
    void SetCmdCallback(TCmdCallback Cb) { FCmdCallback = std::move(Cb); }

    // Owned tracks, drawn in list order.
    std::vector<std::unique_ptr<TGeoTrack>> &GeoTracks() { return FTrackLayer->Tracks(); }
    // Zones of the owner (not owned); null: none drawn.
    void SetGeoZones(std::vector<std::unique_ptr<TZoneInfo>> *Zones);
    std::vector<std::unique_ptr<TZoneInfo>> *GeoZones() const { return FZoneLayer->Zones(); }
    // Image 0: plain marker; image 1: marker with a round photo window.
    void SetMarkerImages(const QList<QImage> &Images) { Markers().SetMarkerImages(Images); }
    const QList<QImage> &MarkerImages() { return Markers().MarkerImages(); }
    TTrackLayer &TrackLayer() { return *FTrackLayer; }
    TZoneLayer &ZoneLayer() { return *FZoneLayer; }
    // A pair of marker images drawn by the program, for owners without their own.
    static QList<QImage> DefaultMarkerImages() { return TMarkerLayer::DefaultMarkerImages(); }

    TOnClickMap OnLClickMap;
    TOnClickMap OnRClickMap;
    TOnClickTrackPoint OnClickTrackPoint;
    TOnClickMapMark OnClickMapMark;
    TOnClickZone OnClickZone;
    // Adds the owner's entries to the map's context menu.
    std::function<void(QMenu &Menu)> OnFillContextMenu;

    // Nothing when either coordinate is NaN.
    void SetCenter(int Zoom, double Lat, double Lon);
    // Centres on the point and adds a green triangle mark there; null for NaN.
    TMapMark *SetMark(int Zoom, double Lat, double Lon);
    QPoint GeoPointToInnerPoint(const TGeoPoint &GeoPoint) const;
    // The first mark, in list order, whose pin covers the view point, or null.
    TMapMark *MarkAt(const QPoint &ViewPt) { return Markers().MarkAt(ViewPt, View()); }
    // An object marker's tooltip: the name and the time of the last report.
    static QString MarkerToolTip(const TObjectInfo &Obj) { return TMarkerLayer::MarkerToolTip(Obj); }

    // Hit code of a view point on a zone: -1 none, 1 centre, 2 rim, 9 inside,
    // 100 + i node i, 200 + i the edge ending at node i; from node 100 on,
    // where those would collide, NodeHitBase + i and EdgeHitBase + i.
    static constexpr int NodeHitBase = TZoneHit::NodeHitBase;
    static constexpr int EdgeHitBase = TZoneHit::EdgeHitBase;
    static int NodeHit(int i) { return TZoneHit::AtNode(i).Code(); }
    static int EdgeHit(int i) { return TZoneHit::AtEdge(i).Code(); }
    static bool IsNodeHit(int Code) { return (Code >= 100 && Code < 200) || (Code >= NodeHitBase && Code < EdgeHitBase); }
    static bool IsEdgeHit(int Code) { return (Code >= 200 && Code < 300) || Code >= EdgeHitBase; }
    // The node or edge index of a node or edge hit code.
    static int HitIndex(int Code) { return Code >= EdgeHitBase ? Code - EdgeHitBase : Code >= NodeHitBase ? Code - NodeHitBase : Code % 100; }
    int ZoneHitTest(const QPoint &ViewPt, TZoneInfo *Zone) { return FZoneLayer->HitAt(ViewPt, Zone, View()).Code(); }
    // Looked up afresh: the zone noted at the last press may have been freed
    // since (a cancelled new zone).
    TZoneInfo *EditedZone() { return FindEditedZone(); }
    // Whether a drag of the edited zone's centre, rim or node is under way.
    bool ZoneDragging() const { return FZoneTool->Dragging(); }
    // The hit code of the zone handle being dragged (-1: none).
    int FDragType() const { return FZoneTool->DragHit().Code(); }
    TZoneEditTool &ZoneTool() { return *FZoneTool; }
    // The next right click on the map reports its point to OnPick instead
    // of any other handling; Escape gives it up.
    void PickPoint(TPickPointTool::TOnPick OnPick) { FPickTool->Arm(std::move(OnPick)); }
    TPickPointTool &PickTool() { return *FPickTool; }
    // Measuring: from the map's context menu or the M key.
    TRulerTool &Ruler() { return *FRulerTool; }
    // The cursor that says what a press at a zone hit code would do.
    static Qt::CursorShape ZoneEditCursor(int HitCode);

    // Drops what is kept for painting the tracks (positions, line, glyphs,
    // drawn tiles); call after changing points of a track in place: their
    // positions, parking or event flags, address ids, bearings or sources.
    // Adding or removing points, and a new style, are noticed.
    void InvalidateTracks() { FTrackLayer->Invalidate(); }
    // Writes MapPoint of every track point the last paint showed, and clears
    // it on points no longer shown. Paints leave the point records alone;
    // the click test calls this first.
    void UpdateMapPoints() { FTrackLayer->UpdateMapPoints(); }

    // A tile whose download failed is asked for again at the first paint
    // after a back-off that starts at this many milliseconds and doubles
    // with each further failure, up to a minute.
    void SetTileRetryDelay(int Ms) { FTileRetryMs = std::max(Ms, 1); }

    TTileStorage &TileStorage() { return *FTileStorage; }
    TNetworkRequestQueue &NetRequest() { return *FNetRequest; }
    // No tile is asked for, downloading, being decoded or waiting to be
    // stored: what the view shows after its next paint is all there is.
    bool TilesSettled() const;

protected:
    QImage GetTileImage(int TileHorzNum, int TileVertNum) override;
    void PrepareTiles(const QRect &Tiles) override;
    bool TileRetryDue(int TileHorzNum, int TileVertNum) override;
    void MapMousePress(QMouseEvent *Event) override;
    void MapKeyPress(QKeyEvent *Event) override;
    // Asks for a file and writes the view there as a PNG image.
    void SaveViewAsImage();
    void contextMenuEvent(QContextMenuEvent *Event) override;
    bool viewportEvent(QEvent *Event) override;

private:
    void GotTileBgThr(const TTile &Tile, std::unique_ptr<QByteArray> Ms, const QString &Error);
    void GotTile(TGotTileData &Data);
    // GotTile of a tile counted in FTilesInHand.
    void GotTileInHand(TGotTileData &Data);
    void LeftPress(QMouseEvent *Event, bool &Consumed);
    void RightPress(QMouseEvent *Event, bool &Consumed);
    // The zone of the list that is open for editing now (the paint's note
    // of it may be older than the list).
    TZoneInfo *FindEditedZone();
    void Log(const QString &Text);
    void LogFmt(const QString &Fmt, const QVariantList &Args);
    void Cmd(const QString &Action, const QString &Subj, const QStringList &Args);
    TGeoPoint GeoAt(const QPoint &ViewPt) const;

    std::atomic<bool> FActive{false};
    TLogCallback FLogCallback;
    TCmdCallback FCmdCallback;
    std::unique_ptr<TTileStorage> FTileStorage;
    std::unique_ptr<TNetworkRequestQueue> FNetRequest;
    // Decodes arrived tiles and writes them to disk, one at a time, so that
    // neither the downloads nor the user-interface thread wait for the disk.
    QThreadPool FTileWriter;
    // Tiles handed over by a download thread whose GotTile has not run yet.
    std::atomic<int> FTilesInHand{0};
    TZoneLayer *FZoneLayer = nullptr;
    TTrackLayer *FTrackLayer = nullptr;
    TZoneInfo *FEditedZone = nullptr;
    TZoneEditTool *FZoneTool = nullptr;
    TPickPointTool *FPickTool = nullptr;
    TRulerTool *FRulerTool = nullptr;
    QStringList FPendingLog; // said before a log callback was set
    QString FLastTileError;
    // Failed tiles: when each may be asked for again, and its back-off.
    struct TTileRetry
    {
        qint64 due = 0;
        int delay = 0;
    };
    QHash<TTile, TTileRetry> FFailedTiles;
    QElapsedTimer FClock;
    QTimer *FRetryTimer = nullptr; // a paint when the next back-off ends
    int FTileRetryMs = 5000;
    bool FDeferTiles = false; // while a zoom change is followed by a move
};
