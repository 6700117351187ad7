#include "ZtStrings.h"

#include "ZtSmallUtils.h"

#include <QFile>

#include <algorithm>

void TZtStringList::SetStrings(int idx, const QString &s)
{
    if (idx >= 0 && idx < list.size())
        list[idx] = TrimRightWs(s);
}

int TZtStringList::Add(const QString &s)
{
    list.append(s);
    return int(list.size()) - 1;
}

void TZtStringList::Insert(int idx, const QString &s)
{
    list.insert(qBound(qsizetype(0), qsizetype(idx), list.size()), TrimRightWs(s));
}

void TZtStringList::Delete(int idx)
{
    if (idx >= 0 && idx < list.size())
        list.removeAt(idx);
}

bool TZtStringList::Delete(const QString &value)
{
    const qsizetype i = list.indexOf(value);
    if (i < 0)
        return false;
    list.removeAt(i);
    return true;
}

QString TZtStringList::Shift() { return list.isEmpty() ? QString() : list.takeFirst(); }

void TZtStringList::SetText(const QString &text)
{
    list.clear();
    AddText(text);
}

int TZtStringList::AddText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    t.replace(u'\n', u'\r');
    if (t.endsWith(u'\r'))
        t.chop(1);
    if (t.isEmpty() && text.isEmpty())
        return 0;
    QStringList pieces = t.split(u'\r');
    const int n = int(pieces.size());
    if (!list.isEmpty())
        list.last() += pieces.takeFirst();
    list.append(pieces);
    return n;
}

QString TZtStringList::Join(const QString &sep, int idx1, int idx2) const
{
    if (list.isEmpty())
        return QString();
    const int last = int(list.size()) - 1;
    if (idx2 < 0 || idx2 > last)
        idx2 = last;
    idx1 = qMax(0, idx1);
    QString r;
    for (int i = idx1; i <= idx2; ++i) {
        if (i > idx1)
            r += sep;
        r += list[i];
    }
    return r;
}

void TZtStringList::TrimAll()
{
    for (QString &s : list)
        s = TrimWs(s);
}

void TZtStringList::DeleteEmpty(bool TrimAllBefore)
{
    if (TrimAllBefore)
        TrimAll();
    list.removeIf([](const QString &s) { return TrimWs(s).isEmpty(); });
}

int TZtStringList::IndexOf(const QString &value) const { return int(list.indexOf(value)); }

int TZtStringList::Find(const QString &sub) const
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].contains(sub))
            return i;
    return -1;
}

void TZtStringList::Assign(const QString &text, const QString &Separator)
{
    Assign(text, QStringList{Separator});
}

void TZtStringList::Assign(const QString &text, const QStringList &Separators)
{
    list.clear();
    QString cur;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        bool cut = false;
        for (const QString &sep : Separators) {
            if (!sep.isEmpty() && QStringView(text).mid(i).startsWith(sep, Qt::CaseInsensitive)) {
                list.append(cur);
                cur.clear();
                i += sep.size();
                cut = true;
                break;
            }
        }
        if (!cut)
            cur += text[i++];
    }
    list.append(cur);
}

void TZtStringList::Sort()
{
    if (foncompare)
        std::stable_sort(list.begin(), list.end(), [this](const QString &a, const QString &b) { return foncompare(a, b) < 0; });
    else
        std::stable_sort(list.begin(), list.end());
}

int TZtStringList::LoadFromFile(const QString &fileName)
{
    if (!fileName.isEmpty())
        fFileName = fileName;
    QFile f(fFileName);
    if (fFileName.isEmpty() || !f.exists())
        return -1;
    list.clear();
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    bool first = true;
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        if (line.isEmpty() && f.error() != QFileDevice::NoError)
            break;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (first && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        first = false;
        list.append(QString::fromUtf8(line));
    }
    return int(list.size());
}
