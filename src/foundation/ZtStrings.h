#pragma once

#include <QString>
#include <QStringList>

#include <functional>

using TOnCompareStrings = std::function<int(const QString &, const QString &)>;

// A growable list of strings with line splitting and joining. Lines are cut at
// CR LF, LF or CR and joined with CR LF.
class TZtStringList
{
public:
    TZtStringList() = default;
    explicit TZtStringList(const QString &text) { SetText(text); }

    int Count() const { return int(list.size()); }
    bool IsEmpty() const { return list.isEmpty(); }
    void Clear() { list.clear(); }

    // Out-of-range indexes read empty and write nothing.
    QString Strings(int idx) const { return idx >= 0 && idx < list.size() ? list[idx] : QString(); }
    QString operator[](int idx) const { return Strings(idx); }
    // Stores the string without trailing white space.
    void SetStrings(int idx, const QString &s);

    // Appends unchanged; returns the new index.
    int Add(const QString &s);
    // Clamped to 0..Count; stores without trailing white space.
    void Insert(int idx, const QString &s);
    void Delete(int idx);
    // Deletes the first exact match; false when there is none.
    bool Delete(const QString &value);
    // Removes and returns the first string (empty when the list is empty).
    QString Shift();

    void SetText(const QString &text);
    // Cuts the text into lines; the first piece continues the last string.
    // Returns the number of pieces.
    int AddText(const QString &text);
    QString GetText() const { return Join(QStringLiteral("\r\n")); }
    QString Text() const { return GetText(); }
    // Joins idx1..idx2 (clamped; idx2 < 0 means the last).
    QString Join(const QString &sep, int idx1 = 0, int idx2 = -1) const;

    void TrimAll();
    void DeleteEmpty(bool TrimAllBefore = false);
    int IndexOf(const QString &value) const;
    // First string that contains sub, or -1.
    int Find(const QString &sub) const;

    void Assign(const TZtStringList &other) { list = other.list; }
    // Splits at every occurrence of the separator, ignoring letter case.
    void Assign(const QString &text, const QString &Separator);
    void Assign(const QString &text, const QStringList &Separators);
    // Sorts with OnCompare, or by plain comparison when none is set.
    void Sort();

    // Lines as UTF-8, without a byte-order mark; -1 when the file does not
    // exist (the list is then unchanged). An empty name uses FileName.
    int LoadFromFile(const QString &fileName = QString());

    QString FileName() const { return fFileName; }
    void SetFileName(const QString &name) { fFileName = name; }
    TOnCompareStrings OnCompare() const { return foncompare; }
    void SetOnCompare(TOnCompareStrings cmp) { foncompare = std::move(cmp); }
    int Tag() const { return fTag; }
    void SetTag(int tag) { fTag = tag; }

    const QStringList &AsQStringList() const { return list; }
    QStringList::const_iterator begin() const { return list.cbegin(); }
    QStringList::const_iterator end() const { return list.cend(); }

private:
    QStringList list;
    TOnCompareStrings foncompare;
    int fTag = 0;
    QString fFileName;
};
