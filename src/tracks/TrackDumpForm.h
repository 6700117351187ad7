#pragma once

// The "Track Dump" window: every point of a track in a sortable table, the
// differences between selected rows, a chart of one value over time, a two
// point distance calculator, the track's information and its export.

#include "CalculatorForm.h"
#include "TrackChartData.h"
#include "common.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QListWidget;
class QMenu;
class QStackedWidget;
class QTableView;
class QToolBar;
class QValueAxis;
class TAddressCache;
class TGeoTrack;
class TTrackDumpModel;
class TVelmoraClient;

class TTrackDumpForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTrackDumpForm(QWidget *parent = nullptr);
    ~TTrackDumpForm() override;

    // Client (not owned) names the object's sensors; with aFreeTrackOnClose
    // the window owns the track and frees it when it goes.
    void SetTrack(TVelmoraClient *aClient, TGeoTrack *aTrack, bool aFreeTrackOnClose);
    void SetAddressCache(TAddressCache *Cache) { fCache = Cache; }
    void SetLogCallback(const TLogCallback &Log) { fLog = Log; }
    const TGeoTrack *Track() const { return fTrack; }

    // The difference shown for the rows selected, by the focused column.
    QString DeltaLabel() const;
    QString DeltaValue() const;
    // Signed "hh:nn:ss", with "<n> day(s)" in front past a day.
    static QString DeltaTimeText(double Days);

    void CopyColumns();
    void CopyRows();
    // Adds the first selected row's point to the calculator (nothing without a selection).
    void AddToCalculator();
    void ShowChart();
    void ShowDump();
    void ShowTrackInfo();
    void ExportTrack();
    // Chooses a value of the list for the chart (0 battery, 1 altitude, then sensors).
    void ChooseValue(int Entry);
    // The point a click on the chart at this x (ms) opens.
    int PointAtChartX(double X) const;

    TTrackDumpModel *Model() const { return fModel; }
    TCalculatorForm *Calculator() const { return fCalculator; }

    QToolBar *ToolBar = nullptr;
    QAction *ActClose = nullptr;
    QAction *ActShowChart = nullptr;
    QAction *ActShowDump = nullptr;
    QAction *ActShowInfo = nullptr;
    QAction *ActExport = nullptr;
    QAction *ActCopyColumns = nullptr;
    QAction *ActCopyRows = nullptr;
    QAction *ActCalculator = nullptr;
    QStackedWidget *Pages = nullptr;
    QTableView *DumpTable = nullptr;
    QLabel *LblDelta = nullptr;
    QLabel *LblDeltaValue = nullptr;
    QListWidget *ValueList = nullptr;
    QChartView *ChartView = nullptr;
    QLineSeries *Series = nullptr;
    QValueAxis *AxisY = nullptr;
    QDateTimeAxis *AxisX = nullptr;
    QMenu *TablePopup = nullptr;

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void Activate();
    void UpdateDelta();
    void HeaderClicked(int Column);
    void DrawChart();
    void ChartClicked(const QPointF &p);
    QList<int> SelectedRows() const;

    TVelmoraClient *fClient = nullptr;
    TAddressCache *fCache = nullptr;
    TLogCallback fLog;
    TGeoTrack *fTrack = nullptr;
    std::unique_ptr<TGeoTrack> fOwnedTrack;
    bool fActivated = false;
    double fMinDate = 0, fMaxDate = 0;
    TTrackDumpModel *fModel = nullptr;
    QPointer<TCalculatorForm> fCalculator;
    TrackChartData::TSeries fSeries;
    // Chart x minus the point's time: see DrawChart.
    double fChartShift = 0;
};
