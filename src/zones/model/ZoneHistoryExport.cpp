#include "ZoneHistoryExport.h"

#include "OSM.ObjectInfo.h"
#include "ZtDates.h"

namespace {

const QString Eol = QStringLiteral("\r\n");

QByteArray WithBom(const QString &Text)
{
    return QByteArray("\xEF\xBB\xBF") + Text.toUtf8();
}

} // namespace

QString VisitObjectName(const TVisitInfo &Visit)
{
    return Visit.obj_info ? Visit.obj_info->name : QString();
}

QString CsvField(const QString &Value)
{
    if (!Value.contains(QLatin1Char(';')) && !Value.contains(QLatin1Char('"')) && !Value.contains(QLatin1Char('\n'))
        && !Value.contains(QLatin1Char('\r')))
        return Value;
    QString q = Value;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QByteArray ZoneHistoryText(const QString &Caption, const TVisitList &Visits)
{
    QString out = Caption + Eol;
    for (const auto &v : Visits)
        out += VisitObjectName(*v) + QLatin1Char('\t') + FormatDateTimeDef(QString(), v->start_dt) + QLatin1Char('\t')
               + DurationToStr(v->GetDuration(), 2) + Eol;
    return WithBom(out);
}

QByteArray ZoneHistoryCsv(const TVisitList &Visits)
{
    QString out = QStringLiteral("obj_id;obj_name;start_dt;duration;") + Eol;
    for (const auto &v : Visits)
        out += QString::number(v->obj_id) + QLatin1Char(';') + CsvField(VisitObjectName(*v)) + QLatin1Char(';')
               + FormatDateTimeDef(QString(), v->start_dt) + QLatin1Char(';') + QString::number(v->GetDuration())
               + QLatin1Char(';') + Eol;
    return WithBom(out);
}
