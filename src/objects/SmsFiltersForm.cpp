#include "SmsFiltersForm.h"

#include "ActionEditForm.h"
#include "ConditionEditForm.h"
#include "FormTranslate.h"
#include "OSM.ObjectInfo.h"
#include "ZtLed.h"
#include "client.h"
#include "translate.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int ModifiedRole = Qt::UserRole + 1;

// A filter saved in the dialog carries a red bar at its left edge.
class TFilterDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(p, option, index);
        if (index.data(ModifiedRole).toBool())
            p->fillRect(QRect(option.rect.left(), option.rect.top(), 4, option.rect.height()), Qt::red);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize s = QStyledItemDelegate::sizeHint(option, index);
        const int lines = int(index.data().toString().count(u'\n')) + 1;
        return QSize(s.width(), option.fontMetrics.lineSpacing() * lines + 8);
    }
};

// The list text: the note, then conditions and actions on lines of their own.
QString RowText(const TSmsFilter &f)
{
    QStringList lines;
    if (!f.Note.isEmpty())
        lines << f.Note;
    lines << f.Hash().replace(QLatin1String("]["), QLatin1String("]\n[")).split(u'\n');
    return lines.join(u'\n');
}

} // namespace

TSmsFiltersForm::TSmsFiltersForm(QWidget *Parent) : TCommandExchange(QStringLiteral("\rSmsFilters: "), Parent)
{
    setObjectName(QStringLiteral("SmsFiltersForm"));
    setWindowTitle(QStringLiteral("SMS filters"));
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
    auto list = [this](const char *name) {
        auto *l = new QListWidget(this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    CbFilterRequests = new QComboBox(this);
    CbFilterRequests->setObjectName(QStringLiteral("CbFilterRequests"));
    LedFilters = new TZtLed(this);
    LedFilters->setObjectName(QStringLiteral("LedFilters"));
    LedFilter = new TZtLed(this);
    LedFilter->setObjectName(QStringLiteral("LedFilter"));
    FilterList = list("FilterList");
    FilterList->setItemDelegate(new TFilterDelegate(FilterList));
    FilterList->setMinimumWidth(260);
    ConditionList = list("ConditionList");
    ActionList = list("ActionList");
    EdNote = new QLineEdit(this);
    EdNote->setObjectName(QStringLiteral("EdNote"));
    button(ButAppendFilter, "ButAppendFilter", "Append filter");
    button(ButDeleteFilter, "ButDeleteFilter", "Delete filter");
    button(ButSaveFilter, "ButSaveFilter", "Save filter");
    button(ButAppendCondition, "ButAppendCondition", "Append condition");
    button(ButDeleteCondition, "ButDeleteCondition", "Delete condition");
    button(ButAppendAction, "ButAppendAction", "Append action");
    button(ButDeleteAction, "ButDeleteAction", "Delete action");
    button(ButOk, "ButOk", "OK");
    ButOk->setDefault(true);
    button(ButCancel, "ButCancel", "Cancel");

    auto *requests = group("GbFilterRequests", "Filter requests");
    (new QVBoxLayout(requests))->addWidget(CbFilterRequests);

    auto *filters = group("GbFilters", "Filters");
    auto *fl = new QVBoxLayout(filters);
    auto *ft = new QHBoxLayout;
    ft->addWidget(LedFilters);
    ft->addWidget(ButAppendFilter);
    ft->addWidget(ButDeleteFilter);
    ft->addStretch();
    fl->addLayout(ft);
    fl->addWidget(FilterList);

    auto *filter = group("GbFilter", "Filter");
    auto *el = new QVBoxLayout(filter);
    auto *et = new QHBoxLayout;
    et->addWidget(LedFilter);
    et->addWidget(ButSaveFilter);
    et->addWidget(ButAppendCondition);
    et->addWidget(ButDeleteCondition);
    et->addWidget(ButAppendAction);
    et->addWidget(ButDeleteAction);
    et->addStretch();
    el->addLayout(et);
    auto *note = new QHBoxLayout;
    auto *lblNote = new QLabel(QStringLiteral("Note:"), this);
    lblNote->setObjectName(QStringLiteral("LblNote"));
    note->addWidget(lblNote);
    note->addWidget(EdNote);
    el->addLayout(note);
    auto *conditions = group("GbConditions", "Conditions");
    (new QVBoxLayout(conditions))->addWidget(ConditionList);
    auto *actions = group("GbActions", "Actions");
    (new QVBoxLayout(actions))->addWidget(ActionList);
    el->addWidget(conditions);
    el->addWidget(actions);

    auto *middle = new QHBoxLayout;
    middle->addWidget(filters, 1);
    middle->addWidget(filter, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *box = new QVBoxLayout(this);
    box->addWidget(requests);
    box->addLayout(middle);
    box->addLayout(buttons);

    connect(ButOk, &QPushButton::clicked, this, &TSmsFiltersForm::OkClick);
    connect(ButCancel, &QPushButton::clicked, this, &TSmsFiltersForm::reject);
    connect(ButAppendFilter, &QPushButton::clicked, this, &TSmsFiltersForm::AppendFilter);
    connect(ButDeleteFilter, &QPushButton::clicked, this, &TSmsFiltersForm::DeleteFilter);
    connect(ButSaveFilter, &QPushButton::clicked, this, &TSmsFiltersForm::SaveFilter);
    connect(ButAppendCondition, &QPushButton::clicked, this, [this] { EditCondition(true); });
    connect(ButAppendAction, &QPushButton::clicked, this, [this] { EditAction(true); });
    connect(ButDeleteCondition, &QPushButton::clicked, this, &TSmsFiltersForm::DeleteCondition);
    connect(ButDeleteAction, &QPushButton::clicked, this, &TSmsFiltersForm::DeleteAction);
    connect(ConditionList, &QListWidget::itemDoubleClicked, this, [this] { EditCondition(false); });
    connect(ActionList, &QListWidget::itemDoubleClicked, this, [this] { EditAction(false); });
    connect(EdNote, &QLineEdit::textEdited, this, [this] { SetEditorLit(true); });
    connect(FilterList, &QListWidget::itemSelectionChanged, this, &TSmsFiltersForm::RowSelected);
    connect(CbFilterRequests, &QComboBox::activated, this,
            [this](int i) { LoadItem(CbFilterRequests->itemText(i)); });
    TranslateForm(this);
    SetEditorLit(false);
    resize(720, 480);
}

bool TSmsFiltersForm::Ask(const QString &Key, const QString &Arg)
{
    QString text = Translation.GetString(Key);
    if (!Arg.isNull())
        text.replace(QLatin1String("%s"), Arg);
    return QMessageBox::question(this, TranslatedCaption(), text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

bool TSmsFiltersForm::ShowFilters(TObjectInfo *aObjInfo, TVelmoraClient *aClient)
{
    Bind(aObjInfo, aClient);
    setWindowTitle(TranslatedCaption() + QStringLiteral(" [") + aObjInfo->name + u']');
    if (!StartExchange(CbFilterRequests, QStringLiteral("get filters"), QStringLiteral("no_filter_requests"),
                       QStringLiteral("no_filter_answers")))
        return false;
    return exec() == QDialog::Accepted;
}

bool TSmsFiltersForm::LoadAnswerFile(const QString &FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Log(QStringLiteral("\r  X: cannot read ") + FileName);
        return false;
    }
    std::vector<TSmsFilter> read;
    QString error;
    fComplete = TSmsFilter::ParseAnswer(file.readAll(), read, error);
    fFilters = std::move(read);
    for (size_t i = 0; i < fFilters.size(); ++i)
        Log(QStringLiteral("\r%1: %2 -> {%3}").arg(QStringLiteral("filter%1").arg(i), fFilters[i].Note, fFilters[i].Hash()));
    FillList();
    LedFilters->SetLit(false);
    AppendFilter();
    if (!fComplete) {
        Log(QStringLiteral("\r  X: ") + error);
        QMessageBox::warning(this, TranslatedCaption(),
                             Translation.GetString(QStringLiteral("filters_not_read")).replace(QLatin1String("%s"), error));
    }
    return true;
}

void TSmsFiltersForm::FillList()
{
    const QSignalBlocker b(FilterList);
    FilterList->clear();
    for (const TSmsFilter &f : fFilters) {
        auto *item = new QListWidgetItem(RowText(f), FilterList);
        item->setData(ModifiedRole, f.Modified);
    }
}

void TSmsFiltersForm::SetEditorLit(bool v)
{
    if (fFilling)
        return;
    LedFilter->SetLit(v);
    ButSaveFilter->setEnabled(v);
}

void TSmsFiltersForm::ShowInEditor(const TSmsFilter &f)
{
    fFilling = true;
    EdNote->setText(f.Note);
    fConditions = f.Conditions;
    fActions = f.Actions;
    ConditionList->clear();
    for (const auto &c : fConditions)
        ConditionList->addItem(c.Hash());
    ActionList->clear();
    for (const auto &a : fActions)
        ActionList->addItem(a.Hash());
    fFilling = false;
    SetEditorLit(false);
}

TSmsFilter TSmsFiltersForm::EditedFilter() const
{
    TSmsFilter f;
    f.Note = EdNote->text().trimmed();
    f.Conditions = fConditions;
    f.Actions = fActions;
    f.Modified = true;
    return f;
}

void TSmsFiltersForm::RowSelected()
{
    const int row = FilterList->currentRow();
    if (row < 0 || row == fEditRow || !FilterList->currentItem()->isSelected())
        return;
    if (LedFilter->Lit() && Ask(QStringLiteral("filter_modified_prompt"))) {
        const QSignalBlocker b(FilterList);
        SaveFilter();
        FilterList->setCurrentRow(row);
    }
    fEditRow = row;
    ShowInEditor(fFilters[size_t(row)]);
}

void TSmsFiltersForm::AppendFilter()
{
    fEditRow = -1;
    {
        const QSignalBlocker b(FilterList);
        FilterList->clearSelection();
        FilterList->setCurrentRow(-1);
    }
    TSmsFilter f;
    f.Note = Translation.GetString(QStringLiteral("new_filter_note"));
    f.Conditions.emplace_back(0, QString());
    f.Actions.emplace_back(0, 0);
    ShowInEditor(f);
}

void TSmsFiltersForm::SaveFilter()
{
    const TSmsFilter f = EditedFilter();
    if (fEditRow >= 0 && size_t(fEditRow) < fFilters.size()) {
        fFilters[size_t(fEditRow)] = f;
    } else {
        fFilters.push_back(f);
        fEditRow = int(fFilters.size()) - 1;
    }
    FillList();
    {
        const QSignalBlocker b(FilterList);
        FilterList->setCurrentRow(fEditRow);
    }
    FilterList->setFocus();
    LedFilters->SetLit(true);
    SetEditorLit(false);
}

void TSmsFiltersForm::DeleteFilter()
{
    const int row = FilterList->currentRow();
    if (row < 0 || size_t(row) >= fFilters.size())
        return;
    if (!Ask(QStringLiteral("filter_delete_prompt"), fFilters[size_t(row)].Display()))
        return;
    fFilters.erase(fFilters.begin() + row);
    FillList();
    LedFilters->SetLit(true);
    // The editor's unsaved changes go with the filter: saving them now would
    // bring the deleted filter back as a new one.
    fEditRow = -1;
    SetEditorLit(false);
    if (fFilters.empty()) {
        ShowInEditor(TSmsFilter());
        return;
    }
    FilterList->setCurrentRow(std::min(row, int(fFilters.size()) - 1));
}

void TSmsFiltersForm::EditCondition(bool New)
{
    const int row = New ? -1 : ConditionList->currentRow();
    TConditionEditForm form(this);
    form.SetCondition(row >= 0 ? fConditions[size_t(row)] : TSmsFilter::TCondition(0, QString()));
    if (form.exec() != QDialog::Accepted)
        return;
    const TSmsFilter::TCondition c = form.ApplyChanges();
    if (row >= 0) {
        fConditions[size_t(row)] = c;
        ConditionList->item(row)->setText(c.Hash());
    } else {
        fConditions.push_back(c);
        ConditionList->addItem(c.Hash());
    }
    SetEditorLit(true);
}

void TSmsFiltersForm::EditAction(bool New)
{
    const int row = New ? -1 : ActionList->currentRow();
    TActionEditForm form(this);
    form.SetAction(row >= 0 ? fActions[size_t(row)] : TSmsFilter::TAction(0, 0));
    if (form.exec() != QDialog::Accepted)
        return;
    const TSmsFilter::TAction a = form.ApplyChanges();
    if (row >= 0) {
        fActions[size_t(row)] = a;
        ActionList->item(row)->setText(a.Hash());
    } else {
        fActions.push_back(a);
        ActionList->addItem(a.Hash());
    }
    SetEditorLit(true);
}

void TSmsFiltersForm::DeleteCondition()
{
    const int row = ConditionList->currentRow();
    if (row < 0 || !Ask(QStringLiteral("condition_delete_prompt"), fConditions[size_t(row)].Hash()))
        return;
    fConditions.erase(fConditions.begin() + row);
    delete ConditionList->takeItem(row);
    SetEditorLit(true);
}

void TSmsFiltersForm::DeleteAction()
{
    const int row = ActionList->currentRow();
    if (row < 0 || !Ask(QStringLiteral("action_delete_prompt"), fActions[size_t(row)].Hash()))
        return;
    fActions.erase(fActions.begin() + row);
    delete ActionList->takeItem(row);
    SetEditorLit(true);
}

void TSmsFiltersForm::OkClick()
{
    // The editor's unsaved changes would be lost without a word.
    if (LedFilter->Lit() && Ask(QStringLiteral("filter_modified_prompt")))
        SaveFilter();
    if (!LedFilters->Lit()) {
        // Nothing changed: the device keeps what it has.
        accept();
        return;
    }
    if (!fComplete) {
        // The device replaces its whole list: the filters not read would be lost.
        QMessageBox::warning(this, TranslatedCaption(), Translation.GetString(QStringLiteral("filters_not_sent")));
        return;
    }
    Log(QStringLiteral("\rMake filters command"));
    for (const TSmsFilter &f : fFilters)
        Log(u'\r' + f.ToJsonStr());
    if (SendDeviceCommand(TSmsFilter::SetCommand(fFilters)))
        accept();
}

void TSmsFiltersForm::reject()
{
    // Escape, "Cancel" and the window's close button all come here.
    if ((LedFilters->Lit() || LedFilter->Lit()) && !Ask(QStringLiteral("filters_close_prompt")))
        return;
    QDialog::reject();
}
