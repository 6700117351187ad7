// TZtMapControl: creation, tiles, logging and the simple map commands.
#include "OSM.ZtMapControl.h"

#include "OSM.GeoTrack.h"
#include "OSM.ZoneInfo.h"
#include "ZtFormat.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QString ConfigValue(const char *Key)
{
    try {
        return Config.Get(QString::fromLatin1(Key), QString()).trimmed();
    } catch (const std::exception &) {
        return QString();
    }
}

} // namespace

TZtMapControl::TZtMapControl(QWidget *Parent, uint32_t CacheSize, const QString &CachePath, const QString &TileURL,
                             const QString &UserAgent)
    : TMapControl(Parent)
{
    FTileStorage = std::make_unique<TTileStorage>(CacheSize ? CacheSize : DefaultCacheSize,
                                                  QStringLiteral("%d/%d/%d.png"));
    QString cacheDir = CachePath.isEmpty() ? QDir::tempPath() + QStringLiteral("/OsmCache") : CachePath;

    QString url = TileURL.isEmpty() ? ConfigValue("tile_url") : TileURL;
    if (!url.isEmpty() && !TOSMTilesProvider::IsValidPattern(url)) {
        FPendingLog << QStringLiteral("\rX: tile_url \"%1\" lacks {z}, {x} and {y}; using %2")
                           .arg(url, TOSMTilesProvider::DefaultTileURL);
        url.clear();
    }
    // On a high-density screen, tiles of twice the pixels where a source for
    // them is configured; they are kept apart from the ordinary ones.
    const QString hidpi = ConfigValue("tile_url_hidpi");
    if (!hidpi.isEmpty() && qGuiApp && qGuiApp->devicePixelRatio() > 1) {
        if (TOSMTilesProvider::IsValidPattern(hidpi)) {
            url = hidpi;
            cacheDir += QStringLiteral("/2x");
        } else {
            FPendingLog << QStringLiteral("\rX: tile_url_hidpi \"%1\" lacks {z}, {x} and {y}; not used").arg(hidpi);
        }
    }
    FTileStorage->SetFileCacheBaseDir(cacheDir);
    QString agent = UserAgent.isEmpty() ? ConfigValue("tile_user_agent") : UserAgent;
    if (agent.isEmpty())
        agent = DefaultTileUserAgent();

    FTileWriter.setMaxThreadCount(1);
    FNetRequest = std::make_unique<TNetworkRequestQueue>(4, 3, &BlockingTileRequest,
                                                         std::make_unique<TOSMTilesProvider>(url));
    // An honest agent as the OpenStreetMap tile policy asks, no cache bypass.
    FNetRequest->RequestProps().HeaderLines =
        QStringList{QStringLiteral("User-Agent: ") + agent, QStringLiteral("Accept-Language: en-US;q=0.7,en;q=0.3"),
                    QStringLiteral("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8")};
    // A tile is a few kilobytes; one of megabytes is no tile.
    bool kbOk = false;
    const qint64 maxKb = ConfigValue("tile_max_kb").trimmed().toLongLong(&kbOk);
    if (kbOk && maxKb > 0)
        FNetRequest->RequestProps().MaxBytes = qMin<qint64>(maxKb, 1 << 20) * 1024;
    FNetRequest->SetOnGotTileBgThr([this](const TTile &Tile, std::unique_ptr<QByteArray> Ms, const QString &Error) {
        GotTileBgThr(Tile, std::move(Ms), Error);
    });
    SetTilesProvider(std::make_unique<TOSMTilesProvider>(url));
    // Zones lie below the marks, tracks above them.
    auto zones = std::make_unique<TZoneLayer>();
    zones->OnError = [this](const QString &Text) { Log(Text); };
    FZoneLayer = zones.get();
    InsertLayer(0, std::move(zones));
    FTrackLayer = static_cast<TTrackLayer *>(InsertLayer(-1, std::make_unique<TTrackLayer>()));
    auto zoneTool = std::make_unique<TZoneEditTool>(*FZoneLayer);
    zoneTool->OnLog = [this](const QString &Fmt, const QVariantList &Args) {
        if (Args.isEmpty())
            Log(Fmt);
        else
            LogFmt(Fmt, Args);
    };
    zoneTool->OnCmd = [this](const QString &Action, const QString &Subj, const QStringList &Args) {
        Cmd(Action, Subj, Args);
    };
    FZoneTool = static_cast<TZoneEditTool *>(AddTool(std::move(zoneTool)));
    FPickTool = static_cast<TPickPointTool *>(AddTool(std::make_unique<TPickPointTool>()));
    FRulerTool = static_cast<TRulerTool *>(AddTool(std::make_unique<TRulerTool>()));
    viewport()->setMouseTracking(true); // the edited zone's hover cursor
    FClock.start();
    FRetryTimer = new QTimer(this);
    FRetryTimer->setSingleShot(true);
    connect(FRetryTimer, &QTimer::timeout, this, [this] {
        Invalidate();
        // Tiles that failed later are due later: wake up for the next of them.
        const qint64 now = FClock.elapsed();
        qint64 next = -1;
        for (auto it = FFailedTiles.cbegin(); it != FFailedTiles.cend(); ++it)
            if (it.key().Zoom == Zoom() && it->due > now && (next < 0 || it->due < next))
                next = it->due;
        if (next >= 0)
            FRetryTimer->start(int(next - now));
    });
    SetZoom(MinZoom());
    FActive = true;
}

TZtMapControl::~TZtMapControl()
{
    FActive = false;
    // The queue waits for its workers; tiles they still deliver are dropped.
    FNetRequest.reset();
    FTileWriter.waitForDone();
    FTileStorage.reset();
    FTrackLayer->Tracks().clear();
}

void TZtMapControl::SetLogCallback(TLogCallback Cb)
{
    FLogCallback = std::move(Cb);
    const QStringList pending = std::exchange(FPendingLog, QStringList());
    for (const QString &line : pending)
        Log(line);
}

void TZtMapControl::Log(const QString &Text)
{
    if (FLogCallback)
        FLogCallback(Text, QVariantList(), -1);
}

void TZtMapControl::LogFmt(const QString &Fmt, const QVariantList &Args)
{
    if (FLogCallback)
        FLogCallback(Fmt, Args, int(Args.size()));
}

void TZtMapControl::Cmd(const QString &Action, const QString &Subj, const QStringList &Args)
{
    if (FCmdCallback)
        FCmdCallback(this, Action, Subj, Args);
}

void TZtMapControl::SetGeoZones(std::vector<std::unique_ptr<TZoneInfo>> *Zones)
{
    if (!Zones)
        FEditedZone = nullptr;
    FZoneLayer->SetZones(Zones);
}

// ---- tiles ----

QImage TZtMapControl::GetTileImage(int TileHorzNum, int TileVertNum)
{
    if (FDeferTiles || Zoom() < 0 || TileHorzNum < 0 || TileVertNum < 0 || TileHorzNum >= (1 << Zoom())
        || TileVertNum >= (1 << Zoom()))
        return QImage();
    const TTile tile{TMapZoomLevel(Zoom()), quint32(TileHorzNum), quint32(TileVertNum)};
    QImage img = FTileStorage->GetTile(tile);
    if (img.isNull()) {
        auto failed = FFailedTiles.find(tile);
        if (failed != FFailedTiles.end()) {
            // A server that is away is not asked again before the back-off ends.
            const qint64 now = FClock.elapsed();
            if (now < failed->due)
                return img;
            failed->due = now + failed->delay;
        }
        FNetRequest->SetCurrentViewRect(ViewRect());
        FNetRequest->RequestTile(tile);
    }
    return img;
}

void TZtMapControl::PrepareTiles(const QRect &Tiles)
{
    if (FDeferTiles || Zoom() < 0)
        return;
    const int n = 1 << Zoom();
    std::vector<TTile> tiles;
    for (int y = std::max(Tiles.top(), 0); y <= std::min(Tiles.bottom(), n - 1); ++y)
        for (int x = std::max(Tiles.left(), 0); x <= std::min(Tiles.right(), n - 1); ++x)
            tiles.push_back(TTile{TMapZoomLevel(Zoom()), quint32(x), quint32(y)});
    FTileStorage->Preload(tiles);
}

bool TZtMapControl::TileRetryDue(int TileHorzNum, int TileVertNum)
{
    if (FFailedTiles.isEmpty() || Zoom() < 0 || TileHorzNum < 0 || TileVertNum < 0)
        return false;
    const auto failed = FFailedTiles.constFind(TTile{TMapZoomLevel(Zoom()), quint32(TileHorzNum), quint32(TileVertNum)});
    return failed != FFailedTiles.cend() && FClock.elapsed() >= failed->due;
}

void TZtMapControl::GotTileBgThr(const TTile &Tile, std::unique_ptr<QByteArray> Ms, const QString &Error)
{
    // Download thread: touch nothing but the flag, and hand the result over.
    if (!FActive)
        return;
    auto data = std::make_shared<TGotTileData>(TGotTileData{Tile, std::move(Ms), Error, false, QImage(), QString()});
    ++FTilesInHand;
    // The record is freed with the call, or with the posted event when the
    // layer is gone before it runs.
    if (data->Error.isEmpty() && data->Ms) {
        // Decoding and the disk's write (with its flush) are no work for the
        // user-interface thread; the destructor waits for the writer.
        FTileWriter.start([this, data] {
            data->Png = FTileStorage->PrepareTile(data->Tile, *data->Ms, &data->StoreError);
            data->Prepared = true;
            QMetaObject::invokeMethod(this, [this, data] { GotTileInHand(*data); }, Qt::QueuedConnection);
        });
        return;
    }
    QMetaObject::invokeMethod(this, [this, data] { GotTileInHand(*data); }, Qt::QueuedConnection);
}

void TZtMapControl::GotTileInHand(TGotTileData &Data)
{
    GotTile(Data);
    --FTilesInHand;
}

bool TZtMapControl::TilesSettled() const { return FTilesInHand == 0 && FNetRequest && FNetRequest->Idle(); }

void TZtMapControl::GotTile(TGotTileData &Data)
{
    if (!FActive || !FTileStorage)
        return;
    const QString tileName = QStringLiteral("%1/%2/%3").arg(Data.Tile.Zoom).arg(Data.Tile.ParameterX).arg(Data.Tile.ParameterY);
    QString err = Data.Error;
    if (err.isEmpty() && Data.Ms) {
        bool stored;
        if (Data.Prepared) {
            stored = !Data.Png.isNull();
            err = Data.StoreError;
            if (stored)
                FTileStorage->KeepTile(Data.Tile, *Data.Ms, Data.Png);
        } else {
            stored = FTileStorage->StoreTile(Data.Tile, std::move(*Data.Ms), &err);
        }
        if (stored) {
            FFailedTiles.remove(Data.Tile);
            // A tile of a zoom left meanwhile is kept but not drawn.
            if (Data.Tile.Zoom == Zoom())
                RefreshTile(int(Data.Tile.ParameterX), int(Data.Tile.ParameterY));
        }
    } else if (err.isEmpty()) {
        err = QStringLiteral("empty answer");
    }
    if (!err.isEmpty()) {
        // Asked for again at a paint after the back-off; a paint is due then.
        constexpr int MaxDelay = 60000;
        if (FFailedTiles.size() > 4096)
            FFailedTiles.clear(); // a long outage over much panning: start afresh
        TTileRetry &r = FFailedTiles[Data.Tile];
        r.delay = r.delay ? std::min(2 * r.delay, MaxDelay) : FTileRetryMs;
        r.due = FClock.elapsed() + r.delay;
        if (Data.Tile.Zoom == Zoom() && (!FRetryTimer->isActive() || FRetryTimer->remainingTime() > r.delay))
            FRetryTimer->start(r.delay);
    }
    // One line per kind of failure, not one per tile of the view.
    if (!err.isEmpty() && err != FLastTileError) {
        FLastTileError = err;
        Log(QStringLiteral("\rX: tile %1: %2").arg(tileName, err));
    }
}

// ---- simple commands ----

void TZtMapControl::SetCenter(int Zoom, double Lat, double Lon)
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return;
    // The zoom change would draw, fetch and decode the tiles around the old
    // position only to move away at once: tiles wait until the centre is set.
    const bool zoomChanges = Zoom != this->Zoom() && Zoom >= MinZoom() && Zoom <= MaxZoom();
    FDeferTiles = zoomChanges;
    FHoldCacheRedraw = zoomChanges;
    SetZoom(Zoom);
    FDeferTiles = false;
    FHoldCacheRedraw = false;
    try {
        SetCenterPoint(TGeoPoint{Lon, Lat});
    } catch (const std::exception &e) {
        Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
    if (zoomChanges)
        RedrawCache(true);
}

TMapMark *TZtMapControl::SetMark(int Zoom, double Lat, double Lon)
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return nullptr;
    SetCenter(Zoom, Lat, Lon);
    auto mark = MapMarks().NewItem();
    mark->Coord = TGeoPoint{Lon, Lat};
    mark->Layer = 0;
    mark->CustomProps = propGlyphStyle | propCaptionStyle;
    mark->GlyphStyle.Shape = TMapMarkGlyphShape::gshTriangle;
    mark->GlyphStyle.Size = 24;
    mark->GlyphStyle.BorderColor = QColor(0, 0, 128);
    mark->GlyphStyle.BgColor = QColor(0, 128, 0);
    mark->Width = 24;
    mark->Height = 24;
    return MapMarks().Add(std::move(mark));
}

QPoint TZtMapControl::GeoPointToInnerPoint(const TGeoPoint &GeoPoint) const
{
    return MapToView(GeoCoordsToMap(GeoPoint));
}

TGeoPoint TZtMapControl::GeoAt(const QPoint &ViewPt) const
{
    const QPoint m = ViewToMap(ViewPt);
    return MapToGeoCoords(QPoint(std::clamp(m.x(), 0, MapSize().width()), std::clamp(m.y(), 0, MapSize().height())));
}
