#include "TrackDumpForm.h"

#include "CalculatorForm.h"
#include "ExportFile.h"
#include "FormTranslate.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "TrackDumpModel.h"
#include "TrackInfoForm.h"
#include "TrackPointInfoForm.h"
#include "ZtUtils.h"
#include "client.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

TTrackDumpForm::TTrackDumpForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TrackDumpForm"));
    setWindowTitle(QStringLiteral("Track Dump"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 600);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    auto act = [this](const char *name, const QString &text, const QString &hint, auto slot) {
        QAction *a = ToolBar->addAction(text, this, slot);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        return a;
    };
    ActClose = act("ActClose", QStringLiteral("Close"), QStringLiteral("Close"), [this] { close(); });
    ActShowChart = act("ActShowChart", QStringLiteral("Chart"), QStringLiteral("Show chart of value"), [this] { ShowChart(); });
    ActShowDump = act("ActShowDump", QStringLiteral("Dump"), QStringLiteral("Show track dump"), [this] { ShowDump(); });
    ActShowInfo = act("ActShowInfo", QStringLiteral("Info"), QStringLiteral("Show track info"), [this] { ShowTrackInfo(); });
    ActExport = act("ActExport", QStringLiteral("Export"), QStringLiteral("Export track"), [this] { ExportTrack(); });

    fModel = new TTrackDumpModel(this);
    DumpTable = new QTableView(this);
    DumpTable->setObjectName(QStringLiteral("DumpTable"));
    DumpTable->setModel(fModel);
    DumpTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    DumpTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DumpTable->verticalHeader()->hide();
    // Fixed row heights: a million rows are laid out without measuring each.
    DumpTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DumpTable->verticalHeader()->setDefaultSectionSize(DumpTable->fontMetrics().height() + 4);
    DumpTable->horizontalHeader()->setSectionsClickable(true);
    DumpTable->horizontalHeader()->setSortIndicatorShown(true);
    DumpTable->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    DumpTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    DumpTable->setWordWrap(false);
    connect(DumpTable->horizontalHeader(), &QHeaderView::sectionClicked, this, &TTrackDumpForm::HeaderClicked);
    connect(DumpTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TTrackDumpForm::UpdateDelta);
    connect(DumpTable->selectionModel(), &QItemSelectionModel::currentChanged, this, &TTrackDumpForm::UpdateDelta);

    TablePopup = new QMenu(DumpTable);
    TablePopup->setObjectName(QStringLiteral("TablePopup"));
    // The keys are read by the table's event filter; the actions only show them.
    ActCopyColumns = new QAction(QStringLiteral("Copy column(s)") + QStringLiteral("\tCtrl+C"), DumpTable);
    ActCopyColumns->setObjectName(QStringLiteral("ActCopyColumns"));
    ActCopyRows = new QAction(QStringLiteral("Copy row(s)") + QStringLiteral("\tAlt+C"), DumpTable);
    ActCopyRows->setObjectName(QStringLiteral("ActCopyRows"));
    ActCalculator = new QAction(QStringLiteral("Calculator [+]"), DumpTable);
    ActCalculator->setObjectName(QStringLiteral("ActCalculator"));
    for (QAction *a : {ActCopyColumns, ActCopyRows, ActCalculator}) {
        DumpTable->addAction(a);
        TablePopup->addAction(a);
    }
    DumpTable->installEventFilter(this);
    connect(ActCopyColumns, &QAction::triggered, this, &TTrackDumpForm::CopyColumns);
    connect(ActCopyRows, &QAction::triggered, this, &TTrackDumpForm::CopyRows);
    connect(ActCalculator, &QAction::triggered, this, &TTrackDumpForm::AddToCalculator);

    LblDelta = new QLabel(this);
    LblDelta->setObjectName(QStringLiteral("LblDelta"));
    LblDeltaValue = new QLabel(this);
    LblDeltaValue->setObjectName(QStringLiteral("LblDeltaValue"));
    auto *dumpPage = new QWidget;
    auto *deltaBar = new QHBoxLayout;
    deltaBar->addWidget(LblDelta);
    deltaBar->addWidget(LblDeltaValue, 1);
    auto *dumpLay = new QVBoxLayout(dumpPage);
    dumpLay->setContentsMargins(0, 0, 0, 0);
    dumpLay->addWidget(DumpTable);
    dumpLay->addLayout(deltaBar);

    ValueList = new QListWidget(this);
    ValueList->setObjectName(QStringLiteral("ValueList"));
    ValueList->setMaximumWidth(220);
    connect(ValueList, &QListWidget::currentRowChanged, this, [this](int) { DrawChart(); });
    auto *chart = new QChart;
    chart->legend()->hide();
    // A redrawn value shows at once: an animation would replay every change
    // over several frames.
    chart->setAnimationOptions(QChart::NoAnimation);
    Series = new QLineSeries;
    chart->addSeries(Series);
    AxisX = new QDateTimeAxis;
    AxisY = new QValueAxis;
    chart->addAxis(AxisX, Qt::AlignBottom);
    chart->addAxis(AxisY, Qt::AlignLeft);
    Series->attachAxis(AxisX);
    Series->attachAxis(AxisY);
    connect(Series, &QLineSeries::clicked, this, &TTrackDumpForm::ChartClicked);
    ChartView = new QChartView(chart, this);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    auto *chartPage = new QSplitter;
    chartPage->addWidget(ValueList);
    chartPage->addWidget(ChartView);
    chartPage->setStretchFactor(1, 1);

    Pages = new QStackedWidget(this);
    Pages->addWidget(dumpPage);
    Pages->addWidget(chartPage);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(ToolBar);
    lay->addWidget(Pages);
    TranslateForm(this);
}

TTrackDumpForm::~TTrackDumpForm()
{
    // The table and the windows opened from here go before the track.
    delete fCalculator;
    fModel->SetTrack(nullptr);
}

void TTrackDumpForm::SetTrack(TVelmoraClient *aClient, TGeoTrack *aTrack, bool aFreeTrackOnClose)
{
    fClient = aClient;
    fTrack = aTrack;
    fOwnedTrack.reset(aFreeTrackOnClose ? aTrack : nullptr);
    fActivated = false;
    if (aTrack && !aTrack->Sign().isEmpty())
        setWindowTitle(Translation.GetString(QStringLiteral("track_dump"), {aTrack->Sign()}));
    fModel->SetTrack(aTrack);
    if (isVisible())
        Activate();
}

void TTrackDumpForm::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    Activate();
}

void TTrackDumpForm::Activate()
{
    if (fActivated || !fTrack)
        return;
    fActivated = true;
    fMinDate = 1e300;
    fMaxDate = 0;
    ValueList->blockSignals(true);
    ValueList->clear();
    ValueList->addItem(Translation.GetString(QStringLiteral("battery")));
    ValueList->addItem(Translation.GetString(QStringLiteral("altitude")));
    const TObjectInfo *obj = nullptr;
    if (fClient)
        for (const auto &o : fClient->ObjList())
            if (o->id == fTrack->ObjId()) {
                obj = o.get();
                break;
            }
    QStringList signs;
    for (const auto &p : fTrack->Points()) {
        if (!std::isnan(p->obj_dt)) {
            fMinDate = std::min(fMinDate, p->obj_dt);
            fMaxDate = std::max(fMaxDate, p->obj_dt);
        }
        for (const auto &s : p->sensors) {
            if (s->sign == QLatin1String("event") || signs.contains(s->sign))
                continue;
            signs << s->sign;
            QString text = s->sign;
            if (obj)
                for (const auto &os : obj->sensors)
                    if (os->sign == s->sign) {
                        text += QStringLiteral(" | ") + os->name;
                        break;
                    }
            ValueList->addItem(text);
        }
    }
    ValueList->setCurrentRow(-1);
    ValueList->blockSignals(false);
}

bool TTrackDumpForm::eventFilter(QObject *o, QEvent *e)
{
    if (o == DumpTable && e->type() == QEvent::KeyPress) {
        const auto *k = static_cast<QKeyEvent *>(e);
        const bool copyKey = k->key() == Qt::Key_C || k->key() == Qt::Key_Insert;
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        if (copyKey && mods == Qt::ControlModifier) {
            CopyColumns();
            return true;
        }
        if (copyKey && mods == Qt::AltModifier) {
            CopyRows();
            return true;
        }
        if (k->key() == Qt::Key_Plus && (k->modifiers() & Qt::KeypadModifier)) {
            AddToCalculator();
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

void TTrackDumpForm::HeaderClicked(int Column)
{
    if (Column > TTrackDumpModel::cSpeed) {
        // Not sortable: keep the indicator where it was.
        DumpTable->horizontalHeader()->setSortIndicator(fModel->SortColumn(), fModel->SortOrder());
        return;
    }
    const Qt::SortOrder order = fModel->SortColumn() == Column && fModel->SortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    fModel->SortBy(Column, order);
    DumpTable->horizontalHeader()->setSortIndicator(Column, order);
}

QList<int> TTrackDumpForm::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &i : DumpTable->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TTrackDumpForm::DeltaTimeText(double Days)
{
    // Whole seconds, the sign in front, days counted rather than wrapped.
    const qint64 total = std::llround(std::fabs(Days) * 86400);
    const QString sign = Days < 0 && total > 0 ? QStringLiteral("-") : QString();
    const qint64 days = total / 86400, rest = total % 86400;
    const QString time = QString::asprintf("%.2lld:%.2lld:%.2lld", rest / 3600, rest / 60 % 60, rest % 60);
    if (days == 0)
        return sign + time;
    return sign + QStringLiteral("%1 %2 %3").arg(days).arg(Translation.GetString(days == 1 ? QStringLiteral("day") : QStringLiteral("days"))).arg(time);
}

void TTrackDumpForm::UpdateDelta()
{
    LblDelta->setText(DeltaLabel());
    LblDeltaValue->setText(DeltaValue());
}

QString TTrackDumpForm::DeltaLabel() const
{
    const QList<int> rows = SelectedRows();
    if (rows.size() < 2)
        return QString();
    QString key;
    switch (DumpTable->currentIndex().column()) {
    case TTrackDumpModel::cSysTime:
    case TTrackDumpModel::cObjTime:
    case TTrackDumpModel::cGpsTime: key = QStringLiteral("duration"); break;
    case TTrackDumpModel::cLat:
    case TTrackDumpModel::cLon: key = QStringLiteral("distance"); break;
    case TTrackDumpModel::cAlt: key = QStringLiteral("altitude"); break;
    case TTrackDumpModel::cSpeed: key = QStringLiteral("avg_speed"); break;
    case TTrackDumpModel::cBat: key = QStringLiteral("delta"); break;
    default: return QString();
    }
    return Translation.GetString(key) + u':';
}

QString TTrackDumpForm::DeltaValue() const
{
    const QList<int> rows = SelectedRows();
    if (rows.size() < 2)
        return QString();
    const TTrackPointInfo *p = fModel->Point(rows.first());
    const TTrackPointInfo *q = fModel->Point(rows.last());
    if (!p || !q)
        return QString();
    switch (DumpTable->currentIndex().column()) {
    case TTrackDumpModel::cSysTime: return std::isnan(q->sys_dt - p->sys_dt) ? QString() : DeltaTimeText(q->sys_dt - p->sys_dt);
    case TTrackDumpModel::cObjTime: return std::isnan(q->obj_dt - p->obj_dt) ? QString() : DeltaTimeText(q->obj_dt - p->obj_dt);
    case TTrackDumpModel::cGpsTime: return std::isnan(q->gps_dt - p->gps_dt) ? QString() : DeltaTimeText(q->gps_dt - p->gps_dt);
    case TTrackDumpModel::cLat:
    case TTrackDumpModel::cLon: return FloatToStrN(p->DistanceTo(*q), 0);
    case TTrackDumpModel::cAlt:
        return p->HasAltitude() && q->HasAltitude() ? FloatToStrN(q->alt - p->alt, 2) : QString();
    case TTrackDumpModel::cSpeed: {
        double sum = 0;
        int n = 0;
        for (int r : rows)
            if (const TTrackPointInfo *x = fModel->Point(r); x && x->HasSpeed()) {
                sum += x->speed;
                ++n;
            }
        return n > 0 ? FloatToStrN(sum / n, 2) : QString();
    }
    case TTrackDumpModel::cBat:
        // -1 is no reading: no difference to show.
        return p->bat < 0 || q->bat < 0 ? QString() : QString::number(q->bat - p->bat);
    default: return QString();
    }
}

void TTrackDumpForm::CopyRows()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    QString out;
    if (rows.size() > 1) {
        for (const QString &h : TTrackDumpModel::Headers())
            out += h + u';';
        out += QStringLiteral("\r\n");
    }
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out += QStringLiteral("\r\n");
        const TTrackPointInfo *p = fModel->Point(rows[i]);
        for (int c = 0; c < TTrackDumpModel::ColumnCount; ++c)
            out += TTrackDumpModel::CellText(*p, c) + u';';
    }
    QApplication::clipboard()->setText(out);
}

void TTrackDumpForm::CopyColumns()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    const int col = std::max(0, DumpTable->currentIndex().column());
    QStringList lines;
    for (int r : rows) {
        const TTrackPointInfo *p = fModel->Point(r);
        if (col == TTrackDumpModel::cLat || col == TTrackDumpModel::cLon)
            lines << TTrackDumpModel::CellText(*p, TTrackDumpModel::cLat) + u',' + TTrackDumpModel::CellText(*p, TTrackDumpModel::cLon);
        else
            lines << TTrackDumpModel::CellText(*p, col);
    }
    QApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
}

void TTrackDumpForm::AddToCalculator()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    if (!fCalculator)
        fCalculator = new TCalculatorForm(this);
    if (!fCalculator->isVisible()) {
        fCalculator->show();
        fCalculator->raise();
    }
    fCalculator->AppendPoint(*fModel->Point(rows.first()));
    DumpTable->setFocus();
}

void TTrackDumpForm::ShowChart()
{
    Pages->setCurrentIndex(1);
    if (ValueList->currentRow() < 0 && ValueList->count() > 0)
        ValueList->setCurrentRow(0);
    else
        DrawChart();
}

void TTrackDumpForm::ShowDump() { Pages->setCurrentIndex(0); }

void TTrackDumpForm::ChooseValue(int Entry)
{
    if (Pages->currentIndex() != 1)
        Pages->setCurrentIndex(1);
    ValueList->setCurrentRow(Entry);
}

void TTrackDumpForm::DrawChart()
{
    const int entry = ValueList->currentRow();
    if (!fTrack || entry < 0)
        return;
    const QString sign = ValueList->item(entry)->text().section(u'|', 0, 0).trimmed();
    // Two values a pixel column are all a line of this width can show.
    const int columns = std::max(200, int(ChartView->chart()->plotArea().width()));
    fSeries = TrackChartData::Build(*fTrack, entry, sign, columns);
    // The time axis labels its ticks in the computer's zone, while the
    // points hold the account's clock: moved by the computer's offset at the
    // track's start, the labels read the account's clock.
    fChartShift = 0;
    if (fSeries.Count > 0) {
        const QDateTime wall = QDateTime::fromMSecsSinceEpoch(qint64(fSeries.MinX), Qt::UTC);
        fChartShift = double(QDateTime(wall.date(), wall.time(), Qt::LocalTime).toMSecsSinceEpoch()) - fSeries.MinX;
        // One millisecond late: the axis spaces its ticks in floating point
        // and truncates them to the millisecond, so a tick meant for 10:00
        // could read 09:59.
        fChartShift += 1;
    }
    QList<QPointF> pts;
    pts.reserve(qsizetype(fSeries.Points.size()));
    for (const QPointF &p : fSeries.Points)
        pts << QPointF(p.x() + fChartShift, p.y());
    Series->replace(pts);
    double lo, hi;
    TrackChartData::AxisRange(fSeries, entry, lo, hi);
    AxisY->setRange(lo, hi);
    const bool sameDay = std::floor(fMinDate) == std::floor(fMaxDate);
    AxisX->setFormat(sameDay ? QStringLiteral("hh:mm") : QStringLiteral("dd.MM hh:mm"));
    if (fSeries.Count > 0) {
        const double pad = fSeries.MaxX > fSeries.MinX ? 0 : 60000;
        // Rounded: a 10:00 point held as a day fraction may be 09:59:59.9999.
        AxisX->setRange(QDateTime::fromMSecsSinceEpoch(std::llround(fSeries.MinX + fChartShift - pad)),
                        QDateTime::fromMSecsSinceEpoch(std::llround(fSeries.MaxX + fChartShift + pad)));
    }
}

int TTrackDumpForm::PointAtChartX(double X) const
{
    if (fSeries.Points.empty())
        return -1;
    X -= fChartShift;
    const auto it = std::lower_bound(fSeries.Points.begin(), fSeries.Points.end(), X,
                                     [](const QPointF &p, double x) { return p.x() < x; });
    size_t i = size_t(it - fSeries.Points.begin());
    if (i == fSeries.Points.size() || (i > 0 && X - fSeries.Points[i - 1].x() < fSeries.Points[i].x() - X))
        i = i == 0 ? 0 : i - 1;
    return fSeries.Source[i];
}

void TTrackDumpForm::ChartClicked(const QPointF &p)
{
    const int i = PointAtChartX(p.x());
    if (i < 0 || !fTrack)
        return;
    auto *w = new TTrackPointInfoForm(fCache, this);
    w->move(QCursor::pos());
    w->ShowTrackPoint(fTrack->Points()[size_t(i)].get());
}

void TTrackDumpForm::ShowTrackInfo()
{
    if (!fTrack)
        return;
    auto *w = new TTrackInfoForm(fCache, parentWidget() ? parentWidget() : this, this);
    w->ShowTrackInfo(fTrack);
}

void TTrackDumpForm::ExportTrack()
{
    if (!fTrack)
        return;
    int filter = 0;
    QString fn = ExportFile::Ask(this, QStringLiteral("Export Track"), ExeDir, fTrack->Sign(),
                                       {QStringLiteral("CSV (*.csv)"), QStringLiteral("GPX (*.gpx)")}, filter);
    if (fn.isEmpty())
        return;
    try {
        const qint64 n = fTrack->ExportTrack(fn, filter, fClient ? fClient->TimeZone() : 0);
        if (n > 0)
            ExportFile::OpenFile(fn);
        else
            QMessageBox::warning(this, windowTitle(), Translation.GetString(QStringLiteral("error"), {fn}));
    } catch (const std::exception &e) {
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
    }
}
