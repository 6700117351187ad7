#pragma once

// The SMS filters of a phone: the filters it reported in its answer to
// "get filters", edited here and sent back whole with one "set filters".
// The device replaces its list with the one sent, so a list that was not
// read completely is never sent.

#include "CommandExchange.h"
#include "sms_filter.h"

#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class TZtLed;

class TSmsFiltersForm : public TCommandExchange
{
    Q_OBJECT
public:
    explicit TSmsFiltersForm(QWidget *Parent = nullptr);

    // Runs the exchange for the object; true when closed with OK (a changed
    // list was sent).
    bool ShowFilters(TObjectInfo *aObjInfo, TVelmoraClient *aClient);

    const std::vector<TSmsFilter> &Filters() const { return fFilters; }
    // The filter the editor shows, as "Save filter" would store it.
    TSmsFilter EditedFilter() const;
    // Whether the last answer was read completely (else nothing is sent).
    bool Complete() const { return fComplete; }

    QComboBox *CbFilterRequests = nullptr;
    TZtLed *LedFilters = nullptr;
    QListWidget *FilterList = nullptr;
    QPushButton *ButAppendFilter = nullptr;
    QPushButton *ButDeleteFilter = nullptr;
    TZtLed *LedFilter = nullptr;
    QLineEdit *EdNote = nullptr;
    QListWidget *ConditionList = nullptr;
    QListWidget *ActionList = nullptr;
    QPushButton *ButSaveFilter = nullptr;
    QPushButton *ButAppendCondition = nullptr;
    QPushButton *ButDeleteCondition = nullptr;
    QPushButton *ButAppendAction = nullptr;
    QPushButton *ButDeleteAction = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

    void reject() override;

protected:
    bool LoadAnswerFile(const QString &FileName) override;

private:
    void FillList();
    void ShowInEditor(const TSmsFilter &f);
    void SetEditorLit(bool v);
    void RowSelected();
    void AppendFilter();
    void SaveFilter();
    void DeleteFilter();
    void EditCondition(bool New);
    void EditAction(bool New);
    void DeleteCondition();
    void DeleteAction();
    void OkClick();
    bool Ask(const QString &Key, const QString &Arg = QString());

    std::vector<TSmsFilter> fFilters;
    // The editor's copies.
    std::vector<TSmsFilter::TCondition> fConditions;
    std::vector<TSmsFilter::TAction> fActions;
    // The row the editor belongs to; -1 for a filter not in the list yet.
    int fEditRow = -1;
    bool fComplete = false;
    // Set while the dialog fills the editor: only the user's edits count.
    bool fFilling = false;
};
