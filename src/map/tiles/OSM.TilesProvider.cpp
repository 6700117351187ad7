#include "OSM.TilesProvider.h"

#include <stdexcept>

QString TTilesProvider::GetProperty(const QString &) const
{
    throw std::runtime_error("Getter for Properties not implemented");
}

void TTilesProvider::SetProperty(const QString &, const QString &)
{
    throw std::runtime_error("Setter for Properties not implemented");
}

TDummyTilesProvider::TDummyTilesProvider()
{
    MinZoomLevel = 0;
    MaxZoomLevel = 20;
    TilesCopyright = QStringLiteral("(c) Tile provider (loaded from offline)");
}

QString TDummyTilesProvider::GetTileURL(const TTile &) const
{
    return QString();
}

// The tile usage policy of openstreetmap.org asks for https and this host.
const QString TOSMTilesProvider::DefaultTileURL = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");

TOSMTilesProvider::TOSMTilesProvider(const QString &TileURLPattern)
    : TileURLPatt(TileURLPattern.isEmpty() ? DefaultTileURL : TileURLPattern)
{
    MinZoomLevel = 0;
    MaxZoomLevel = 19;
    TilesCopyright = QStringLiteral("(c) OpenStreetMap contributors");
}

bool TOSMTilesProvider::IsValidPattern(const QString &Pattern)
{
    if (Pattern.contains(QLatin1String("{z}")))
        return Pattern.contains(QLatin1String("{x}")) && Pattern.contains(QLatin1String("{y}"));
    return Pattern.count(QLatin1String("%d")) == 3;
}

QString TOSMTilesProvider::GetTileURL(const TTile &Tile) const
{
    const QString z = QString::number(Tile.Zoom);
    const QString x = QString::number(Tile.ParameterX);
    const QString y = QString::number(Tile.ParameterY);
    if (TileURLPatt.contains(QLatin1String("{z}"))) {
        QString url = TileURLPatt;
        url.replace(QLatin1String("{z}"), z).replace(QLatin1String("{x}"), x).replace(QLatin1String("{y}"), y);
        return url;
    }
    // printf order: zoom, column, row. Only the first three %d are filled, so a
    // stray one can never read past the arguments.
    QString url;
    const QString values[3] = {z, x, y};
    int next = 0, from = 0;
    for (;;) {
        const int at = next < 3 ? int(TileURLPatt.indexOf(QLatin1String("%d"), from)) : -1;
        if (at < 0) {
            url += TileURLPatt.mid(from);
            break;
        }
        url += TileURLPatt.mid(from, at - from) + values[next++];
        from = at + 2;
    }
    return url;
}
