#include "ZtHash.h"
#include "ZtVectorState.h"

#include "ZtSmallUtils.h"
#include "ZtUtils.h"

QString ZtHashFoldKey(const QString &key)
{
    QString k = TrimWs(key);
    for (QChar &c : k) {
        const ushort u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            c = QChar(u + 32);
    }
    return k;
}

TZtHash::TZtHash(const QString &fName)
{
    if (!fName.isEmpty())
        Load(fName, true, QStringLiteral("=\t "));
}

int TZtHash::KeyIndex(const QString &key) const
{
    // Called for every translated text: three times as fast with the upper
    // register state clear (see ZtVectorState.h).
    ClearUpperVectorState();
    const QString k = ZtHashFoldKey(key);
    if (k.isEmpty())
        return -1;
    // Stored keys are already trimmed: fold them on the fly, without copies.
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (int i = 0, n = Count(); i < n; ++i) {
        const QString &stored = hash[2 * i];
        if (stored.size() != k.size())
            continue;
        const char16_t *a = reinterpret_cast<const char16_t *>(stored.constData());
        const char16_t *b = reinterpret_cast<const char16_t *>(k.constData());
        qsizetype j = 0;
        while (j < k.size() && fold(a[j]) == b[j])
            ++j;
        if (j == k.size())
            return i;
    }
    return -1;
}

QString TZtHash::GetKey(int idx) const { return idx >= 0 && idx < Count() ? hash[2 * idx] : QString(); }

QString TZtHash::GetVal(const QString &key) const { return RawValue(KeyIndex(key)); }

void TZtHash::SetVal(const QString &key, const QString &value)
{
    const QString k = TrimWs(key);
    if (k.isEmpty())
        return;
    const int idx = KeyIndex(k);
    if (idx >= 0)
        SetRawValue(idx, TrimRightWs(value));
    else
        AppendRaw(k, TrimRightWs(value));
}

QString TZtHash::GetValByIndex(int idx) const { return RawValue(idx); }

void TZtHash::SetValByIndex(int idx, const QString &value) { SetRawValue(idx, TrimRightWs(value)); }

TZtHashItem TZtHash::GetItem(int idx) const { return TZtHashItem{GetKey(idx), GetValByIndex(idx), QString()}; }

void TZtHash::SetRawValue(int idx, const QString &v)
{
    if (idx >= 0 && idx < Count())
        hash[2 * idx + 1] = v;
}

void TZtHash::AppendRaw(const QString &key, const QString &value)
{
    hash << key << value;
    fsorted = false;
}

QString TZtHash::Get(const QString &key, const QString &def) const
{
    const int idx = KeyIndex(key);
    return idx >= 0 ? RawValue(idx) : def;
}

qint64 TZtHash::Get(const QString &key, qint64 def) const
{
    return KeyIndex(key) >= 0 ? AsInteger(key) : def;
}

qint64 TZtHash::AsInteger(const QString &key) const { return StrToIntAuto(TrimWs(GetVal(key))); }

void TZtHash::SetAsInteger(const QString &key, qint64 value) { SetVal(key, QString::number(value)); }

bool TZtHash::AsBool(const QString &key) const
{
    // The first letter decides ("on", "ok", "yes", "true", "1"), except that
    // "off" shares its letter with "on" and must read false.
    const QString v = GetVal(key).trimmed();
    if (v.isEmpty() || v.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return false;
    return QStringLiteral("1TtYyOo").contains(v[0]);
}

void TZtHash::SetAsBool(const QString &key, bool value) { SetVal(key, value ? QStringLiteral("true") : QStringLiteral("false")); }

QString TZtHash::AsText(const QString &KeySeparator, const QString &LineSeparator) const
{
    QString r;
    for (int i = 0, n = Count(); i < n; ++i) {
        if (i > 0)
            r += LineSeparator;
        r += GetKey(i) + KeySeparator + GetValByIndex(i);
    }
    return r;
}

int TZtHash::AssignCommandLine(const QStringList &params)
{
    QString text;
    for (const QString &p : params)
        text += p + u'\r';
    return Assign(text, true, QStringLiteral("=\t "), QStringLiteral("\r"));
}
