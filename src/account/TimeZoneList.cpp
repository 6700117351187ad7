#include "TimeZoneList.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>

QString TTimeZoneList::EntryText(int eastMinutes)
{
    const int a = std::abs(eastMinutes);
    return QStringLiteral("UTC%1%2:%3")
        .arg(eastMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(a / 60, 2, 10, QLatin1Char('0'))
        .arg(a % 60, 2, 10, QLatin1Char('0'));
}

int TTimeZoneList::EntryValue(const QString &entry)
{
    static const QRegularExpression re(QStringLiteral("UTC([+-])(\\d+):(\\d+)"));
    const QRegularExpressionMatch m = re.match(entry);
    if (!m.hasMatch())
        return 0;
    const int minutes = m.captured(2).toInt() * 60 + m.captured(3).toInt();
    return m.captured(1) == u"-" ? -minutes : minutes;
}

QStringList TTimeZoneList::FromOffsets(const QList<int> &eastMinutes)
{
    QStringList out;
    for (int m : eastMinutes) {
        const QString e = EntryText(m);
        if (!out.contains(e))
            out << e;
    }
    out.sort();
    return out;
}

QStringList TTimeZoneList::Build()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<int> offsets;
    for (const QByteArray &id : QTimeZone::availableTimeZoneIds()) {
        const QTimeZone tz(id);
        if (tz.isValid())
            offsets << tz.standardTimeOffset(now) / 60;
    }
    // A system without zone data still offers UTC and the local zone.
    offsets << 0 << QTimeZone::systemTimeZone().standardTimeOffset(now) / 60;
    return FromOffsets(offsets);
}

int TTimeZoneList::IndexOfDays(const QStringList &entries, double days)
{
    for (int i = 0; i < entries.size(); ++i)
        if (std::abs(EntryValue(entries.at(i)) / 1440.0 - days) < 0.001)
            return i;
    return -1;
}

int TTimeZoneList::IndexOfMinutes(const QStringList &entries, int minutes)
{
    for (int i = 0; i < entries.size(); ++i)
        if (EntryValue(entries.at(i)) == minutes)
            return i;
    return -1;
}
