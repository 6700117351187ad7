// TZtHintHash: every stored value is value + HintSeparator + hint; the
// ordinary readers see only the value.
#include "ZtHash.h"

#include "ZtSmallUtils.h"

QString HintSeparator = QStringLiteral("//");

namespace {
QString valuePart(const QString &raw)
{
    const qsizetype p = HintSeparator.isEmpty() ? -1 : raw.indexOf(HintSeparator);
    return p < 0 ? raw : raw.left(p);
}

QString hintPart(const QString &raw)
{
    const qsizetype p = HintSeparator.isEmpty() ? -1 : raw.indexOf(HintSeparator);
    return p < 0 ? QString() : raw.mid(p + HintSeparator.size());
}

QString compose(const QString &value, const QString &hint)
{
    return hint.isEmpty() ? value : value + HintSeparator + hint;
}
} // namespace

QString TZtHintHash::GetVal(const QString &key) const { return valuePart(RawValue(KeyIndex(key))); }

void TZtHintHash::SetVal(const QString &key, const QString &value)
{
    const int idx = KeyIndex(key);
    if (idx < 0) {
        TZtHash::SetVal(key, value);
        return;
    }
    SetRawValue(idx, TrimRightWs(compose(value, GetHintByIndex(idx))));
}

QString TZtHintHash::GetValByIndex(int idx) const { return valuePart(RawValue(idx)); }

void TZtHintHash::SetValByIndex(int idx, const QString &value)
{
    SetRawValue(idx, TrimRightWs(compose(value, GetHintByIndex(idx))));
}

TZtHashItem TZtHintHash::GetItem(int idx) const
{
    return TZtHashItem{GetKey(idx), GetValByIndex(idx), GetHintByIndex(idx)};
}

QString TZtHintHash::GetHintByIndex(int idx) const { return hintPart(RawValue(idx)); }

void TZtHintHash::SetHint(const QString &key, const QString &hint)
{
    int idx = KeyIndex(key);
    if (idx < 0) {
        // Setting the hint of a new key creates it with an empty value.
        TZtHash::SetVal(key, QString());
        idx = KeyIndex(key);
        if (idx < 0)
            return;
    }
    SetHintByIndex(idx, hint);
}

void TZtHintHash::SetHintByIndex(int idx, const QString &hint)
{
    SetRawValue(idx, TrimRightWs(compose(GetValByIndex(idx), hint)));
}
