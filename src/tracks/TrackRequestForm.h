#pragma once

// Asks for the period and the options of a track request. Remembers the last
// period and its label in the settings file ([Track] Dt1, Dt2, Sign) when the
// user confirms; Cancel leaves the saved values as they were.

#include "ZtDates.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;
class TObjectInfo;

class TTrackRequestForm : public QDialog
{
    Q_OBJECT
public:
    // Opens the shared period dialog below Anchor, preset with Dt1 and Dt2;
    // true when the user confirmed, with the new period and its label.
    using TPeriodPicker = std::function<bool(QWidget *Anchor, TDateTime &Dt1, TDateTime &Dt2, QString &Sign)>;

    explicit TTrackRequestForm(QWidget *parent = nullptr);
    ~TTrackRequestForm() override;

    // Shows the object and runs the dialog; true when the user pressed OK.
    bool DoRequest(const TObjectInfo &ObjInfo);
    // The present in the account's zone, whose day the first-use period
    // falls on; unset (NaN), the computer's clock is taken.
    void SetNow(TDateTime v) { fNow = v; }

    TDateTime GetDt1() const;
    TDateTime GetDt2() const;
    void SetDt1(TDateTime v);
    void SetDt2(TDateTime v);
    int GetTrackStyle() const;
    bool GetRequestSensors() const;
    bool GetRequestBySysTime() const;
    bool GetDoNotMarkup() const;
    // The label of the period: a quick period's name, or the saved one; empty
    // once a date was edited by hand.
    const QString &TrackSign() const { return fTrackSign; }
    void SetPeriodPicker(const TPeriodPicker &p) { fPeriodPicker = p; }

    QLineEdit *ObjName = nullptr;
    QLineEdit *ObjId = nullptr;
    QComboBox *TrackStyleList = nullptr;
    QDateEdit *Date1 = nullptr;
    QTimeEdit *Time1 = nullptr;
    QDateEdit *Date2 = nullptr;
    QTimeEdit *Time2 = nullptr;
    QCheckBox *RequestSensorsCheckBox = nullptr;
    QCheckBox *RequestBySysTimeCheckBox = nullptr;
    QCheckBox *DoNotMarkUpCheckBox = nullptr;
    QToolButton *SbSelectPeriod = nullptr;
    QPushButton *ButOk = nullptr;
    QPushButton *ButCancel = nullptr;

public Q_SLOTS:
    // Refuses a period whose start lies after its end (a warning; the dialog stays).
    void accept() override;

private:
    void SbSelectPeriodClick();
    void DateEdited();

    QString fTrackSign;
    TPeriodPicker fPeriodPicker;
    bool fSetting = false; // dates set by the program, not by the user
    TDateTime fNow = NoDateTime;
};
