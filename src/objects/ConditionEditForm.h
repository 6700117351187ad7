#pragma once

// The editor of one SMS-filter condition: its type and argument, with a hint
// on what the type matches. A type this program does not know is offered as
// it was read, so that saving leaves it unchanged.

#include "sms_filter.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TConditionEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TConditionEditForm(QWidget *Parent = nullptr);

    void SetCondition(const TSmsFilter::TCondition &c);
    // The condition with the dialog's values.
    TSmsFilter::TCondition ApplyChanges() const;

    QComboBox *CbType = nullptr;
    QLineEdit *EdArg = nullptr;
    QPlainTextEdit *MemoHint = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

private:
    void TypeChanged();

    TSmsFilter::TCondition fCondition;
};
