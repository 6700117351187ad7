#include "TrackPathForm.h"

#include "ExportFile.h"
#include "FormTranslate.h"
#include "OSM.AddressCache.h"
#include "OSM.GeoTrack.h"
#include "ZtFiles.h"
#include "ZtFormPos.h"
#include "common.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString CsvCell(const QString &s)
{
    if (!s.contains(u';') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    return u'"' + QString(s).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}
} // namespace

TTrackPathForm::TTrackPathForm(TAddressCache *Cache, QWidget *parent)
    : QDialog(parent), fCache(Cache)
{
    setObjectName(QStringLiteral("TrackPathForm"));
    setWindowTitle(QStringLiteral("Track Path"));
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    ActCopyPath = bar->addAction(QStringLiteral("Copy"), this, &TTrackPathForm::CopyPath);
    ActCopyPath->setObjectName(QStringLiteral("ActCopyPath"));
    ActCopyPath->setToolTip(QStringLiteral("Copy path"));
    ActExportPath = bar->addAction(QStringLiteral("Export"), this, [this] { ExportPath(); });
    ActExportPath->setObjectName(QStringLiteral("ActExportPath"));
    ActExportPath->setToolTip(QStringLiteral("Export path"));
    PathList = new QTreeWidget(this);
    PathList->setObjectName(QStringLiteral("PathList"));
    PathList->setRootIsDecorated(false);
    PathList->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Address")});
    PathList->header()->setStretchLastSection(true);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(bar);
    lay->addWidget(PathList);
    resize(600, 300);
    TranslateForm(this);
}

void TTrackPathForm::Fill(const TGeoTrack &aTrack)
{
    fSign = aTrack.Sign();
    fRows.clear();
    PathList->clear();
    QString last;
    for (const auto &p : aTrack.Points()) {
        if (p->osm_id.isEmpty() || p->osm_id == last)
            continue;
        last = p->osm_id;
        fRows.push_back(p.get());
        PathList->addTopLevelItem(new QTreeWidgetItem({RowTime(int(fRows.size()) - 1), RowAddress(int(fRows.size()) - 1)}));
    }
    PathList->resizeColumnToContents(0);
}

int TTrackPathForm::ShowPath(const TGeoTrack &aTrack)
{
    Fill(aTrack);
    // Tool bar, header and rows, at most half the screen, kept on the screen.
    const int rowH = PathList->sizeHintForRow(0) > 0 ? PathList->sizeHintForRow(0) + 1 : 20;
    const QRect screen = (this->screen() ? this->screen() : QApplication::primaryScreen())->availableGeometry();
    const int h = std::min(screen.height() / 2, 40 + PathList->header()->sizeHint().height() + rowH * std::max(1, RowCount()) + 4);
    resize(width(), h);
    return exec();
}

void TTrackPathForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // Wherever the caller put it, the whole window stays on the screen.
    PushIntoWorkArea(this, WorkAreaAt(pos()));
}

QString TTrackPathForm::RowTime(int Row) const
{
    return FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), fRows.at(size_t(Row))->obj_dt);
}

QString TTrackPathForm::RowAddress(int Row) const
{
    return fCache ? fCache->GetAddress(fRows.at(size_t(Row))->osm_id) : QString();
}

QString TTrackPathForm::PathText() const { return ExportText(1); }

QString TTrackPathForm::ExportText(int Format) const
{
    QString out;
    if (Format == 2)
        out += QStringLiteral("Time;Address\r\n");
    for (int r = 0; r < RowCount(); ++r) {
        if (Format == 2)
            out += CsvCell(RowTime(r)) + u';' + CsvCell(RowAddress(r)) + QStringLiteral("\r\n");
        else
            out += RowTime(r) + u'\t' + RowAddress(r) + QStringLiteral("\r\n");
    }
    return out;
}

void TTrackPathForm::CopyPath() const { QApplication::clipboard()->setText(PathText()); }

qint64 TTrackPathForm::ExportPath()
{
    int filter = 0;
    const QString fn = ExportFile::Ask(this, Translation.GetString(QStringLiteral("export_path")), ExeDir, fSign,
                                             {QStringLiteral("TXT (*.txt)"), QStringLiteral("CSV (*.csv)")}, filter);
    if (fn.isEmpty() || filter < 1)
        return 0;
    const qint64 n = WriteTextFile(fn, ExportText(filter), true, true);
    if (n > 0)
        ExportFile::OpenFile(fn);
    return n;
}

void TTrackPathForm::keyPressEvent(QKeyEvent *e)
{
    if ((e->key() == Qt::Key_C || e->key() == Qt::Key_Insert) && e->modifiers() == Qt::ControlModifier) {
        const int r = PathList->currentIndex().row();
        if (r >= 0 && r < RowCount())
            QApplication::clipboard()->setText(RowAddress(r));
        return;
    }
    QDialog::keyPressEvent(e);
}
