#include "ObjPlacesForm.h"

#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "ZtLed.h"
#include "client.h"
#include "translate.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int SsidRole = Qt::UserRole + 1;

} // namespace

TObjPlacesForm::TObjPlacesForm(QWidget *Parent) : TCommandExchange(QStringLiteral("\rPlaces: "), Parent)
{
    setObjectName(QStringLiteral("ObjPlacesForm"));
    setWindowTitle(QStringLiteral("Object Places"));
    auto button = [this](QPushButton *&b, const char *name, const char *text) {
        b = new QPushButton(QLatin1String(text), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
    };
    auto group = [this](const char *name, const char *title) {
        auto *g = new QGroupBox(QLatin1String(title), this);
        g->setObjectName(QLatin1String(name));
        return g;
    };
    auto label = [this](const char *name, const char *text) {
        auto *l = new QLabel(QLatin1String(text), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto edit = [this](QLineEdit *&e, const char *name, bool readOnly) {
        e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(readOnly);
    };
    CbPlacesRequests = new QComboBox(this);
    CbPlacesRequests->setObjectName(QStringLiteral("CbPlacesRequests"));
    edit(EdId, "EdId", true);
    edit(EdName, "EdName", true);
    edit(PlaceName, "PlaceName", false);
    LedPlaces = new TZtLed(this);
    LedPlaces->setObjectName(QStringLiteral("LedPlaces"));
    LedPlace = new TZtLed(this);
    LedPlace->setObjectName(QStringLiteral("LedPlace"));
    PlacesList = new QListWidget(this);
    PlacesList->setObjectName(QStringLiteral("PlacesList"));
    WifiList = new QTreeWidget(this);
    WifiList->setObjectName(QStringLiteral("WifiList"));
    WifiList->setHeaderLabels({QStringLiteral("SSID/BSSID"), QStringLiteral("STD")});
    // One line a row: the view need not lay out every row's text to place
    // them, which with thousands of networks took seconds.
    WifiList->setUniformRowHeights(true);
    WifiList->header()->setStretchLastSection(false);
    WifiList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    button(ButAppendPlace, "ButAppendPlace", "Append place");
    button(ButDeletePlace, "ButDeletePlace", "Delete place");
    button(ButSavePlace, "ButSavePlace", "Save place");
    button(ButCancelPlace, "ButCancelPlace", "Cancel place");
    button(ButOk, "ButOk", "OK");
    ButOk->setDefault(true);
    button(ButCancel, "ButCancel", "Cancel");

    auto *device = group("GbDevice", "Device");
    auto *dg = new QGridLayout(device);
    dg->addWidget(label("LblId", "ID:"), 0, 0);
    dg->addWidget(EdId, 0, 1);
    dg->addWidget(label("LblName", "Name:"), 0, 2);
    dg->addWidget(EdName, 0, 3);
    dg->addWidget(label("LblRequests", "Places requests:"), 1, 0);
    dg->addWidget(CbPlacesRequests, 1, 1, 1, 3);

    auto *places = group("GbPlaces", "Places");
    auto *pl = new QVBoxLayout(places);
    auto *pt = new QHBoxLayout;
    pt->addWidget(LedPlaces);
    pt->addWidget(ButAppendPlace);
    pt->addWidget(ButDeletePlace);
    pt->addStretch();
    pl->addLayout(pt);
    pl->addWidget(PlacesList);

    auto *place = group("GbPlace", "Place");
    auto *el = new QVBoxLayout(place);
    auto *et = new QHBoxLayout;
    et->addWidget(LedPlace);
    et->addWidget(ButSavePlace);
    et->addWidget(ButCancelPlace);
    et->addStretch();
    el->addLayout(et);
    auto *name = new QHBoxLayout;
    name->addWidget(label("LblPlaceName", "Name:"));
    name->addWidget(PlaceName);
    el->addLayout(name);
    el->addWidget(label("LblWifi", "Known WiFi:"));
    el->addWidget(WifiList);

    auto *middle = new QHBoxLayout;
    middle->addWidget(places, 1);
    middle->addWidget(place, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *box = new QVBoxLayout(this);
    box->addWidget(device);
    box->addLayout(middle);
    box->addLayout(buttons);

    connect(ButOk, &QPushButton::clicked, this, &TObjPlacesForm::OkClick);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButAppendPlace, &QPushButton::clicked, this, &TObjPlacesForm::AppendPlace);
    connect(ButDeletePlace, &QPushButton::clicked, this, &TObjPlacesForm::DeletePlace);
    connect(ButSavePlace, &QPushButton::clicked, this, &TObjPlacesForm::SavePlace);
    connect(ButCancelPlace, &QPushButton::clicked, this, [this] { ShowPlace(fEditRow); });
    connect(PlaceName, &QLineEdit::textEdited, this, [this] { SetPlaceLit(true); });
    connect(WifiList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column == 0 && !item->parent())
            SetPlaceLit(true);
    });
    connect(PlacesList, &QListWidget::currentRowChanged, this, &TObjPlacesForm::RowSelected);
    connect(CbPlacesRequests, &QComboBox::activated, this,
            [this](int i) { LoadItem(CbPlacesRequests->itemText(i)); });
    TranslateForm(this);
    SetPlaceLit(false);
    setMinimumSize(480, 400);
    resize(680, 460);
}

void TObjPlacesForm::Warn(const QString &Key)
{
    QMessageBox::warning(this, TranslatedCaption(), Translation.GetString(Key));
}

QTreeWidgetItem *TObjPlacesForm::NetworkRow(const QString &Ssid) const
{
    return fNetworkRows.value(Ssid, nullptr);
}

void TObjPlacesForm::AddNetwork(const TWifiData &w, QList<QTreeWidgetItem *> &NewRows)
{
    QTreeWidgetItem *&top = fNetworkRows[w.ssid];
    if (!top) {
        // The first entry of a name fixes whether the device knows it.
        top = new QTreeWidgetItem(QStringList{w.ssid, w.known ? QStringLiteral("known") : QStringLiteral("visible")});
        top->setData(0, SsidRole, w.ssid);
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable);
        top->setCheckState(0, Qt::Unchecked);
        NewRows.append(top);
    }
    if (w.bssid.isEmpty())
        return;
    const QString std = w.std >= 4 && w.std <= 6 ? QStringLiteral("WiFi%1").arg(w.std) : QString();
    new QTreeWidgetItem(top, {w.bssid, std});
}

QString TObjPlacesForm::RowText(const TPlaceData &p) const
{
    return p.Sign + u'\n' + p.SsidText();
}

void TObjPlacesForm::Fill(const QList<TPlaceData> &Places, const TWifiList &Wifi)
{
    fFilling = true;
    fEditRow = -1;
    fPlaces = Places;
    fWifi = Wifi;
    {
        const QSignalBlocker b(PlacesList);
        PlacesList->clear();
        for (const TPlaceData &p : fPlaces)
            PlacesList->addItem(RowText(p));
    }
    WifiList->clear();
    fNetworkRows.clear();
    // The rows are made apart from the tree and added in one step: the view
    // then lays them out once, not once per row.
    QList<QTreeWidgetItem *> rows;
    for (const TWifiData &w : Wifi)
        AddNetwork(w, rows);
    // A network of a place that the device did not list: still shown, so
    // that saving the place does not drop it.
    for (const TPlaceData &p : fPlaces)
        for (const QString &s : p.Ssids)
            if (!NetworkRow(s))
                AddNetwork(TWifiData{s, QString(), 0, true}, rows);
    for (QTreeWidgetItem *row : std::as_const(rows))
        row->setExpanded(true); // before they join the tree: no relayout each
    WifiList->addTopLevelItems(rows);
    WifiList->expandAll();
    fFilling = false;
    LedPlaces->SetLit(false);
    if (!fPlaces.isEmpty())
        PlacesList->setCurrentRow(0);
    else
        ShowPlace(-1);
}

bool TObjPlacesForm::LoadAnswerFile(const QString &FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Log(QStringLiteral("\r  X: cannot read ") + FileName);
        return false;
    }
    QList<TPlaceData> places;
    TWifiList wifi;
    QString error;
    fComplete = TPlaceData::ParseAnswer(file.readAll(), places, wifi, error);
    fLoaded = places;
    Fill(places, wifi);
    if (!fComplete) {
        Log(QStringLiteral("\r  X: ") + error);
        QMessageBox::warning(this, TranslatedCaption(),
                             Translation.GetString(QStringLiteral("places_not_read")).replace(QLatin1String("%s"), error));
    }
    return true;
}

bool TObjPlacesForm::ShowPlaces(TObjectInfo *aObjInfo, TVelmoraClient *aClient)
{
    Bind(aObjInfo, aClient);
    fCreateMode = false;
    EdId->setText(aObjInfo->id);
    EdName->setText(aObjInfo->name);
    if (!StartExchange(CbPlacesRequests, QStringLiteral("get places"), QStringLiteral("no_places_requests"),
                       QStringLiteral("no_places_answers")))
        return false;
    return exec() == QDialog::Accepted;
}

bool TObjPlacesForm::CreatePlace(TObjectInfo *aObjInfo, TVelmoraClient *aClient, const TWifiList &aWifiList)
{
    Bind(aObjInfo, aClient);
    fCreateMode = true;
    fComplete = true;
    EdId->setText(aObjInfo->id);
    EdName->setText(aObjInfo->name);
    CbPlacesRequests->clear();
    ButAppendPlace->setEnabled(false);
    ButDeletePlace->setEnabled(false);
    TWifiList seen = aWifiList;
    for (TWifiData &w : seen)
        w.known = false;
    TPlaceData p;
    p.Sign = Translation.GetString(QStringLiteral("new_place"));
    fLoaded.clear();
    Fill({p}, seen);
    return exec() == QDialog::Accepted;
}

void TObjPlacesForm::SetPlaceLit(bool v)
{
    if (fFilling)
        return;
    LedPlace->SetLit(v);
    ButSavePlace->setEnabled(v);
    ButCancelPlace->setEnabled(v);
}

void TObjPlacesForm::ShowPlace(int Row)
{
    fFilling = true;
    fEditRow = Row >= 0 && Row < fPlaces.size() ? Row : -1;
    const TPlaceData p = fEditRow >= 0 ? fPlaces[fEditRow] : TPlaceData();
    PlaceName->setText(p.Sign);
    // By exact name: "Net" is not ticked for a place on "HomeNet".
    const QSet<QString> ssids(p.Ssids.cbegin(), p.Ssids.cend());
    for (int i = 0; i < WifiList->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = WifiList->topLevelItem(i);
        const Qt::CheckState state = ssids.contains(top->data(0, SsidRole).toString()) ? Qt::Checked : Qt::Unchecked;
        if (top->checkState(0) != state) // most rows stay as they are
            top->setCheckState(0, state);
    }
    fFilling = false;
    SetPlaceLit(false);
}

bool TObjPlacesForm::SavePlace()
{
    if (fEditRow < 0)
        return false;
    const QString name = PlaceName->text().trimmed();
    if (name.isEmpty()) {
        Warn(QStringLiteral("empty_name"));
        return false;
    }
    // The place's networks keep their order; newly ticked ones follow in
    // tree order.
    QStringList ticked;
    for (int i = 0; i < WifiList->topLevelItemCount(); ++i)
        if (WifiList->topLevelItem(i)->checkState(0) == Qt::Checked)
            ticked << WifiList->topLevelItem(i)->data(0, SsidRole).toString();
    const QSet<QString> tickedSet(ticked.cbegin(), ticked.cend());
    QStringList ssids;
    QSet<QString> kept;
    for (const QString &s : std::as_const(fPlaces[fEditRow].Ssids))
        if (tickedSet.contains(s)) {
            ssids << s;
            kept.insert(s);
        }
    for (const QString &s : std::as_const(ticked))
        if (!kept.contains(s)) {
            ssids << s;
            kept.insert(s);
        }
    if (ssids.isEmpty()) {
        Warn(QStringLiteral("empty_wifi"));
        return false;
    }
    TPlaceData &p = fPlaces[fEditRow];
    p.Sign = name;
    p.Ssids = ssids;
    p.Modified = true;
    PlacesList->item(fEditRow)->setText(RowText(p));
    LedPlaces->SetLit(true);
    SetPlaceLit(false);
    return true;
}

bool TObjPlacesForm::SettlePending()
{
    if (!LedPlace->Lit() || fEditRow < 0)
        return true;
    const auto answer = QMessageBox::question(
        this, TranslatedCaption(),
        Translation.GetString(QStringLiteral("save_place_prompt")).replace(QLatin1String("%s"), PlaceName->text()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        return SavePlace();
    if (answer == QMessageBox::No) {
        SetPlaceLit(false);
        return true;
    }
    return false;
}

void TObjPlacesForm::RowSelected()
{
    const int row = PlacesList->currentRow();
    if (row == fEditRow)
        return;
    if (!SettlePending()) {
        const QSignalBlocker b(PlacesList);
        PlacesList->setCurrentRow(fEditRow);
        return;
    }
    ShowPlace(row);
}

void TObjPlacesForm::AppendPlace()
{
    if (!SettlePending())
        return;
    TPlaceData p;
    p.Sign = Translation.GetString(QStringLiteral("new_place"));
    fPlaces << p;
    PlacesList->addItem(RowText(p));
    LedPlaces->SetLit(true);
    PlacesList->setCurrentRow(int(fPlaces.size()) - 1);
}

void TObjPlacesForm::DeletePlace()
{
    const int row = PlacesList->currentRow();
    if (row < 0 || row >= fPlaces.size())
        return;
    const auto answer = QMessageBox::question(
        this, TranslatedCaption(),
        Translation.GetString(QStringLiteral("delete_place_prompt")).replace(QLatin1String("%s"), fPlaces[row].Sign),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    // The editor's unsaved changes go with the place.
    fEditRow = -1;
    SetPlaceLit(false);
    fPlaces.removeAt(row);
    {
        const QSignalBlocker b(PlacesList);
        delete PlacesList->takeItem(row);
    }
    LedPlaces->SetLit(true);
    ShowPlace(PlacesList->currentRow());
}

void TObjPlacesForm::OkClick()
{
    if (!SettlePending())
        return;
    QString cmd;
    if (fCreateMode) {
        cmd = TPlaceData::AddCommand(fPlaces, fWifi);
        if (cmd == QLatin1String("add places"))
            cmd.clear();
    } else if (fPlaces != fLoaded) {
        if (!fComplete) {
            // The device replaces its whole list: the places not read would be lost.
            Warn(QStringLiteral("places_not_sent"));
            return;
        }
        cmd = TPlaceData::SetCommand(fPlaces);
    }
    // Nothing changed: the device keeps what it has.
    if (cmd.isEmpty() || SendDeviceCommand(cmd))
        accept();
}
