#include "ZoneWorkflow.h"

#include "OSM.ZtMapControl.h"
#include "ZoneEditForm.h"
#include "ZoneHistoryForm.h"
#include "period_request_form.h"
#include "ZtUtils.h"
#include "client.h"
#include "geo_utils.h"

#include <QCursor>
#include <QGuiApplication>
#include <QStandardItemModel>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {
constexpr int MbYes = 6;
const QString ZonesSection = QStringLiteral("Zones");
} // namespace

TZoneWorkflow::TZoneWorkflow(TVelmoraClient *Client, TZtMapControl *Map, QAbstractItemView *View,
                             QStandardItemModel *Model, TZoneWorkflowContext Ctx, QObject *Parent)
    : QObject(Parent), fClient(Client), fMap(Map), fView(View), fList(Model), fCtx(std::move(Ctx))
{
    connect(Model, &QStandardItemModel::itemChanged, this, &TZoneWorkflow::ZoneListChecking);
}

TZoneWorkflow::~TZoneWorkflow()
{
    // The editor's zone belongs to the client, which may go next.
    if (fEditor)
        CloseEditor(false);
}

QString TZoneWorkflow::VisibleKey()
{
    return QStringLiteral("Visible");
}

QString TZoneWorkflow::Tr(const QString &Key) const
{
    return Translation.GetString(Key);
}

void TZoneWorkflow::Msg(const QString &Key)
{
    if (fCtx.ShowMsg)
        fCtx.ShowMsg(Key, 3);
}

namespace {
constexpr int ZoneRole = Qt::UserRole + 1; // the zone of the client's list the row shows
}

TZoneInfo *TZoneWorkflow::ZoneOf(const QStandardItem *Row)
{
    return Row ? reinterpret_cast<TZoneInfo *>(Row->data(ZoneRole).value<quintptr>()) : nullptr;
}

QStandardItem *TZoneWorkflow::RowOf(const TZoneInfo *Zone) const
{
    for (int i = 0; Zone && fList && i < fList->rowCount(); ++i)
        if (ZoneOf(fList->item(i)) == Zone)
            return fList->item(i);
    return nullptr;
}

QStandardItem *TZoneWorkflow::CurrentRow() const
{
    return fList && fView ? fList->itemFromIndex(fView->currentIndex()) : nullptr;
}

void TZoneWorkflow::SelectRow(QStandardItem *Row)
{
    if (fView && Row)
        fView->setCurrentIndex(Row->index());
}

TZoneInfo *TZoneWorkflow::SelectedZone() const
{
    return ZoneOf(CurrentRow());
}

void TZoneWorkflow::AddRow(TZoneInfo *Zone, bool Ticked)
{
    auto *row = new QStandardItem(Zone->name);
    row->setEditable(false);
    row->setCheckable(true);
    row->setData(Zone->uid, Qt::UserRole);
    row->setData(QVariant::fromValue(quintptr(Zone)), ZoneRole);
    row->setCheckState(Ticked ? Qt::Checked : Qt::Unchecked);
    fList->appendRow(row);
}

bool TZoneWorkflow::CloseEditor(bool Ask)
{
    if (!fEditor)
        return true;
    TZoneEditForm *ed = fEditor;
    if (Ask && ed->EditMode() && ed->Modified() && ed->ZoneInfo() && fCtx.MsgBox
        && fCtx.MsgBox(Translation.GetString(QStringLiteral("edit_zone"), {ed->ZoneInfo()->uid}),
                       Translation.GetString(QStringLiteral("zone_unsaved_prompt"), {ed->ZoneInfo()->name}), 0x24)
               == MbYes) {
        ed->ButSaveClick();
    }
    // Not saved (or refused): the frame's close cancels, which restores the
    // zone or removes a new one.
    if (fEditor)
        fEditor->close();
    fEditor = nullptr;
    return true;
}

int TZoneWorkflow::LoadZones()
{
    CloseEditor(true);
    if (!fClient)
        return -1;
    fFilling = true;
    fList->removeRows(0, fList->rowCount());
    int n = -1;
    try {
        if (fCtx.Log)
            fCtx.Log(QStringLiteral("\rLoad zones: "));
        n = fClient->GetZones();
        if (fCtx.Log)
            fCtx.Log(QStringLiteral("\r  -> ") + QString::number(n));
        if (fMap)
            fMap->SetGeoZones(&fClient->ZoneList());
        const QStringList ticked = IniFile.ReadString(ZonesSection, VisibleKey()).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (auto &z : fClient->ZoneList()) {
            z->visible = z->uid > 0 && ticked.contains(QString::number(z->uid));
            AddRow(z.get(), z->visible);
        }
        if (fList->rowCount() > 0) {
            SelectRow(fList->item(0));
            fView->setFocus();
        }
    } catch (const std::exception &e) {
        if (fCtx.Log)
            fCtx.Log(QStringLiteral("\rX: ") + QString::fromUtf8(e.what()));
    }
    fFilling = false;
    if (fMap)
        fMap->Invalidate();
    return n;
}

void TZoneWorkflow::ZoneListChecking(QStandardItem *Row)
{
    TZoneInfo *z = ZoneOf(Row);
    if (fFilling || !z)
        return;
    const bool ticked = Row->checkState() == Qt::Checked;
    if (ticked == z->visible)
        return; // a text change, not the box
    SelectRow(Row);
    z->visible = ticked;
    SaveTicks();
    ZoomToVisibleZones();
}

void TZoneWorkflow::SaveTicks()
{
    if (!fClient)
        return;
    QStringList uids;
    for (auto &z : fClient->ZoneList())
        if (z->visible && z->uid > 0)
            uids << QString::number(z->uid);
    IniFile.WriteString(ZonesSection, VisibleKey(), uids.join(QLatin1Char(',')));
}

void TZoneWorkflow::ZoomToVisibleZones()
{
    if (!fClient)
        return;
    bool any = false;
    TGeoRect r;
    for (auto &z : fClient->ZoneList()) {
        if (!z->visible || !z->HasRect())
            continue;
        if (!any) {
            r = z->rect;
            any = true;
            continue;
        }
        r.TopLeft.Lat = std::max(r.TopLeft.Lat, z->rect.TopLeft.Lat);
        r.TopLeft.Long = std::min(r.TopLeft.Long, z->rect.TopLeft.Long);
        r.BottomRight.Lat = std::min(r.BottomRight.Lat, z->rect.BottomRight.Lat);
        r.BottomRight.Long = std::max(r.BottomRight.Long, z->rect.BottomRight.Long);
    }
    if (any && fMap) {
        fMap->ZoomToArea(r);
        fMap->SetCenterPoint(TGeoPoint{(r.TopLeft.Long + r.BottomRight.Long) / 2, (r.TopLeft.Lat + r.BottomRight.Lat) / 2});
    }
    if (fMap)
        fMap->Invalidate();
}

void TZoneWorkflow::ZoomToZone(TZoneInfo *Zone)
{
    if (fMap && Zone && Zone->visible && Zone->HasRect()) {
        fMap->ZoomToArea(Zone->rect);
        fMap->SetCenterPoint(Zone->geom.center);
    }
    if (fMap)
        fMap->Invalidate();
}

void TZoneWorkflow::ShowZone(bool Edit)
{
    if ((fCtx.SignedIn && !fCtx.SignedIn()) || !fClient) {
        Msg(QStringLiteral("not_logged_in"));
        return;
    }
    if (fClient->ZoneList().empty())
        LoadZones();
    if (fClient->ZoneList().empty())
        return;
    QStandardItem *row = CurrentRow();
    TZoneInfo *z = ZoneOf(row);
    if (!z) {
        Msg(QStringLiteral("zone_not_selected"));
        return;
    }
    if (fEditor) {
        Msg(QStringLiteral("zone_editor_active"));
        return;
    }
    row->setCheckState(Qt::Checked); // runs ZoneListChecking
    z->visible = true;
    z->edited = Edit;
    if (Edit)
        ZoomToZone(z);

    auto *ed = new TZoneEditForm(fCtx.Parent);
    QWidget *win = fCtx.Parent ? fCtx.Parent->window() : nullptr;
    if (Edit) {
        if (win)
            ed->move(win->x() + win->width() - 48, win->y() + win->height() / 3);
        if (!z->geom.HasCenter() && fMap)
            z->geom.center = fMap->CenterPoint();
        if (z->type_id == TZoneInfo::Circle && std::isnan(z->geom.radius)) {
            z->geom.radius = 100;
            z->UpdateRect();
        } else if (z->type_id == TZoneInfo::Poligon && z->geom.nodes.size() < 3) {
            for (int bearing : {0, 120, 240})
                if (z->geom.nodes.size() < 3)
                    z->geom.nodes.append(GeoDestination(z->geom.center, 100, bearing));
            z->UpdateRect();
        }
    } else if (z->geom.HasCenter() && fMap) {
        ed->move(fMap->viewport()->mapToGlobal(fMap->GeoPointToInnerPoint(z->geom.center)));
    } else {
        ed->move(QCursor::pos());
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        QPoint p = ed->pos();
        if (p.x() + ed->width() > s.width())
            p.setX(s.width() - ed->width());
        if (p.y() + ed->height() > s.height())
            p.setY(s.height() - ed->height());
        ed->move(p);
    }
    fEditor = ed;
    connect(ed, &TZoneEditForm::Closing, this, [this](TZoneEditForm *closing) {
        if (fEditor == closing)
            fEditor = nullptr;
        if (fMap)
            fMap->Invalidate();
    });
    ed->SetCmdCallback([this](QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args) {
        return fCtx.Command ? fCtx.Command(Sender, Action, Subj, Args) : ZoneCommand(Sender, Action, Subj, Args);
    });
    ed->ShowZone(z);
    if (fMap)
        fMap->Invalidate();
}

void TZoneWorkflow::EditZone()
{
    if (fEditor) {
        Msg(QStringLiteral("zone_editor_active"));
        return;
    }
    ShowZone(true);
}

void TZoneWorkflow::AppendZone()
{
    if (fEditor) {
        Msg(QStringLiteral("zone_editor_active"));
        return;
    }
    if ((fCtx.SignedIn && !fCtx.SignedIn()) || !fMap || !fClient) {
        Msg(QStringLiteral("not_logged_in"));
        return;
    }
    const TGeoPoint c = fMap->CenterPoint();
    auto z = std::make_unique<TZoneInfo>(0, TZoneInfo::Circle);
    z->name = QStringLiteral("Zone_") + FloatToStrN(c.Lat, 4) + QLatin1Char('_') + FloatToStrN(c.Long, 4);
    z->color = 0xFF0000; // blue: red is the low byte
    z->geom.center = c;
    z->geom.radius = 100;
    z->UpdateRect();
    TZoneInfo *raw = z.get();
    fClient->ZoneList().push_back(std::move(z));
    if (fMap)
        fMap->SetGeoZones(&fClient->ZoneList());
    fFilling = true;
    AddRow(raw, false);
    fFilling = false;
    SelectRow(RowOf(raw));
    EditZone();
}

void TZoneWorkflow::RemoveZone(TZoneInfo *Zone)
{
    if (!fClient)
        return;
    if (QStandardItem *row = RowOf(Zone))
        fList->removeRow(row->row());
    auto &list = fClient->ZoneList();
    list.erase(std::remove_if(list.begin(), list.end(), [Zone](const auto &z) { return z.get() == Zone; }), list.end());
    if (fMap)
        fMap->Invalidate();
}

void TZoneWorkflow::DeleteZone()
{
    if ((fCtx.SignedIn && !fCtx.SignedIn()) || !fClient) {
        Msg(QStringLiteral("not_logged_in"));
        return;
    }
    if (fEditor) {
        Msg(QStringLiteral("zone_editor_active"));
        return;
    }
    TZoneInfo *z = SelectedZone();
    if (!z) {
        Msg(QStringLiteral("zone_not_selected"));
        return;
    }
    if (!fCtx.MsgBox
        || fCtx.MsgBox(Tr(QStringLiteral("delete_zone")), Translation.GetString(QStringLiteral("delete_zone_prompt"), {z->name}),
                       0x24)
               != MbYes)
        return;
    const int status = z->uid <= 0 ? 204 : fClient->DeleteZone(z->uid);
    if (status == 204) {
        RemoveZone(z);
        SaveTicks();
    }
}

void TZoneWorkflow::OnZoneClick(TZoneInfo *Zone)
{
    // The zone itself, not its uid: every zone not yet saved has uid 0.
    if (QStandardItem *row = RowOf(Zone)) {
        SelectRow(row);
        ShowZone(false);
    }
}

int TZoneWorkflow::ZoneCommand(QObject *Sender, const QString &Action, const QString &Subj, const QStringList &Args)
{
    Q_UNUSED(Args);
    if (Subj != u"zone" || !fEditor || !fClient)
        return -1;
    if (Sender == fMap) {
        if (Action == u"update")
            fEditor->UpdateZone();
        return -1;
    }
    if (Sender != fEditor)
        return -1;
    // The editor's own zone: the list's selection may have moved meanwhile.
    TZoneInfo *z = fEditor->ZoneInfo();
    if (!z) {
        if (fCtx.Log)
            fCtx.Log(QStringLiteral("\r  x: no zone info"));
        return -1;
    }
    int res = -1;
    if (Action == u"update") {
        if (QStandardItem *row = RowOf(z))
            row->setText(z->name);
    } else if (Action == u"save") {
        QString caption;
        if (z->uid != 0) {
            caption = Tr(QStringLiteral("zone_update_caption"));
            res = fClient->UpdateZone(*z) ? z->uid : -1;
        } else {
            caption = Tr(QStringLiteral("zone_create_caption"));
            res = fClient->CreateZone(*z);
        }
        if (res < 0 && !fClient->ErrorMessage().isEmpty() && fCtx.MsgBox)
            fCtx.MsgBox(caption, fClient->ErrorMessage(), 0x30);
        if (QStandardItem *row = RowOf(z))
            row->setText(z->name);
        if (res > 0)
            SaveTicks();
    } else if (Action == u"cancel") {
        if (z->uid == 0) {
            fEditor->ForgetZone();
            RemoveZone(z);
        }
    }
    if (fMap)
        fMap->Invalidate();
    return res;
}

void TZoneWorkflow::ShowZoneHistory(QWidget *Button)
{
    if ((fCtx.SignedIn && !fCtx.SignedIn()) || !fClient) {
        Msg(QStringLiteral("not_logged_in"));
        return;
    }
    TZoneInfo *z = SelectedZone();
    if (!z) {
        Msg(QStringLiteral("zone_not_selected"));
        return;
    }
    TDateTime dt1 = 0, dt2 = 0;
    {
        TPeriodRequestForm period(fCtx.Parent);
        if (Button) {
            const QPoint br = Button->mapToGlobal(QPoint(Button->width(), Button->height()));
            period.adjustSize();
            period.move(br.x() - period.width(), br.y());
        }
        if (!period.DoRequest(false))
            return;
        dt1 = period.GetDt1();
        dt2 = period.GetDt2();
    }
    if (fCtx.Log)
        fCtx.Log(QStringLiteral("\rGet zone history (uid=%1, dt1=%2, dt2=%3) ...")
                     .arg(z->uid)
                     .arg(FormatDateTimeDef(QString(), dt1), FormatDateTimeDef(QString(), dt2)));
    const int n = fClient->GetZoneHistory(z->uid, 0, 0, dt1, dt2);
    if (fCtx.Log)
        fCtx.Log(QStringLiteral("\r  -> %1").arg(n));
    if (n < 0) {
        if (fCtx.ShowMsgFmt)
            fCtx.ShowMsgFmt(QStringLiteral("error"), {fClient->ErrorMessage()}, 5);
        return;
    }
    if (n == 0) {
        Msg(QStringLiteral("no_data"));
        return;
    }
    TZoneHistoryForm form(fCtx.Parent);
    form.ShowHistory(fClient, z, fClient->ZoneHistory(), dt1, dt2);
}
