#include "period_request_form.h"
#include "AccountClock.h"

#include "FormTranslate.h"
#include "ZtFlash.h"
#include "common.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString PeriodSection = QStringLiteral("Period");

// Button captions with their component names, in the order shown.
struct TQuickButtonDef
{
    const char *name;
    const char *sign;
};
constexpr TQuickButtonDef QuickDefs[] = {
    {"SbHour1", "-1 Hour"},        {"SbHour2", "-2 Hours"},    {"SbHour3", "-3 Hours"},
    {"SbHour6", "-6 Hours"},       {"SbHour12", "-12 Hours"},  {"SbToday", "Today"},
    {"SbYesterday", "Yesterday"},  {"SbPreYestDay", "Pre-yest-day"}, {"Sb3Days", "3 days ago"},
    {"Sb7Days", "7 days ago"},     {"SbWeek", "Week"},         {"SbPreWeek", "Pre-week"},
    {"SbMonth", "Month"},          {"SbPreMonth", "Pre-month"}, {"SbQuarter", "Quarter"},
};

TDateTime DateOf(const QDate &d)
{
    return EncodeDateTime(d.year(), d.month(), d.day());
}

bool IsRemembered(TDateTime v)
{
    return !IsNoDateTime(v) && v != 0;
}

} // namespace

TPeriodRequestForm::TPeriodRequestForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PeriodRequestForm"));
    setWindowTitle(QStringLiteral("Time period selection"));

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto dateEdit = [this](const char *name) {
        auto *e = new QDateEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        e->setCalendarPopup(true);
        connect(e, &QDateEdit::dateChanged, this, &TPeriodRequestForm::EditedByHand);
        return e;
    };
    auto timeEdit = [this](const char *name) {
        auto *e = new QTimeEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        connect(e, &QTimeEdit::timeChanged, this, &TPeriodRequestForm::EditedByHand);
        return e;
    };
    LblFrom = label("LblFrom", QStringLiteral("Period from:"));
    DtpDate1 = dateEdit("DtpDate1");
    DtpTime1 = timeEdit("DtpTime1");
    LblTo = label("LblTo", QStringLiteral("to:"));
    DtpDate2 = dateEdit("DtpDate2");
    DtpTime2 = timeEdit("DtpTime2");
    LblWarning = label("LblWarning", QStringLiteral("The end of the period must come after its start"));
    LblWarning->setStyleSheet(QStringLiteral("color: red"));
    LblWarning->setVisible(false);

    auto *quick = new QGridLayout;
    int i = 0;
    for (const TQuickButtonDef &def : QuickDefs) {
        auto *b = new QPushButton(QLatin1String(def.sign), this);
        b->setObjectName(QLatin1String(def.name));
        b->setAutoDefault(false);
        const QString sign = QLatin1String(def.sign);
        connect(b, &QPushButton::clicked, this, [this, sign] { QuickButtonClick(sign); });
        quick->addWidget(b, i / 5, i % 5);
        QuickButtons << b;
        ++i;
    }

    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    ButCancel->setAutoDefault(false);
    ButOk = new QPushButton(QStringLiteral("OK"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButOk, &QPushButton::clicked, this, &TPeriodRequestForm::ButOkClick);

    auto *pickers = new QGridLayout;
    pickers->addWidget(LblFrom, 0, 0);
    pickers->addWidget(DtpDate1, 0, 1);
    pickers->addWidget(DtpTime1, 0, 2);
    pickers->addWidget(LblTo, 1, 0);
    pickers->addWidget(DtpDate2, 1, 1);
    pickers->addWidget(DtpTime2, 1, 2);
    pickers->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButCancel);
    buttons->addWidget(ButOk);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(pickers);
    lay->addLayout(quick);
    lay->addWidget(LblWarning);
    lay->addLayout(buttons);

    TranslateForm(this);

    fFilling = true;
    SetPicker(DtpDate1, DtpTime1, IniFile.ReadDateTime(PeriodSection, QStringLiteral("Dt1"), 0));
    SetPicker(DtpDate2, DtpTime2, IniFile.ReadDateTime(PeriodSection, QStringLiteral("Dt2"), 0));
    fFilling = false;
}

TPeriodRequestForm::~TPeriodRequestForm()
{
    IniFile.WriteDateTime(PeriodSection, QStringLiteral("Dt1"), GetDt1());
    IniFile.WriteDateTime(PeriodSection, QStringLiteral("Dt2"), GetDt2());
}

QStringList TPeriodRequestForm::QuickSigns()
{
    QStringList signs;
    for (const TQuickButtonDef &def : QuickDefs)
        signs << QLatin1String(def.sign);
    return signs;
}

QPushButton *TPeriodRequestForm::QuickButton(const QString &sign) const
{
    const qsizetype i = QuickSigns().indexOf(sign);
    return i < 0 ? nullptr : QuickButtons.value(i);
}

bool TPeriodRequestForm::QuickPeriod(const QString &sign, TDateTime now, TDateTime &dt1, TDateTime &dt2)
{
    const QDate today = DateTimeToQDateTime(now).date();
    const TDateTime day0 = DateOf(today);
    constexpr double Hour = 1.0 / 24;
    auto set = [&](TDateTime a, TDateTime b) {
        dt1 = a;
        dt2 = b;
        return true;
    };
    if (sign == u"-1 Hour")
        return set(now - Hour, now);
    if (sign == u"-2 Hours")
        return set(now - 2 * Hour, now);
    if (sign == u"-3 Hours")
        return set(now - 3 * Hour, now);
    if (sign == u"-6 Hours")
        return set(now - 0.25, now);
    if (sign == u"-12 Hours")
        return set(now - 0.5, now);
    if (sign == u"Today")
        return set(day0, day0 + 0.999999);
    if (sign == u"Yesterday")
        return set(day0 - 1, day0 - 0.000001);
    if (sign == u"Pre-yest-day")
        return set(day0 - 2, day0 - 1.000001);
    if (sign == u"3 days ago")
        return set(day0 - 3, day0 - 0.000001);
    if (sign == u"7 days ago")
        return set(day0 - 7, day0 - 0.000001);
    if (sign == u"Week" || sign == u"Pre-week") {
        const QDate ref = sign == u"Week" ? today : today.addDays(-7);
        const TDateTime monday = DateOf(ref.addDays(1 - ref.dayOfWeek()));
        return set(monday, monday + 7);
    }
    if (sign == u"Month" || sign == u"Pre-month") {
        // The previous month is counted by the calendar: going back 30 days
        // from the 31st would land in the same month.
        QDate first(today.year(), today.month(), 1);
        if (sign == u"Pre-month")
            first = first.addMonths(-1);
        const TDateTime from = DateOf(first);
        return set(from, from + first.daysInMonth());
    }
    if (sign == u"Quarter") {
        const QDate first(today.year(), (today.month() - 1) / 3 * 3 + 1, 1);
        return set(DateOf(first), DateOf(first.addMonths(3)));
    }
    return false;
}

void TPeriodRequestForm::QuickButtonClick(const QString &sign)
{
    TDateTime dt1 = 0, dt2 = 0;
    if (!QuickPeriod(sign, AccountNow(), dt1, dt2))
        return;
    SetDt1(dt1);
    SetDt2(dt2);
    // The caption as the user reads it, in his language.
    const QPushButton *b = QuickButton(sign);
    fSign = b ? b->text() : sign;
    LblWarning->setVisible(false);
    if (fCloseAfterClick)
        accept();
}

void TPeriodRequestForm::ButOkClick()
{
    // A period that ends before it starts would be requested as nothing at
    // all; the user corrects it here instead.
    if (GetDt1() < GetDt2()) {
        accept();
        return;
    }
    LblWarning->setVisible(true);
    FlashControl(DtpDate2);
}

void TPeriodRequestForm::EditedByHand()
{
    if (fFilling)
        return;
    // The caption no longer names what the pickers hold.
    fSign.clear();
    LblWarning->setVisible(false);
}

void TPeriodRequestForm::SetPicker(QDateEdit *date, QTimeEdit *time, TDateTime value)
{
    const bool wasFilling = fFilling;
    fFilling = true;
    if (!IsRemembered(value)) {
        date->setDate(QDate(1899, 12, 30));
        time->setTime(QTime(0, 0));
    } else {
        const QDateTime dt = DateTimeToQDateTime(value);
        date->setDate(dt.date());
        time->setTime(dt.time());
    }
    fFilling = wasFilling;
}

TDateTime TPeriodRequestForm::GetDt1() const
{
    return DateOf(DtpDate1->date()) + DtpTime1->time().msecsSinceStartOfDay() / 86400000.0;
}

TDateTime TPeriodRequestForm::GetDt2() const
{
    return DateOf(DtpDate2->date()) + DtpTime2->time().msecsSinceStartOfDay() / 86400000.0;
}

void TPeriodRequestForm::SetDt1(TDateTime value)
{
    SetPicker(DtpDate1, DtpTime1, value);
}

void TPeriodRequestForm::SetDt2(TDateTime value)
{
    SetPicker(DtpDate2, DtpTime2, value);
}

QString TPeriodRequestForm::GetSign() const
{
    if (!fSign.isEmpty())
        return fSign;
    const TDateTime dt1 = GetDt1(), dt2 = GetDt2();
    if (dt1 < dt2)
        return DurationToStr(qint64(std::llround((dt2 - dt1) * 86400000.0)) / 1000, 2); // whole seconds
    return QString();
}

bool TPeriodRequestForm::DoRequest(bool closeAfterClick)
{
    fCloseAfterClick = closeAfterClick;
    if (GetDt1() == 0 || GetDt2() == 0) {
        const TDateTime day0 = DateOf(DateTimeToQDateTime(AccountNow()).date());
        SetDt1(day0 + 0.25);
        SetDt2(day0 + 0.5);
    }
    return exec() == QDialog::Accepted && GetDt1() < GetDt2();
}
