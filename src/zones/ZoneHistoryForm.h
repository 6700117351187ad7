#pragma once

#include "OSM.VisitInfo.h"
#include "ZtDates.h"

#include <QDialog>

#include <functional>

class QToolButton;
class QTreeWidget;
class TVelmoraClient;
class TZoneInfo;

// Which objects were in a zone over a period: the points of the zone's
// history grouped into visits per object, as a tree of objects, visits and
// points, with an export of the visits.
class TZoneHistoryForm : public QDialog
{
    Q_OBJECT
public:
    explicit TZoneHistoryForm(QWidget *parent = nullptr);
    ~TZoneHistoryForm() override;

    // Fills the window from the history points (sorted here; they stay the
    // client's) and shows it modally.
    void ShowHistory(TVelmoraClient *Client, TZoneInfo *Zone, TTrackPointList &History, TDateTime Dt1, TDateTime Dt2);
    // The filling part of ShowHistory.
    void Fill(TVelmoraClient *Client, TZoneInfo *Zone, TTrackPointList &History, TDateTime Dt1, TDateTime Dt2);
    // Asks for a file and writes the visits as TXT or CSV.
    void SbExportClick();
    // Writes the visits into FileName by its extension (.txt, otherwise CSV);
    // false when there is nothing to write or the file cannot be written.
    bool ExportTo(const QString &FileName);

    const TVisitList &Visits() const { return fVisits; }

    QToolButton *SbExport = nullptr;
    QToolButton *SbClose = nullptr;
    QTreeWidget *HistoryList = nullptr;

    // Opens a written file with the desktop's program for it; tests replace it.
    std::function<void(const QString &FileName)> OpenFile;
    // A message box (caption, text, flags); tests replace it.
    std::function<int(const QString &Caption, const QString &Text, int Flags)> MsgBox;

private:
    TVisitList fVisits;
};
