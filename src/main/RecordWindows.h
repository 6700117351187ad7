#pragma once

// The windows that show a record of the client (a track, a zone, a trap, an
// object…) hold pointers into the client's lists. Before such a record is
// freed (sign-out, a deleted track, reloaded zones) its windows are closed,
// or told through their own callback, so that none paints a freed record.
//
// A registered window without a callback is closed and deleted later: it
// must be owned by its Qt parent or delete itself on close, never by a
// smart pointer of its caller.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

enum class TRecordKind { Object, Track, Zone, Trap, Event, Trip };

class TRecordWindows : public QObject
{
    Q_OBJECT
public:
    using TFreedCallback = std::function<void()>;

    explicit TRecordWindows(QObject *parent = nullptr);

    // Window shows Record (of Kind). OnFreed, when given, is called instead
    // of closing the window. A window may show several records.
    void Register(QWidget *Window, TRecordKind Kind, const void *Record, TFreedCallback OnFreed = {});
    void Unregister(QWidget *Window);

    // One record is about to be freed.
    void RecordFreed(TRecordKind Kind, const void *Record);
    // Every record of a kind is about to be freed (the list is reloaded).
    void KindFreed(TRecordKind Kind);
    // Every record is about to be freed (sign-out).
    void AllFreed();

    // Open registered windows (for the tests and the log).
    int Count() const;

private:
    struct Entry
    {
        QPointer<QWidget> Window;
        TRecordKind Kind;
        const void *Record;
        TFreedCallback OnFreed;
    };
    template <class Pred> void release(Pred Match);

    std::vector<Entry> fEntries;
};
