#include "OSM.AddressCache.h"
#include "AccountClock.h"

#include "ZtUtils.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

// A field of the file carries "\", ";", CR and LF escaped with a backslash,
// so that an id or an address holding them survives a save and a load. Any
// other backslash stays as it is, which keeps files of older versions
// (that escaped nothing) readable.
QString Escape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case ';': out += QLatin1String("\\;"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\n': out += QLatin1String("\\n"); break;
        default: out += c;
        }
    }
    return out;
}

QString Unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const char16_t n = text[i + 1].unicode();
            const char16_t plain = n == '\\' ? u'\\' : n == ';' ? u';' : n == 'r' ? u'\r' : n == 'n' ? u'\n' : 0;
            if (plain) {
                out += QChar(plain);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// The next ";" at or after from that no backslash escapes; -1 when none.
qsizetype NextSeparator(const QString &line, qsizetype from)
{
    for (qsizetype i = from; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\'))
            ++i;
        else if (line[i] == QLatin1Char(';'))
            return i;
    }
    return -1;
}

} // namespace

void TAddressCacheItem::AssignCsv(const QString &Csv)
{
    // id;count;date;address; -- the address is everything between the third
    // ";" and the line's final one, so an address holding ";" stays whole.
    QString line = Csv;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    qsizetype seps[3] = {-1, -1, -1};
    qsizetype from = 0;
    for (int i = 0; i < 3; ++i) {
        seps[i] = NextSeparator(line, from);
        if (seps[i] < 0)
            throw EZtError(QStringLiteral("Bad CSV [%1]").arg(Csv));
        from = seps[i] + 1;
    }
    if (seps[0] == 0)
        throw EZtError(QStringLiteral("Empty OsmId [%1]").arg(Csv));
    QStringView address = QStringView(line).mid(seps[2] + 1);
    // The final ";" ends the field unless a backslash escapes it.
    if (address.endsWith(QLatin1Char(';'))) {
        qsizetype slashes = 0;
        for (qsizetype i = address.size() - 2; i >= 0 && address[i] == QLatin1Char('\\'); --i)
            ++slashes;
        if (slashes % 2 == 0)
            address.chop(1);
    }
    OsmId = Unescape(QStringView(line).left(seps[0]));
    ReadCount = int32_t(ToInt64Def(line.mid(seps[0] + 1, seps[1] - seps[0] - 1), 0));
    const QString date = line.mid(seps[1] + 1, seps[2] - seps[1] - 1);
    bool ok = false;
    const TDateTime dt = ParseDateTime(date, &ok);
    LastRead = ok && !std::isnan(dt) ? dt : 0;
    Address = Unescape(address);
}

QString TAddressCacheItem::ToCsvString() const
{
    return Escape(OsmId) + QLatin1Char(';') + QString::number(ReadCount) + QLatin1Char(';')
           + FormatDateTimeDef(QString(), LastRead) + QLatin1Char(';') + Escape(Address) + QLatin1Char(';');
}

TAddressCache::TAddressCache(const QString &aCacheFile)
    : fCacheFile(aCacheFile)
{
    if (fCacheFile.isEmpty())
        throw EZtError(QStringLiteral("Cache file name is empty"));
    Load();
}

TAddressCache::~TAddressCache()
{
    Save();
}

int TAddressCache::Load()
{
    QFile file(fCacheFile);
    if (!file.exists())
        return -1;
    if (!file.open(QIODevice::ReadOnly))
        throw EZtError(QStringLiteral("Cannot read %1: %2").arg(fCacheFile, file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    int added = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        try {
            TAddressCacheItem item(line);
            if (fAddressCache.contains(item.OsmId))
                continue;
            fAddressCache.insert(item.OsmId, item);
            ++added;
        } catch (const EZtError &) {
            // a bad line is skipped
        }
    }
    return added;
}

bool TAddressCache::Save() const
{
    QSaveFile file(fCacheFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const TAddressCacheItem &item : fAddressCache) {
        if (item.Address.isEmpty())
            continue;
        file.write((item.ToCsvString() + QLatin1Char('\n')).toUtf8());
    }
    return file.commit();
}

QString TAddressCache::GetAddress(const QString &OsmId)
{
    auto it = fAddressCache.find(OsmId);
    if (it == fAddressCache.end())
        return QString();
    it->ReadCount += 1;
    it->LastRead = ComputerNow();
    return it->Address;
}

void TAddressCache::SetAddress(const QString &OsmId, const QString &Address)
{
    if (OsmId.isEmpty())
        return;
    auto it = fAddressCache.find(OsmId);
    if (it != fAddressCache.end()) {
        if (Address.isEmpty()) {
            fAddressCache.erase(it);
            return;
        }
        it->Address = Address;
        it->ReadCount += 1;
        it->LastRead = ComputerNow();
        return;
    }
    if (!Address.isEmpty())
        fAddressCache.insert(OsmId, TAddressCacheItem(OsmId, Address));
}

const TAddressCacheItem *TAddressCache::Item(const QString &OsmId) const
{
    auto it = fAddressCache.constFind(OsmId);
    return it == fAddressCache.constEnd() ? nullptr : &*it;
}
