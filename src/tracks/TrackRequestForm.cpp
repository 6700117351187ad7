#include "TrackRequestForm.h"
#include "AccountClock.h"

#include "FormTranslate.h"
#include "OSM.GeoTrack.h"
#include "OSM.ObjectInfo.h"
#include "common.h"
#include "period_request_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString SectionTrack = QStringLiteral("Track");

TDateTime DateOf(const QDateEdit *d) { return QDateTimeToDateTime(QDateTime(d->date(), QTime(0, 0))); }
TDateTime TimeOf(const QTimeEdit *t) { return t->time().msecsSinceStartOfDay() / 86400000.0; }

void SetFields(QDateEdit *d, QTimeEdit *t, TDateTime v)
{
    const QDateTime dt = DateTimeToQDateTime(v);
    d->setDate(dt.date());
    t->setTime(dt.time());
}
} // namespace

TTrackRequestForm::TTrackRequestForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TrackRequestForm"));
    setWindowTitle(QStringLiteral("Track Request"));

    auto named = [this](auto *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    ObjName = named(new QLineEdit(this), "ObjName");
    ObjName->setReadOnly(true);
    ObjId = named(new QLineEdit(this), "ObjId");
    ObjId->setReadOnly(true);
    TrackStyleList = named(new QComboBox(this), "TrackStyleList");
    for (int i = 0; i < GeoTrackStyleCount; ++i)
        TrackStyleList->addItem(Translation.GetString(objectName(), GeoTrackStyles[i].Sign, GeoTrackStyles[i].Sign));
    TrackStyleList->setCurrentIndex(0);
    Date1 = named(new QDateEdit(this), "Date1");
    Time1 = named(new QTimeEdit(this), "Time1");
    Date2 = named(new QDateEdit(this), "Date2");
    Time2 = named(new QTimeEdit(this), "Time2");
    for (QDateEdit *d : {Date1, Date2}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
    }
    for (QTimeEdit *t : {Time1, Time2})
        t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    SbSelectPeriod = named(new QToolButton(this), "SbSelectPeriod");
    SbSelectPeriod->setText(QStringLiteral("..."));
    SbSelectPeriod->setToolTip(QStringLiteral("Select period"));
    RequestSensorsCheckBox = named(new QCheckBox(QStringLiteral("Request extended data"), this), "RequestSensorsCheckBox");
    RequestBySysTimeCheckBox = named(new QCheckBox(QStringLiteral("Request by system time"), this), "RequestBySysTimeCheckBox");
    DoNotMarkUpCheckBox = named(new QCheckBox(QStringLiteral("Do not markup the track"), this), "DoNotMarkUpCheckBox");
    ButOk = named(new QPushButton(QStringLiteral("OK"), this), "ButOk");
    ButOk->setDefault(true);
    ButCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "ButCancel");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Object Name:"), ObjName);
    form->addRow(QStringLiteral("Object Id:"), ObjId);
    form->addRow(QStringLiteral("Track Style:"), TrackStyleList);
    auto *from = new QHBoxLayout;
    from->addWidget(Date1);
    from->addWidget(Time1);
    from->addWidget(SbSelectPeriod);
    form->addRow(QStringLiteral("Period from:"), from);
    auto *to = new QHBoxLayout;
    to->addWidget(Date2);
    to->addWidget(Time2);
    to->addStretch();
    form->addRow(QStringLiteral("to:"), to);
    // The labels get names so that the window keys reach them.
    const char *labelNames[] = {"LblObjName", "LblObjId", "LblTrackStyle", "LblDate1", "LblDate2"};
    for (int i = 0; i < form->rowCount(); ++i)
        if (QLayoutItem *li = form->itemAt(i, QFormLayout::LabelRole))
            if (QWidget *w = li->widget())
                w->setObjectName(QLatin1String(labelNames[i]));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(RequestSensorsCheckBox);
    lay->addWidget(RequestBySysTimeCheckBox);
    lay->addWidget(DoNotMarkUpCheckBox);
    lay->addLayout(buttons);

    connect(ButOk, &QPushButton::clicked, this, &TTrackRequestForm::accept);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(SbSelectPeriod, &QToolButton::clicked, this, &TTrackRequestForm::SbSelectPeriodClick);
    // The shared period dialog, just below the button.
    fPeriodPicker = [](QWidget *Anchor, TDateTime &Dt1, TDateTime &Dt2, QString &Sign) {
        TPeriodRequestForm f(Anchor->window());
        f.SetDt1(Dt1);
        f.SetDt2(Dt2);
        f.move(Anchor->mapToGlobal(QPoint(0, Anchor->height())));
        if (!f.DoRequest(false))
            return false;
        Dt1 = f.GetDt1();
        Dt2 = f.GetDt2();
        Sign = f.GetSign();
        return true;
    };

    SetDt1(IniFile.ReadDateTime(SectionTrack, QStringLiteral("Dt1"), 0));
    SetDt2(IniFile.ReadDateTime(SectionTrack, QStringLiteral("Dt2"), 0));
    fTrackSign = IniFile.ReadString(SectionTrack, QStringLiteral("Sign"));
    for (QDateEdit *d : {Date1, Date2})
        connect(d, &QDateEdit::dateChanged, this, &TTrackRequestForm::DateEdited);
    for (QTimeEdit *t : {Time1, Time2})
        connect(t, &QTimeEdit::timeChanged, this, &TTrackRequestForm::DateEdited);

    TranslateForm(this);
}

TTrackRequestForm::~TTrackRequestForm()
{
    // Only a confirmed request is remembered: Cancel keeps the last period.
    if (result() != QDialog::Accepted)
        return;
    IniFile.WriteDateTime(SectionTrack, QStringLiteral("Dt1"), GetDt1());
    IniFile.WriteDateTime(SectionTrack, QStringLiteral("Dt2"), GetDt2());
    IniFile.WriteString(SectionTrack, QStringLiteral("Sign"), fTrackSign);
}

bool TTrackRequestForm::DoRequest(const TObjectInfo &ObjInfo)
{
    ObjName->setText(ObjInfo.name);
    ObjId->setText(ObjInfo.id);
    // Nothing saved yet, or a caller's preset left a date out.
    if (GetDt1() < 1 || GetDt2() < 1) {
        const TDateTime today = std::floor(std::isnan(fNow) ? AccountNow() : fNow);
        SetDt1(today + 0.25);
        SetDt2(today + 0.5);
        fTrackSign = QStringLiteral("six_hours");
    }
    return exec() == QDialog::Accepted;
}

TDateTime TTrackRequestForm::GetDt1() const { return DateOf(Date1) + TimeOf(Time1); }
TDateTime TTrackRequestForm::GetDt2() const { return DateOf(Date2) + TimeOf(Time2); }

void TTrackRequestForm::SetDt1(TDateTime v)
{
    const bool was = fSetting;
    fSetting = true;
    SetFields(Date1, Time1, std::isnan(v) ? 0 : v);
    fSetting = was;
}

void TTrackRequestForm::SetDt2(TDateTime v)
{
    const bool was = fSetting;
    fSetting = true;
    SetFields(Date2, Time2, std::isnan(v) ? 0 : v);
    fSetting = was;
}

int TTrackRequestForm::GetTrackStyle() const { return TrackStyleList->currentIndex(); }
bool TTrackRequestForm::GetRequestSensors() const { return RequestSensorsCheckBox->isChecked(); }
bool TTrackRequestForm::GetRequestBySysTime() const { return RequestBySysTimeCheckBox->isChecked(); }
bool TTrackRequestForm::GetDoNotMarkup() const { return DoNotMarkUpCheckBox->isChecked(); }

void TTrackRequestForm::accept()
{
    if (GetDt1() > GetDt2()) {
        QMessageBox::warning(this, windowTitle(),
                             Translation.GetString(QStringLiteral("period_start_after_end")));
        return;
    }
    QDialog::accept();
}

void TTrackRequestForm::SbSelectPeriodClick()
{
    if (!fPeriodPicker)
        return;
    TDateTime d1 = GetDt1(), d2 = GetDt2();
    QString sign;
    if (!fPeriodPicker(SbSelectPeriod, d1, d2, sign))
        return;
    SetDt1(d1);
    SetDt2(d2);
    fTrackSign = sign;
}

void TTrackRequestForm::DateEdited()
{
    // A period typed by hand is no longer the one the label named.
    if (!fSetting)
        fTrackSign.clear();
}
