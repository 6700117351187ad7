#pragma once

#include "ZtStrings.h"

#include <QString>
#include <QStringList>

// An ordered store of unique text keys with text values. Keys compare after
// trimming and with ASCII A-Z folded to lower case; the first spelling of a
// key is kept. Values lose trailing white space. Lookups scan in order.
struct TZtHashItem
{
    QString key;
    QString value;
    QString hint;
};

class TZtHash
{
public:
    TZtHash() = default;
    // Loads the file in the line form ("=\t " separators) when a name is given.
    explicit TZtHash(const QString &fName);
    virtual ~TZtHash() = default;
    TZtHash(const TZtHash &) = default;
    TZtHash &operator=(const TZtHash &) = default;

    void Clear() { hash.clear(); }
    int Count() const { return int(hash.size() / 2); }
    int KeyIndex(const QString &key) const;
    QString GetKey(int idx) const;
    QString Key(int idx) const { return GetKey(idx); }

    virtual QString GetVal(const QString &key) const;
    virtual void SetVal(const QString &key, const QString &value);
    virtual QString GetValByIndex(int idx) const;
    virtual void SetValByIndex(int idx, const QString &value);
    virtual TZtHashItem GetItem(int idx) const;

    QString Val(const QString &key) const { return GetVal(key); }
    // The raw stored value when the key exists (even when empty), else def.
    QString Get(const QString &key, const QString &def) const;
    QString Get(const QString &key, const char *def) const { return Get(key, QString::fromUtf8(def)); }
    qint64 Get(const QString &key, qint64 def) const;
    qint64 Get(const QString &key, int def) const { return Get(key, qint64(def)); }

    // Signed decimal, or hexadecimal after "x"/"0x"; anything else reads 0.
    qint64 AsInteger(const QString &key) const;
    void SetAsInteger(const QString &key, qint64 value);
    // True when the value starts with 1, T, t, Y, y, O or o.
    bool AsBool(const QString &key) const;
    void SetAsBool(const QString &key, bool value);

    QString AsText(const QString &KeySeparator = QStringLiteral("="), const QString &LineSeparator = QStringLiteral("\r\n")) const;

    // The line form: key/value lines with comments, blocks and [Section]
    // blocks. Returns the number of entries read.
    int Assign(const QString &Data, bool Overwrite = true, const QString &KeySeparators = QStringLiteral("=\t "),
               const QString &LineSeparators = QStringLiteral("\r"));
    // The simple JSON form: flat objects, nested values kept as text, arrays
    // of objects under "0", "1", ...
    int AssignJson(const QString &Json, bool Clean = true);
    // Parameters key=value (program path excluded).
    int AssignCommandLine();
    int AssignCommandLine(const QStringList &params);
    // Reads a file in the line form, #include lines expanded.
    int Load(const QString &fName, bool Overwrite = true, const QString &Separators = QStringLiteral("=\t "));

    bool Sorted() const { return fsorted; }
    void SetSorted(bool v) { fsorted = v; }
    TOnCompareStrings OnCompare() const { return foncompare; }
    void SetOnCompare(TOnCompareStrings cmp) { foncompare = std::move(cmp); }
    int Tag() const { return ftag; }
    void SetTag(int tag) { ftag = tag; }

    // Range-for over key, value and hint (through the virtual readers).
    class const_iterator
    {
    public:
        const_iterator(const TZtHash *h, int i) : fHash(h), fIndex(i) {}
        TZtHashItem operator*() const { return fHash->GetItem(fIndex); }
        const_iterator &operator++() { ++fIndex; return *this; }
        bool operator!=(const const_iterator &o) const { return fIndex != o.fIndex; }
    private:
        const TZtHash *fHash;
        int fIndex;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, Count()); }

protected:
    // Raw storage access for derived stores.
    QString RawValue(int idx) const { return idx >= 0 && idx < Count() ? hash[2 * idx + 1] : QString(); }
    void SetRawValue(int idx, const QString &v);
    void AppendRaw(const QString &key, const QString &value);

    QStringList hash; // key at 2*i, value at 2*i+1
    bool fsorted = false;
    TOnCompareStrings foncompare;
    int ftag = 0;
};

// The key rule: trimmed, ASCII A-Z folded to lower case.
QString ZtHashFoldKey(const QString &key);

// Reads a file for TZtHash::Load: trimmed non-empty lines each followed by
// CR, comment lines dropped, #include lines replaced by the named file's
// text. Cycles and chains deeper than 16 files are reported on standard
// error and the line is skipped; the rest still loads.
QString ReadTextWithIncludes(const QString &fName);

// A store whose values carry a hint after HintSeparator.
extern QString HintSeparator;

class TZtHintHash : public TZtHash
{
public:
    using TZtHash::TZtHash;

    QString GetVal(const QString &key) const override;
    void SetVal(const QString &key, const QString &value) override;
    QString GetValByIndex(int idx) const override;
    void SetValByIndex(int idx, const QString &value) override;
    TZtHashItem GetItem(int idx) const override;

    QString GetHint(const QString &key) const { return GetHintByIndex(KeyIndex(key)); }
    void SetHint(const QString &key, const QString &hint);
    QString GetHintByIndex(int idx) const;
    void SetHintByIndex(int idx, const QString &hint);
    QString Hint(const QString &key) const { return GetHint(key); }
};
