#pragma once

// The editor of one SMS-filter action: what to do and its argument. A type
// or argument this program does not know is offered as it was read, so that
// saving leaves it unchanged.

#include "sms_filter.h"

#include <QDialog>

class QComboBox;
class QPushButton;

class TActionEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TActionEditForm(QWidget *Parent = nullptr);

    void SetAction(const TSmsFilter::TAction &a);
    TSmsFilter::TAction ApplyChanges() const;

    QComboBox *CbType = nullptr;
    QComboBox *CbArg = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

private:
    void FillArgs(int Selected);

    TSmsFilter::TAction fAction;
};
