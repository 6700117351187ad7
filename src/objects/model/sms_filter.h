#pragma once

// An SMS filter of the phone's companion application: conditions that
// describe an incoming message and actions to take on a matching one, in the
// device's JSON form. Type codes this program does not know are kept as read
// and written back unchanged.

#include <QJsonObject>
#include <QString>

#include <vector>

class TSmsFilter
{
public:
    class TCondition
    {
    public:
        TCondition() = default;
        TCondition(int aTyp, const QString &aArg) : fTyp(aTyp), fArg(aArg) {}
        // False when the object lacks "type" or "arg" or holds another kind.
        static bool FromJson(const QJsonObject &o, TCondition &out);
        QJsonObject ToJson() const;

        int TypInt() const { return fTyp; }
        QString Arg() const { return fArg; }
        void SetTyp(int v) { fTyp = v; }
        void SetArg(const QString &v) { fArg = v; }
        QString Hash() const;

    private:
        int fTyp = 0;
        QString fArg;
    };

    class TAction
    {
    public:
        TAction() = default;
        TAction(int aTyp, int aArg) : fTyp(aTyp), fArg(aArg) {}
        static bool FromJson(const QJsonObject &o, TAction &out);
        QJsonObject ToJson() const;

        // What the action editor stores: 0, 1, or 255 for anything else.
        void AssignTyp(int x) { fTyp = x == 0 || x == 1 ? x : 255; }
        void SetArg(int v) { fArg = v; }
        int TypInt() const { return fTyp; }
        int Arg() const { return fArg; }
        QString TypStr() const;
        QString ArgStr() const;
        QString Hash() const;

    private:
        int fTyp = 0;
        int fArg = 0;
    };

    QString Note;
    std::vector<TCondition> Conditions;
    std::vector<TAction> Actions;
    // Saved in the dialog since the answer was loaded.
    bool Modified = false;

    // False (with Error) when a key is missing or holds another kind.
    static bool FromJson(const QJsonObject &o, TSmsFilter &out, QString &Error);
    QJsonObject ToJson() const;
    // Compact JSON text: '"', '\' and '/' escaped, control characters as
    // escapes, '%' as \u0025 so that the device's un-escaping of %20, %0A and
    // %0D in a command cannot change the text; everything else unchanged.
    QString ToJsonStr() const;

    // "[cond,cond][action,action]".
    QString Hash() const;
    // The note, or the Hash when the note is empty.
    QString Display() const;

    // The filters of a "get filters" answer (read as ReadDeviceAnswer reads),
    // in file order. A filter that cannot be read stops the reading: false,
    // with Error naming its key, and the filters before it in Out.
    static bool ParseAnswer(const QByteArray &Text, std::vector<TSmsFilter> &Out, QString &Error);
    // "set filters filter0=... filter1=..."; "set filters" for no filters.
    static QString SetCommand(const std::vector<TSmsFilter> &Filters);
};
