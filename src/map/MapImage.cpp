#include "MapImage.h"

#include "OSM.ZtMapControl.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPainter>
#include <QSaveFile>
#include <QTimer>

namespace {

// The tiles of the view, as (column, row), inside the map.
QList<QPoint> ViewTiles(const TMapView &View)
{
    const int n = 1 << View.ZoomLevel();
    const QRect &r = View.Rect;
    QList<QPoint> tiles;
    for (int y = std::max(0, int(FloorDiv(r.top(), TileSize))); y <= std::min(n - 1, int(FloorDiv(r.bottom(), TileSize))); ++y)
        for (int x = std::max(0, int(FloorDiv(r.left(), TileSize))); x <= std::min(n - 1, int(FloorDiv(r.right(), TileSize))); ++x)
            tiles << QPoint(x, y);
    return tiles;
}

} // namespace

QImage RenderMapImage(TZtMapControl &Map, const TMapView &View, int WaitMs, int *Missing)
{
    const QList<QPoint> tiles = ViewTiles(View);
    const TMapZoomLevel z = View.ZoomLevel();
    auto tileOf = [z](const QPoint &t) { return TTile{z, quint32(t.x()), quint32(t.y())}; };
    QHash<QPoint, QImage> got;
    QList<QPoint> wanted;
    for (const QPoint &t : tiles) {
        const QImage img = Map.TileStorage().GetTile(tileOf(t));
        if (img.isNull())
            wanted << t;
        else
            got.insert(t, img);
    }
    if (!wanted.isEmpty() && WaitMs > 0) {
        // Asked for with this view first in the queue; the screen's view
        // is put back afterwards.
        Map.NetRequest().SetCurrentViewRect(View.Rect);
        for (const QPoint &t : std::as_const(wanted))
            Map.NetRequest().RequestTile(tileOf(t));
        const QDeadlineTimer deadline(WaitMs);
        while (!wanted.isEmpty() && !deadline.hasExpired()) {
            QEventLoop loop;
            QTimer::singleShot(std::min<qint64>(25, std::max<qint64>(1, deadline.remainingTime())), &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            for (auto it = wanted.begin(); it != wanted.end();) {
                const QImage img = Map.TileStorage().GetTile(tileOf(*it));
                if (img.isNull()) {
                    ++it;
                } else {
                    got.insert(*it, img);
                    it = wanted.erase(it);
                }
            }
        }
        Map.NetRequest().SetCurrentViewRect(Map.ViewRect());
    }
    if (Missing)
        *Missing = int(wanted.size());

    QImage image((QSizeF(View.Size()) * View.Dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(View.Dpr);
    image.fill(QColor(230, 230, 230));
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (auto it = got.cbegin(); it != got.cend(); ++it) {
        const QRect at(QPoint(it.key().x() * TileSize, it.key().y() * TileSize) - View.Rect.topLeft(), QSize(TileSize, TileSize));
        // A tile of a high-density source (512 pixels) fills the same square.
        if (it->size() == at.size())
            p.drawImage(at.topLeft(), *it);
        else
            p.drawImage(at, *it);
    }
    TMapView v = View;
    v.PaintRegion = QRegion();
    for (const auto &layer : Map.Layers())
        layer->Paint(p, v);
    // The attribution the tile source asks for, bottom right.
    const QString credit = Map.TilesProvider().TilesCopyright;
    if (!credit.isEmpty()) {
        const QFont font(QStringLiteral("Arial"), 8);
        p.setFont(font);
        const QSize s = QFontMetrics(font).size(0, credit) + QSize(4, 2);
        const QRect box(QPoint(View.Size().width() - s.width() - 2, View.Size().height() - s.height() - 2), s);
        p.fillRect(box, QColor(255, 255, 255, 180));
        p.setPen(QColor(80, 80, 80));
        p.drawText(box, Qt::AlignCenter, credit);
    }
    p.end();
    // The layers noted what this paint showed (track points' positions for
    // clicks): the screen's next paint notes its own again.
    Map.viewport()->update();
    return image;
}

bool SaveMapImage(const QImage &Image, const QString &Path, QString *Error)
{
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || !Image.save(&file, "PNG") || !file.commit()) {
        if (Error)
            *Error = file.errorString().isEmpty() ? QStringLiteral("the image could not be written") : file.errorString();
        return false;
    }
    return true;
}
