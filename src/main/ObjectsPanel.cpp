#include "ObjectsPanel.h"

#include "MonitorMap.h"
#include "OSM.ObjectInfo.h"
#include "ObjEditForm.h"
#include "ObjInfoForm.h"
#include "ObjListDelegate.h"
#include "ObjListModel.h"
#include "PanelContext.h"
#include "PanelWidgets.h"
#include "RecordWindows.h"
#include "WaitCursor.h"
#include "ZtFormPos.h"
#include "ZtMsgBox.h"
#include "client.h"
#include "common.h"
#include "translate.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QRegularExpression>
#include <QLayout>
#include <QMenu>
#include <QScopeGuard>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <cmath>
#include <vector>

using namespace PanelWidgets;

namespace {
// The ticked objects' uids in the settings file.
const QString TicksSection = QStringLiteral("Objects");
const QString TicksKey = QStringLiteral("Ticked");

constexpr int ObjectsMinHeight = 128;
}

TObjectsPanel::TObjectsPanel(TPanelContext &Ctx, QWidget *Parent, QObject *Owner) : QObject(Owner), fCtx(Ctx)
{
    Group = MakeGroup(QStringLiteral("GbObjects"), QStringLiteral("Objects"), Parent);
    ToolBar = MakeToolBar(QStringLiteral("ObjToolBar"), Group);
    const struct
    {
        const char *name, *hint;
        std::function<void()> click;
    } buttons[] = {
        {"SbObjectInfo", "Object info", [this] { SbObjectInfoClick(); }},
        {"SbEditObject", "Edit object", [this] { SbEditObjectClick(); }},
        {"SbConfiguration", "Configuration", nullptr},
        {"SbSmsFilters", "SMS -filters", nullptr},
        {"SbCommands", "Commands", nullptr},
        {"SbPlaces", "Places", nullptr},
        {"SbCreatePlace", "Create Place", [this] { CreatePlaceByClick(); }},
        {"SbRequestTrack", "Request track", nullptr},
        {"SbLastMessages", "Last messages", nullptr},
        {"SbObjectMenu", "Menu", [this] { SbObjectMenuClick(); }},
    };
    for (const auto &b : buttons) {
        const QString name = QString::fromLatin1(b.name);
        AddToolButton(ToolBar, name, QString::fromLatin1(b.hint), b.click ? b.click : [this, name] { RunAction(name); });
    }
    Group->layout()->addWidget(ToolBar);

    Search = new QLineEdit(Group);
    Search->setObjectName(QStringLiteral("ObjSearch"));
    Search->setPlaceholderText(QStringLiteral("Search by name, number or id"));
    Search->setClearButtonEnabled(true);
    connect(Search, &QLineEdit::textChanged, this, &TObjectsPanel::ApplyFilter);
    Group->layout()->addWidget(Search);
    auto *find = new QShortcut(QKeySequence::Find, Group, nullptr, nullptr, Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        Search->setFocus(Qt::ShortcutFocusReason);
        Search->selectAll();
    });
    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), Search, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, Search, &QLineEdit::clear);

    List = MakeList(QStringLiteral("ObjList"), Group);
    List->setHeaderHidden(true);
    List->setSortingEnabled(false);
    // All rows alike (see TObjListDelegate): fleets of thousands.
    List->setUniformRowHeights(true);
    fModel = new TObjListModel(this);
    fDelegate = new TObjListDelegate(fModel, this);
    fDelegate->SetClock([this] { return fCtx.AccountNow(); });
    List->setModel(fModel);
    List->setItemDelegate(fDelegate);
    fModel->SetCheckingHandler([this](const QModelIndex &i, bool c) {
        NoteTick(i, c);
        ObjListChecking(i, c);
    });
    for (const QString &uid : IniFile.ReadString(TicksSection, TicksKey).split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const int u = uid.toInt(); u > 0)
            fTicked.insert(u);
    // On the selection, not the current row: a mouse press makes its row
    // current before it selects it, so a handler of the current-row change
    // would still read the previous object as the selected one.
    connect(List->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TObjectsPanel::ObjListChange);
    connect(List, &QTreeView::doubleClicked, this, &TObjectsPanel::ObjListDblClick);
    Group->layout()->addWidget(List);

    PopupMenu = new QMenu(List);
    PopupMenu->setObjectName(QStringLiteral("ObjPopupMenu"));
    auto addItem = [this](const QString &name, const QString &text, std::function<void()> click) {
        QAction *a = PopupMenu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [click = std::move(click)] { click(); });
        return a;
    };
    addItem(QStringLiteral("PopupCreateObject"), QStringLiteral("Create object"), [this] { CreateObjectClick(); });
    addItem(QStringLiteral("PopupDeleteObject"), QStringLiteral("Delete object"), [this] { DeleteObjectClick(); });
    addItem(QStringLiteral("PopupCreatePlace"), QStringLiteral("Create Place"), [this] { CreatePlaceByClick(); })
        ->setVisible(false);
    addItem(QStringLiteral("PopupStartTrip"), QStringLiteral("Start trip"), [this] { RunAction(QStringLiteral("PopupStartTrip")); });
    addItem(QStringLiteral("PopupStopTrip"), QStringLiteral("Stop trip"), [this] { RunAction(QStringLiteral("PopupStopTrip")); });
    PopupMenu->addSeparator();
    addItem(QStringLiteral("PopupTickAll"), QStringLiteral("Tick all"), [this] { TickAll(true); });
    addItem(QStringLiteral("PopupUntickAll"), QStringLiteral("Untick all"), [this] { TickAll(false); });
    Group->setMinimumHeight(ObjectsMinHeight);
}

void TObjectsPanel::SetAction(const QString &Name, std::function<void()> Action) { fActions.insert(Name, std::move(Action)); }

void TObjectsPanel::RunAction(const QString &Name)
{
    const auto it = fActions.constFind(Name);
    if (it != fActions.constEnd() && *it)
        (*it)();
    else
        fCtx.NotImplemented(Name);
}

int TObjectsPanel::WidthHint() const
{
    const QFontMetrics fm(List->font());
    int text = fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00"));
    std::vector<QModelIndex> rows{QModelIndex()};
    while (!rows.empty()) {
        const QModelIndex parent = rows.back();
        rows.pop_back();
        for (int i = 0; i < fModel->rowCount(parent); ++i) {
            const QModelIndex row = fModel->index(i, 0, parent);
            for (const QString &line : fModel->data(row).toString().split(u'\n'))
                text = std::max(text, fm.horizontalAdvance(line));
            rows.push_back(row);
        }
    }
    // Children are indented by the tree; the row holds a check box before
    // the text and the status picture after it; then the frames.
    const int indent = fModel->DeletedGroup().isValid() ? List->indentation() : 0;
    const int scrollBar = List->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, List);
    const int row = indent + text + 24 /* check box */ + 24 /* status picture */ + 16 /* frame and margins */ + scrollBar;
    // The toolbar needs its own hint plus the group box frame and margins.
    return std::max(ToolBar->sizeHint().width() + 32, row);
}

void TObjectsPanel::SetColors(const QColor &Win, const QColor &Txt, const QColor &TxtSel)
{
    fDelegate->SetColors(Win, Txt, TxtSel);
    List->viewport()->update();
}

int TObjectsPanel::LoadObjects(int SelUid)
{
    TVelmoraClient *client = fCtx.Client();
    List->setUpdatesEnabled(false);
    if (SelUid < 1)
        SelUid = static_cast<int>(IniFile.ReadInteger(QStringLiteral("Main"), QStringLiteral("SelectedUid"), 0));
    int count = -1;
    try {
        fCtx.Log(QStringLiteral("\rLoad objects: "));
        int n = 0;
        {
            TWaitCursor wait;
            n = client->GetObjects();
        }
        fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
        if (n < 0 && client->ResultCode() >= 400 && client->ResultCode() < 500) {
            // The token was refused: rows and markers go before the window
            // frees the client's objects they point into.
            Clear();
            List->setUpdatesEnabled(true);
            Q_EMIT LoadRefused();
            return -1;
        }
        if (n < 0) {
            // No answer, a broken one, or a failure of the service itself
            // (5xx): what the user had stays (the client keeps the objects
            // the rows and markers point into), the list is no fresher than
            // it was, and the minute update loads it afresh once the service
            // answers again.
            fLoadPending = true;
            count = ListedCount();
            List->setUpdatesEnabled(true);
            Q_EMIT NotAnswering();
            Q_EMIT Listed(count);
            return count;
        }
        fLoadPending = false;
        // Rows and markers are built anew from the client's list.
        Clear();
        count = 0;
        fLastUpdate = fCtx.AccountNow();
        QModelIndex selected;
        for (const auto &obj : client->ObjList()) {
            const QModelIndex row = fModel->AddObject(obj.get());
            if (SelUid > 0 && obj->uid == SelUid)
                selected = row;
            ++count;
        }
        // The ticks stay with their objects across reloads.
        for (const QModelIndex &row : ObjectRows()) {
            const TObjectInfo *obj = fModel->Object(row);
            if (obj && fTicked.contains(obj->uid)) {
                fModel->SetCheckedSilently(row, true);
                ShowMark(row, true, false);
            }
        }
        List->expandAll();
        ApplyFilter();
        if (fModel->TopLevelCount() > 0) {
            fLoadingAll = true;
            const auto done = qScopeGuard([this] { fLoadingAll = false; });
            Q_EMIT ObjectsLoaded(count);
            if (!selected.isValid())
                selected = FirstShownRow();
            if (!selected.isValid())
                selected = fModel->index(0, 0);
            List->setCurrentIndex(selected);
            List->setFocus();
        }
        Q_EMIT Listed(count);
    } catch (const std::exception &e) {
        fCtx.Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
    List->setUpdatesEnabled(true);
    return count;
}

int TObjectsPanel::ListedCount() const
{
    const QModelIndex group = fModel->DeletedGroup();
    return fModel->rowCount() - (group.isValid() ? 1 - fModel->rowCount(group) : 0);
}

void TObjectsPanel::UpdateObjects()
{
    if (!fCtx.IsSignedIn()) {
        fCtx.ShowMsg(QStringLiteral("not_logged_in"), 3);
        return;
    }
    if (fLoadPending) {
        // The last load got no list: this update is a load, rows and the
        // zones, traps and events after them included.
        const TObjectInfo *selected = SelectedObject();
        LoadObjects(selected ? selected->uid : 0);
        return;
    }
    TVelmoraClient *client = fCtx.Client();
    fCtx.Log(QStringLiteral("\rUpdate objects: "));
    const TDateTime prev = client->ObjListUpdated();
    int n = 0;
    {
        TWaitCursor wait;
        n = client->GetObjects();
    }
    fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
    if (n < 0 && (client->ResultCode() < 400 || client->ResultCode() >= 500)) {
        // No answer, a broken one, or a failure of the service itself (5xx):
        // the list stays as it was, and the user sees that it is getting old
        // until an update succeeds. Only a refusal (4xx) means the token.
        Q_EMIT NotAnswering();
        return;
    }
    if (n < 0) {
        Q_EMIT UpdateRefused();
        return;
    }
    fLastUpdate = fCtx.AccountNow();
    if (n > 0) {
        fModel->RefreshAll();
        // Merged names and numbers may answer the search differently now.
        ApplyFilter();
        List->viewport()->update();
        MoveMarkers(prev);
    }
    Q_EMIT Updated(n);
}

void TObjectsPanel::MoveMarkers(TDateTime Prev)
{
    TMonitorMap *map = fCtx.Map();
    if (!map)
        return;
    bool moved = false;
    for (int i = 0; i < map->MarkCount(); ++i) {
        TObjectInfo *const *cell = map->MarkCell(i);
        const TObjectInfo *obj = cell ? *cell : nullptr;
        if (!obj || !obj->last_point)
            continue;
        // A newer report moves the marker; so does any other change of the
        // last point: a device that sends its buffered reports late (device
        // time before the previous update) has still moved, and a marker
        // left behind would contradict the list.
        const double objDt = obj->last_point->obj_dt;
        const double lat = obj->last_point->lat, lon = obj->last_point->lon;
        const bool newer = std::isnan(objDt) || std::isnan(Prev) || objDt > Prev;
        const bool elsewhere = !std::isnan(lat) && !std::isnan(lon) && map->MarkCoord(i) != QPointF(lon, lat);
        if (newer || elsewhere) {
            map->MoveMark(i, lat, lon);
            moved = true;
        }
    }
    if (moved)
        map->Repaint();
}

void TObjectsPanel::Clear()
{
    fLoadPending = false;
    if (fCtx.Map())
        fCtx.Map()->ClearObjectMarks();
    fModel->Clear();
}

void TObjectsPanel::Detach()
{
    List->setModel(nullptr);
    fModel->Clear();
}

bool TObjectsPanel::Matches(const TObjectInfo &Obj, const QString &Text)
{
    const QString t = Text.trimmed();
    if (t.isEmpty())
        return true;
    if (Obj.name.contains(t, Qt::CaseInsensitive) || Obj.id.contains(t, Qt::CaseInsensitive)
        || Obj.imei.contains(t, Qt::CaseInsensitive))
        return true;
    bool isNumber = false;
    const int uid = (t.startsWith(u'#') ? t.mid(1) : t).toInt(&isNumber);
    if (isNumber && uid > 0 && uid == Obj.uid)
        return true;
    // A phone number as the user writes it: "+7 912 555-12-34", "8 (912) ...".
    static const QRegularExpression phoneChars(QStringLiteral("^[-+0-9 ()]+$"));
    static const QRegularExpression notDigit(QStringLiteral("[^0-9]"));
    if (!phoneChars.match(t).hasMatch())
        return false;
    const QString digits = QString(t).remove(notDigit);
    return !digits.isEmpty() && QString(Obj.phone).remove(notDigit).contains(digits);
}

void TObjectsPanel::ApplyFilter()
{
    const QString text = Search->text();
    // Nothing hidden and nothing to hide: the rows stay as they are (the
    // minute update of a long list costs nothing here).
    if (text.trimmed().isEmpty() && !fFiltered)
        return;
    fFiltered = !text.trimmed().isEmpty();
    for (int i = 0; i < fModel->rowCount(); ++i) {
        const QModelIndex row = fModel->index(i, 0);
        const int children = fModel->rowCount(row);
        bool show = false;
        if (children == 0) {
            const TObjectInfo *obj = fModel->Object(row);
            show = obj && Matches(*obj, text);
        }
        // The "Deleted" group shows while one of its objects does.
        for (int c = 0; c < children; ++c) {
            const TObjectInfo *obj = fModel->Object(fModel->index(c, 0, row));
            const bool childShown = obj && Matches(*obj, text);
            List->setRowHidden(c, row, !childShown);
            show = show || childShown;
        }
        List->setRowHidden(i, QModelIndex(), !show);
    }
}

QModelIndex TObjectsPanel::FirstShownRow() const
{
    for (int i = 0; i < fModel->rowCount(); ++i)
        if (!List->isRowHidden(i, QModelIndex()))
            return fModel->index(i, 0);
    return QModelIndex();
}

TObjectInfo *TObjectsPanel::SelectedObject() const { return fModel->Object(SelectedObjectRow()); }

QModelIndex TObjectsPanel::SelectedObjectRow() const
{
    if (!List->selectionModel())
        return QModelIndex();
    const QModelIndexList rows = List->selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

bool TObjectsPanel::RequireSelection()
{
    const TObjectInfo *obj = SelectedObject();
    if (obj && obj->uid > 0)
        return true;
    fCtx.ShowMsg(QStringLiteral("object_not_selected"), 3);
    return false;
}

void TObjectsPanel::ObjListChecking(const QModelIndex &Index, bool Checked)
{
    ShowMark(Index, Checked, true);
}

void TObjectsPanel::NoteTick(const QModelIndex &Index, bool Ticked)
{
    const TObjectInfo *obj = fModel->Object(Index);
    if (!obj || obj->uid <= 0)
        return;
    if (Ticked)
        fTicked.insert(obj->uid);
    else
        fTicked.remove(obj->uid);
    QList<int> uids(fTicked.begin(), fTicked.end());
    std::sort(uids.begin(), uids.end());
    QStringList text;
    for (int u : uids)
        text << QString::number(u);
    IniFile.WriteString(TicksSection, TicksKey, text.join(QLatin1Char(',')));
}

QModelIndexList TObjectsPanel::ObjectRows() const
{
    QModelIndexList out;
    std::vector<QModelIndex> parents{QModelIndex()};
    while (!parents.empty()) {
        const QModelIndex parent = parents.back();
        parents.pop_back();
        for (int i = 0; i < fModel->rowCount(parent); ++i) {
            const QModelIndex row = fModel->index(i, 0, parent);
            if (fModel->Object(row))
                out << row;
            if (fModel->rowCount(row) > 0)
                parents.push_back(row);
        }
    }
    return out;
}

void TObjectsPanel::TickAll(bool Ticked)
{
    for (const QModelIndex &row : ObjectRows()) {
        if (fModel->IsChecked(row) == Ticked || !(fModel->flags(row) & Qt::ItemIsUserCheckable))
            continue;
        NoteTick(row, Ticked);
        fModel->SetCheckedSilently(row, Ticked);
        ShowMark(row, Ticked, false);
    }
    if (fCtx.Map())
        fCtx.Map()->Repaint();
}

void TObjectsPanel::ShowMark(const QModelIndex &Index, bool Checked, bool Centre)
{
    TObjectInfo *obj = fModel->Object(Index);
    TMonitorMap *map = fCtx.Map();
    if (!obj || !obj->last_point || !obj->HasLatLon() || !map)
        return;
    obj->tail.clear();
    const double lat = obj->last_point->lat;
    const double lon = obj->last_point->lon;
    const int mark = map->FindMark(lat, lon);
    if (Checked && mark < 0) {
        if (obj->photo.isNull() && obj->has_image) {
            TWaitCursor wait;
            fCtx.Client()->GetPhoto(obj);
        }
        if (Centre) {
            Q_EMIT MapCentred(); // the marker centres the map
            map->AddObjectMark(lat, lon, fModel->DataCell(Index));
            List->setCurrentIndex(Index);
        } else {
            map->AddObjectMark(lat, lon, fModel->DataCell(Index), false);
        }
    } else if (!Checked && mark >= 0) {
        map->DeleteMark(mark);
    }
    if (Centre)
        map->Repaint();
}

void TObjectsPanel::SelectObjectCell(TObjectInfo *const *Cell)
{
    const QModelIndex row = fModel->IndexOfDataCell(Cell);
    if (row.isValid())
        List->setCurrentIndex(row);
}

void TObjectsPanel::ObjListChange() { Q_EMIT SelectionChanged(); }

void TObjectsPanel::ObjListDblClick()
{
    const QModelIndex row = SelectedObjectRow();
    const TObjectInfo *obj = fModel->Object(row);
    TMonitorMap *map = fCtx.Map();
    if (!obj || !obj->last_point || !fModel->IsChecked(row) || !map)
        return;
    if (obj->last_point->lat == 0 && obj->last_point->lon == 0)
        return;
    Q_EMIT MapCentred();
    map->SetCenter(map->Zoom(), obj->last_point->lat, obj->last_point->lon);
}

void TObjectsPanel::SbObjectMenuClick()
{
    auto *b = ToolBar->findChild<QToolButton *>(QStringLiteral("SbObjectMenu"));
    PopupMenu->popup(b && b->isVisible() ? b->mapToGlobal(QPoint(0, b->height())) : QCursor::pos());
}

void TObjectsPanel::SbObjectInfoClick()
{
    if (RequireSelection())
        ShowObjectInfo(SelectedObject());
}

void TObjectsPanel::ShowObjectInfo(TObjectInfo *Obj)
{
    if (!Obj)
        return;
    auto *w = new TObjInfoForm(fCtx.DialogParent());
    fCtx.RecordWindows().Register(w, TRecordKind::Object, Obj);
    w->ShowObjInfo(Obj);
    PlaceFormAtCursor(w);
}

void TObjectsPanel::SbEditObjectClick()
{
    if (!RequireSelection())
        return;
    TObjectInfo *obj = SelectedObject();
    {
        TObjEditForm form(fCtx.DialogParent());
        fCtx.RecordWindows().Register(&form, TRecordKind::Object, obj, [&form] { form.reject(); });
        PlaceFormAtCursor(&form);
        form.EditObject(fCtx.Client(), obj);
    }
    // A new name or track colour shows in the row and on the map.
    fModel->RefreshAll();
    List->viewport()->update();
    if (fCtx.Map())
        fCtx.Map()->Repaint();
}

void TObjectsPanel::CreatePlaceByClick()
{
    if (!RequireSelection())
        return;
    if (fCtx.MessageBox(Translation.GetString(QStringLiteral("create_place_title")),
                        Translation.GetString(QStringLiteral("create_place_prompt")), 0x41)
        == mbrOk)
        Q_EMIT PlaceClickArmed();
}

void TObjectsPanel::CreateObjectClick()
{
    if (!fCtx.IsSignedIn()) {
        fCtx.ShowMsg(QStringLiteral("not_logged_in"), 3);
        return;
    }
    // The editor works on a new empty object of its own; the list shows the
    // service's copy once it has been created.
    TObjectInfo fresh;
    int uid = 0;
    {
        TObjEditForm form(fCtx.DialogParent());
        PlaceFormAtCursor(&form);
        if (form.EditObject(fCtx.Client(), &fresh) != QDialog::Accepted)
            return;
        uid = fresh.uid;
    }
    LoadObjects(uid);
}

void TObjectsPanel::DeleteObjectClick()
{
    if (!RequireSelection())
        return;
    TObjectInfo *obj = SelectedObject();
    const bool deleted = obj->is_deleted;
    const QString prompt = Translation.GetString(deleted ? QStringLiteral("delete_object_prompt") : QStringLiteral("mark_object_prompt"),
                                                 {obj->name});
    if (fCtx.MessageBox(Translation.GetString(QStringLiteral("delete_object")), prompt, 0x24) != mbrYes)
        return;
    // The second step frees the record: its windows go first.
    if (deleted)
        fCtx.RecordWindows().RecordFreed(TRecordKind::Object, obj);
    TVelmoraClient *client = fCtx.Client();
    bool ok = false;
    {
        TWaitCursor wait;
        if (deleted && obj->has_image)
            client->DeletePhoto(obj);
        ok = client->DeleteObject(obj);
    }
    if (ok)
        LoadObjects(0);
    else
        fCtx.ShowMsgFmt(QStringLiteral("error"), {client->ErrorMessage()}, 5);
}
