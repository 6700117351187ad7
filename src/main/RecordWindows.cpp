#include "RecordWindows.h"

#include <algorithm>

TRecordWindows::TRecordWindows(QObject *parent) : QObject(parent) {}

void TRecordWindows::Register(QWidget *Window, TRecordKind Kind, const void *Record, TFreedCallback OnFreed)
{
    if (!Window)
        return;
    fEntries.push_back({Window, Kind, Record, std::move(OnFreed)});
}

void TRecordWindows::Unregister(QWidget *Window)
{
    std::erase_if(fEntries, [Window](const Entry &e) { return e.Window == Window || !e.Window; });
}

template <class Pred> void TRecordWindows::release(Pred Match)
{
    // Take the matching entries out first: a callback or a closing window
    // may register or unregister others meanwhile.
    std::vector<Entry> hit;
    for (auto it = fEntries.begin(); it != fEntries.end();) {
        if (!it->Window) {
            it = fEntries.erase(it);
        } else if (Match(*it)) {
            hit.push_back(std::move(*it));
            it = fEntries.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<QWidget *> closed;
    for (Entry &e : hit) {
        if (!e.Window || std::find(closed.begin(), closed.end(), e.Window.data()) != closed.end())
            continue;
        if (e.OnFreed) {
            e.OnFreed();
            continue;
        }
        QWidget *w = e.Window;
        // A window may show several records: no entry may outlive it.
        Unregister(w);
        closed.push_back(w);
        w->close();
        w->deleteLater();
    }
}

void TRecordWindows::RecordFreed(TRecordKind Kind, const void *Record)
{
    release([&](const Entry &e) { return e.Kind == Kind && e.Record == Record; });
}

void TRecordWindows::KindFreed(TRecordKind Kind)
{
    release([&](const Entry &e) { return e.Kind == Kind; });
}

void TRecordWindows::AllFreed()
{
    release([](const Entry &) { return true; });
}

int TRecordWindows::Count() const
{
    return int(std::count_if(fEntries.begin(), fEntries.end(), [](const Entry &e) { return !e.Window.isNull(); }));
}
