#pragma once

// "Trip Info": the trips of a period grouped by object, with the details of
// the selected object or trip, from where a trip's track is shown on the map
// through the main window's command callback. Not modal; it deletes itself
// when closed. Rows keep uids and look their records up in the client each
// time, so a list the client refills never leaves a row pointing at freed
// memory; the main window still closes the window at sign-out.

#include "common.h"

#include <QWidget>

#include <vector>

class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TObjectInfo;
class TTripInfo;
class TVelmoraClient;

class TTripInfoForm : public QWidget
{
    Q_OBJECT
public:
    struct TDetail
    {
        QString Key;  // the key name; the list shows its translation
        QString Val;
        bool MultiLine = false;
    };

    explicit TTripInfoForm(QWidget *parent = nullptr);

    // Fills the window from the client's trip list and shows it without waiting.
    void ShowTrips(TVelmoraClient *aClient, TCmdCallback aCmdCallBack);

    // The details of a row, in the order they are listed.
    static std::vector<TDetail> ObjectDetails(const TObjectInfo &Obj);
    static std::vector<TDetail> TripDetails(const TTripInfo &Trip);
    // The "Dur" cell: stop - start in whole seconds as hours:minutes; empty
    // without a period.
    static QString DurationText(const TTripInfo &Trip);
    // The argument list of the "show track" command.
    static QStringList TrackCommandArgs(const TTripInfo &Trip);

    // The selected row's records (none when the row's record is gone).
    TObjectInfo *SelObject() const;
    TTripInfo *SelTrip() const;
    // Shows the selected trip's track when it has a period and a distance;
    // false when nothing was asked of the main window.
    bool ShowTrack();

    QSplitter *Splitter = nullptr;
    QTreeWidget *TripList = nullptr;
    QTreeWidget *TripInfo = nullptr;
    QToolButton *SbShowTrack = nullptr; // in the distance row, while it is listed

    static constexpr int RowHeight = 20;

public Q_SLOTS:
    void TripListChange();
    void TripListDblClick();
    void CopyValue();

private:
    TTripInfo *TripOfItem(const QTreeWidgetItem *Item) const;
    TObjectInfo *ObjectOfItem(const QTreeWidgetItem *Item) const;
    void FillDetails(const std::vector<TDetail> &Details, bool WithTrackButton);

    TVelmoraClient *fClient = nullptr;
    TCmdCallback fCmdCallback;
};
