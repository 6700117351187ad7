#include "ZoneHistoryForm.h"

#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "ZoneHistoryExport.h"
#include "ZtUtils.h"
#include "client.h"
#include "common.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The save dialog of the export: the file type chosen in the dialog sets the
// name's extension before the dialog checks for an existing file, so that its
// overwrite question is about the file that will be written.
class TExportFileDialog : public QFileDialog
{
public:
    TExportFileDialog(QWidget *parent, const QString &dir)
        : QFileDialog(parent, QString(), dir)
    {
        setObjectName(QStringLiteral("ExportFileDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setNameFilters({QStringLiteral("TXT (*.txt)"), QStringLiteral("CSV (*.csv)"), QStringLiteral("XLSX (*.xlsx)")});
        selectNameFilter(QStringLiteral("CSV (*.csv)"));
        setDefaultSuffix(QStringLiteral("csv"));
        connect(this, &QFileDialog::filterSelected, this, [this](const QString &f) { setDefaultSuffix(SuffixOf(f)); });
    }

    static QString SuffixOf(const QString &filter)
    {
        const int a = filter.indexOf(QStringLiteral("*.")), b = filter.indexOf(QLatin1Char(')'), a);
        return a < 0 || b < 0 ? QString() : filter.mid(a + 2, b - a - 2);
    }

    void accept() override
    {
        const QString name = selectedFiles().value(0);
        const QString suffix = SuffixOf(selectedNameFilter());
        if (!name.isEmpty() && !suffix.isEmpty()) {
            const QFileInfo fi(name);
            if (fi.suffix().compare(suffix, Qt::CaseInsensitive) != 0) {
                const QString base = fi.suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0
                                             || fi.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                                             || fi.suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0
                                         ? fi.completeBaseName()
                                         : fi.fileName();
                // selectFile leaves a focused name field alone, so the
                // field itself takes the final name.
                const QString final = fi.dir().filePath(base + QLatin1Char('.') + suffix);
                if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(final);
                else
                    selectFile(final);
            }
        }
        QFileDialog::accept();
    }
};

enum { LevelRole = Qt::UserRole + 1 };

} // namespace

TZoneHistoryForm::TZoneHistoryForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ZoneHistoryForm"));
    setWindowTitle(QStringLiteral("Zone History"));
    setMinimumSize(200, 200);
    resize(296, 439);

    SbExport = new QToolButton(this);
    SbExport->setObjectName(QStringLiteral("SbExport"));
    SbExport->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    SbExport->setToolTip(QStringLiteral("Export history"));
    SbClose = new QToolButton(this);
    SbClose->setObjectName(QStringLiteral("SbClose"));
    SbClose->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    SbClose->setToolTip(QStringLiteral("Close"));
    HistoryList = new QTreeWidget(this);
    HistoryList->setObjectName(QStringLiteral("HistoryList"));
    HistoryList->setHeaderLabels({QStringLiteral("Object/Time"), QStringLiteral("Data")});
    HistoryList->header()->resizeSection(0, 180);
    HistoryList->header()->resizeSection(1, 120);

    auto *bar = new QHBoxLayout;
    bar->addWidget(SbExport);
    bar->addStretch();
    bar->addWidget(SbClose);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(bar);
    lay->addWidget(HistoryList, 1);

    connect(SbExport, &QToolButton::clicked, this, &TZoneHistoryForm::SbExportClick);
    connect(SbClose, &QToolButton::clicked, this, &QDialog::accept);

    OpenFile = [](const QString &fileName) { QDesktopServices::openUrl(QUrl::fromLocalFile(fileName)); };
    MsgBox = [this](const QString &caption, const QString &text, int) {
        QMessageBox::warning(this, caption, text);
        return 1;
    };
    TranslateForm(this);
}

TZoneHistoryForm::~TZoneHistoryForm() = default;

void TZoneHistoryForm::Fill(TVelmoraClient *Client, TZoneInfo *Zone, TTrackPointList &History, TDateTime Dt1,
                            TDateTime Dt2)
{
    const QString day1 = FormatDateTimeDef(QStringLiteral("dd.mm.yyyy"), Dt1);
    const bool sameDay = day1 == FormatDateTimeDef(QStringLiteral("dd.mm.yyyy"), Dt2);
    const QString a = day1, b = sameDay ? QStringLiteral(" ") : QStringLiteral(" .. ");
    const QString c = sameDay ? FormatDateTimeDef(QStringLiteral("hh:nn"), Dt1) + QStringLiteral("..")
                                    + FormatDateTimeDef(QStringLiteral("hh:nn"), Dt2)
                              : FormatDateTimeDef(QStringLiteral("dd.mm.yyyy"), Dt2);
    setWindowTitle(Translation.GetString(QStringLiteral("Caption_info"), {Zone ? Zone->name : QString(), a, b, c}));

    fVisits = GroupVisits(History, [Client](int32_t uid) { return Client ? Client->FindObject(uid) : nullptr; });
    HistoryList->clear();
    QTreeWidgetItem *objRow = nullptr;
    int64_t objId = -1;
    int count = 0;
    for (const auto &v : fVisits) {
        if (int64_t(v->obj_id) != objId) {
            objId = v->obj_id;
            count = 0;
            objRow = new QTreeWidgetItem(HistoryList, {VisitObjectName(*v), QString()});
        }
        objRow->setText(1, QString::number(++count));
        auto *visitRow = new QTreeWidgetItem(objRow, {FormatDateTimeDef(QString(), v->start_dt),
                                                      DurationToStr(v->GetDuration(), 1)});
        for (const TTrackPointInfo *p : v->points)
            new QTreeWidgetItem(visitRow, {FormatDateTimeDef(QString(), VisitTime(*p)),
                                           FloatToStrN(p->lat, 4) + QLatin1Char(',') + FloatToStrN(p->lon, 4)});
    }
}

void TZoneHistoryForm::ShowHistory(TVelmoraClient *Client, TZoneInfo *Zone, TTrackPointList &History, TDateTime Dt1,
                                   TDateTime Dt2)
{
    Fill(Client, Zone, History, Dt1, Dt2);
    exec();
}

bool TZoneHistoryForm::ExportTo(const QString &FileName)
{
    if (fVisits.empty())
        return false;
    const bool txt = QFileInfo(FileName).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
    QSaveFile f(FileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(txt ? ZoneHistoryText(windowTitle(), fVisits) : ZoneHistoryCsv(fVisits));
    return f.commit();
}

void TZoneHistoryForm::SbExportClick()
{
    if (fVisits.empty())
        return;
    TExportFileDialog dlg(this, ExeDir);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QString name = dlg.selectedFiles().value(0);
    if (name.isEmpty())
        return;
    if (dlg.selectedNameFilter().startsWith(QLatin1String("XLSX"))) {
        if (MsgBox)
            MsgBox(Translation.GetString(QStringLiteral("ZoneHistoryForm"), QStringLiteral("export"), QStringLiteral("Export")),
                   Translation.GetString(QStringLiteral("not_implemented")), 0x30);
        return;
    }
    if (!ExportTo(name)) {
        if (MsgBox)
            MsgBox(Translation.GetString(QStringLiteral("ZoneHistoryForm"), QStringLiteral("export"), QStringLiteral("Export")),
                   Translation.GetString(QStringLiteral("error"), {name}), 0x30);
        return;
    }
    if (OpenFile)
        OpenFile(name);
}
