#pragma once

#include "ZtDates.h"

#include <QDialog>
#include <QList>
#include <QString>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

// Asks for a time period: two date-times, with quick buttons for the last
// hours, days, weeks, months and the current quarter. The last period lives
// in the settings file ([Period] Dt1, Dt2): read when the dialog is made,
// written when it goes, so the next dialog offers it again.
class TPeriodRequestForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPeriodRequestForm(QWidget *parent = nullptr);
    ~TPeriodRequestForm() override;

    // Shows the dialog modally; true when the user pressed OK (or a quick
    // button, with closeAfterClick) and Dt1 < Dt2. With no period remembered
    // it offers today 06:00 to 12:00.
    bool DoRequest(bool closeAfterClick = false);

    TDateTime GetDt1() const;
    TDateTime GetDt2() const;
    void SetDt1(TDateTime value);
    void SetDt2(TDateTime value);
    // The caption of the last quick button, or, when there is none and the
    // period is valid, its length as "1h 5m 3s".
    QString GetSign() const;

    // The period a quick button (named by its caption, as in the table of
    // buttons) gives at the local time now; false for an unknown caption.
    static bool QuickPeriod(const QString &sign, TDateTime now, TDateTime &dt1, TDateTime &dt2);
    // The captions of the quick buttons, in the order they are shown.
    static QStringList QuickSigns();

    QLabel *LblFrom = nullptr;
    QDateEdit *DtpDate1 = nullptr;
    QTimeEdit *DtpTime1 = nullptr;
    QLabel *LblTo = nullptr;
    QDateEdit *DtpDate2 = nullptr;
    QTimeEdit *DtpTime2 = nullptr;
    // Shown when OK is pressed with the end not after the start.
    QLabel *LblWarning = nullptr;
    QList<QPushButton *> QuickButtons;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

    // The button named after a caption of QuickSigns, or nullptr.
    QPushButton *QuickButton(const QString &sign) const;

private:
    void QuickButtonClick(const QString &sign);
    void ButOkClick();
    void SetPicker(QDateEdit *date, QTimeEdit *time, TDateTime value);
    void EditedByHand();

    QString fSign;
    bool fCloseAfterClick = false;
    // Set while the program fills the pickers, so that only the user's own
    // edits drop the quick button's caption.
    bool fFilling = false;
};
