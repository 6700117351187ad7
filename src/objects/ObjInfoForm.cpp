#include "ObjInfoForm.h"
#include "AccountClock.h"

#include "OSM.ObjectInfo.h"
#include "ZtUtils.h"
#include "common.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString TimeText(TDateTime t)
{
    return std::isnan(t) || t == 0 ? QString() : FormatDateTimeDef(QString(), t);
}

QString Tr(const char *key)
{
    return Translation.GetString(QLatin1String(key));
}

} // namespace

TObjInfoForm::TObjInfoForm(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("ObjInfoForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    InfoList = new QTreeWidget(this);
    InfoList->setObjectName(QStringLiteral("InfoList"));
    InfoList->setColumnCount(2);
    InfoList->setHeaderHidden(true);
    InfoList->setRootIsDecorated(false);
    InfoList->setWordWrap(true);
    InfoList->setStyleSheet(QStringLiteral("QTreeWidget { background: #FFFDE7; }")); // cream
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(InfoList);
}

QList<TObjInfoForm::TRow> TObjInfoForm::InfoRows(const TObjectInfo &o, int Level, TDateTime Now)
{
    QList<TRow> rows;
    auto add = [&rows](const QString &key, const QString &value, const QString &hint = QString()) {
        rows << TRow{key, value, hint};
    };
    if (Level > 8)
        add(Tr("uid"), QString::number(o.uid));
    add(Tr("id"), o.id);
    add(Tr("name"), o.name);
    if (o.is_deleted)
        add(Tr("deleted"), TimeText(o.del_dt));
    add(Tr("type"), o.hw_type);
    add(Tr("model"), o.model);
    if (Level > 8) {
        add(Tr("hw_info"), o.hw_info);
        if (!o.settings.isEmpty())
            add(Tr("settings"), o.settings);
    }
    add(Tr("version"), o.sw_ver);
    const TTrackPointInfo *p = o.last_point.get();
    add(Tr("battery"), p && p->bat >= 0 ? QString::number(p->bat) : QString());
    add(Tr("sys_time"), p ? TimeText(p->sys_dt) : QString());
    add(Tr("obj_time"), p ? TimeText(p->obj_dt) : QString());
    if (p && !std::isnan(p->lat) && !std::isnan(p->lon)) {
        if (!TimeText(p->gps_dt).isEmpty())
            add(Tr("gps_time"), TimeText(p->gps_dt));
        if (p->HasSource())
            add(Tr("crd_src"), p->SrcName());
        add(Tr("lat_lon"), FloatToStrN(p->lat, 6) + QLatin1Char(',') + FloatToStrN(p->lon, 6));
    }
    if (!o.address.isEmpty())
        add(Tr("address"), o.address);
    for (const auto &s : o.sensors) {
        if (!s || s->sign == u"vector" || std::isnan(s->sys_dt) || Now - s->sys_dt >= 1)
            continue;
        QString key = s->name.isEmpty() ? s->sign : s->name;
        if (!s->unit.isEmpty())
            key += QStringLiteral(", ") + s->unit;
        add(key, s->val, TimeText(s->obj_dt));
    }
    return rows;
}

void TObjInfoForm::ShowObjInfo(const TObjectInfo *Object)
{
    if (!Object)
        return;
    InfoList->clear();
    const QList<TRow> rows = InfoRows(*Object, UserLevel, AccountNow());
    int height = 0;
    const int line = InfoList->fontMetrics().height() + 4;
    for (const TRow &r : rows) {
        auto *item = new QTreeWidgetItem(InfoList, {r.key, r.value});
        item->setToolTip(1, r.hint);
        // An address takes a line per 20 characters. The width must not be
        // negative: an invalid size is stored as no size hint at all, and the
        // row then takes the font's bare height. The value column stretches,
        // so its width hint is not used.
        const int lines = r.key == Tr("address") ? r.value.size() / 20 + 1 : 1;
        item->setSizeHint(1, QSize(0, line * lines));
        height += line * lines;
    }
    InfoList->resizeColumnToContents(0);
    // Tall enough for every row and no more (the list has no grid lines).
    const int frame = 2 * InfoList->frameWidth();
    resize(std::clamp(InfoList->columnWidth(0) + 220, 300, 600), std::clamp(height + frame, 200, 600));
    show();
    activateWindow();
}

void TObjInfoForm::keyPressEvent(QKeyEvent *Event)
{
    if (Event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (Event->matches(QKeySequence::Copy)
        || (Event->key() == Qt::Key_Insert && Event->modifiers() == Qt::ControlModifier)) {
        if (const QTreeWidgetItem *item = InfoList->currentItem())
            QApplication::clipboard()->setText(item->text(1));
        return;
    }
    QWidget::keyPressEvent(Event);
}

void TObjInfoForm::changeEvent(QEvent *Event)
{
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        close();
}
