#include "ToolIcons.h"

#include <QHash>
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

QIcon ToolIcon(const QString &buttonName, const QColor &Ink)
{
    const QIcon plain = ToolIcon(buttonName);
    if (plain.isNull() || !Ink.isValid())
        return plain;
    QIcon tinted;
    // Sizes of 16 and 24 pixel buttons at device pixel ratios 1 to 3.
    for (int side : {16, 24, 32, 48, 64, 72}) {
        QPixmap pm = plain.pixmap(QSize(side, side), 1.0);
        QPainter p(&pm);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(pm.rect(), Ink);
        p.end();
        tinted.addPixmap(pm);
    }
    return tinted;
}

QIcon ProgramIcon()
{
    static const bool registered = (InitToolIconResources(), true);
    Q_UNUSED(registered)
    return QIcon(QStringLiteral(":/app/velmora-monitor.svg"));
}
