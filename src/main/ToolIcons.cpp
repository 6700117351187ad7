#include "ToolIcons.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>

static void InitToolIconResources()
{
    // The pictures are compiled into a static library: its resources must be
    // registered by hand.
    Q_INIT_RESOURCE(icons);
}

QIcon ToolIcon(const QString &buttonName)
{
    static const bool registered = (InitToolIconResources(), true);
    Q_UNUSED(registered)
    static const QHash<QString, QString> pictures{
        {QStringLiteral("SbObjectInfo"), QStringLiteral("info")},
        {QStringLiteral("SbEditObject"), QStringLiteral("edit")},
        {QStringLiteral("SbConfiguration"), QStringLiteral("config")},
        {QStringLiteral("SbSmsFilters"), QStringLiteral("sms")},
        {QStringLiteral("SbCommands"), QStringLiteral("commands")},
        {QStringLiteral("SbPlaces"), QStringLiteral("places")},
        {QStringLiteral("SbCreatePlace"), QStringLiteral("place-add")},
        {QStringLiteral("SbRequestTrack"), QStringLiteral("track")},
        {QStringLiteral("SbLastMessages"), QStringLiteral("last")},
        {QStringLiteral("SbObjectMenu"), QStringLiteral("menu")},
        {QStringLiteral("SbTrackInfo"), QStringLiteral("info")},
        {QStringLiteral("SbExplainTrack"), QStringLiteral("addresses")},
        {QStringLiteral("SbDumpTrack"), QStringLiteral("dump")},
        {QStringLiteral("SbDeleteTrack"), QStringLiteral("delete")},
        {QStringLiteral("SbTrackMenu"), QStringLiteral("menu")},
        {QStringLiteral("SbTrapInfo"), QStringLiteral("info")},
        {QStringLiteral("SbAppendTrap"), QStringLiteral("add")},
        {QStringLiteral("SbEditTrap"), QStringLiteral("edit")},
        {QStringLiteral("SbDeleteTrap"), QStringLiteral("delete")},
        {QStringLiteral("SbZoneInfo"), QStringLiteral("info")},
        {QStringLiteral("SbAppendZone"), QStringLiteral("add")},
        {QStringLiteral("SbEditZone"), QStringLiteral("edit")},
        {QStringLiteral("SbZoneHistory"), QStringLiteral("history")},
        {QStringLiteral("SbDeleteZone"), QStringLiteral("delete")},
        {QStringLiteral("SbAcceptAlarm"), QStringLiteral("accept")},
        {QStringLiteral("SbRequestEvents"), QStringLiteral("events")},
        {QStringLiteral("SbAcceptEvent"), QStringLiteral("accept")},
        {QStringLiteral("SbClearLog"), QStringLiteral("clear")},
    };
    const QString picture = pictures.value(buttonName);
    if (picture.isEmpty())
        return QIcon();
    return QIcon(QStringLiteral(":/tools/%1.svg").arg(picture));
}

QIcon ToolIcon(const QString &buttonName, const QColor &ink)
{
    const QIcon drawing = ToolIcon(buttonName);
    if (drawing.isNull())
        return drawing;
    QIcon tinted;
    for (const qreal dpr : {1.0, 2.0})
        for (const int size : {16, 24}) {
            QImage img = drawing.pixmap(QSize(size, size), dpr).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            // Keeps each pixel's coverage, takes the ink's colour.
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(img.rect(), ink);
            p.end();
            QPixmap pm = QPixmap::fromImage(img);
            pm.setDevicePixelRatio(dpr);
            tinted.addPixmap(pm);
        }
    return tinted;
}
