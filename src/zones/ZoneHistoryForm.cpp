#include "ZoneHistoryForm.h"

#include "ExportFile.h"
#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZoneInfo.h"
#include "ZoneHistoryExport.h"
#include "ZtUtils.h"
#include "client.h"
#include "common.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSaveFile>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

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
    const QStringList filters{QStringLiteral("TXT (*.txt)"), QStringLiteral("CSV (*.csv)"),
                              QStringLiteral("XLSX (*.xlsx)")};
    int filter = 0;
    const QString name = ExportFile::Ask(
        this, Translation.GetString(QStringLiteral("ZoneHistoryForm"), QStringLiteral("export"), QStringLiteral("Export")),
        ExeDir, windowTitle(), filters, filter, 1);
    if (name.isEmpty())
        return;
    if (filter == 3) {
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
