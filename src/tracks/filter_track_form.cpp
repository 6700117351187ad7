#include "filter_track_form.h"

#include "FormTranslate.h"
#include "OSM.GeoTrack.h"
#include "ZtFlash.h"
#include "ZtUtils.h"
#include "common.h"
#include "kalman_filter.h"
#include "median_filter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString SectionFilter = QStringLiteral("Filter");
} // namespace

double FilterFieldNumber(const QString &text)
{
    bool ok = false;
    const double v = QString(text).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

TFilterForm::TFilterForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FilterForm"));
    setWindowTitle(QStringLiteral("Filter Track"));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    auto *median = new QWidget;
    median->setObjectName(QStringLiteral("TsMedian"));
    auto *kalman = new QWidget;
    kalman->setObjectName(QStringLiteral("TsKalman"));
    PageControl->addTab(median, QStringLiteral("Median"));
    PageControl->addTab(kalman, QStringLiteral("Kalman"));

    EdSize = new QLineEdit(median);
    EdSize->setObjectName(QStringLiteral("EdSize"));
    EdSize->setMaxLength(2);
    EdSize->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), EdSize));
    auto *ml = new QFormLayout(median);
    auto *lblSize = new QLabel(QStringLiteral("Size of filter window:"), median);
    lblSize->setObjectName(QStringLiteral("LblSize"));
    ml->addRow(lblSize, EdSize);

    // Digits, "," and "." only (the keys other than these are dropped).
    const QRegularExpression numberChars(QStringLiteral("[0-9.,]*"));
    EdMeasureError = new QLineEdit(kalman);
    EdMeasureError->setObjectName(QStringLiteral("EdMeasureError"));
    EdMeasureError->setValidator(new QRegularExpressionValidator(numberChars, EdMeasureError));
    EdMeasureSpeed = new QLineEdit(kalman);
    EdMeasureSpeed->setObjectName(QStringLiteral("EdMeasureSpeed"));
    EdMeasureSpeed->setValidator(new QRegularExpressionValidator(numberChars, EdMeasureSpeed));
    auto *kl = new QFormLayout(kalman);
    auto *lblErr = new QLabel(QStringLiteral("Measurement error:"), kalman);
    lblErr->setObjectName(QStringLiteral("LblMeasureError"));
    auto *lblSpeed = new QLabel(QStringLiteral("Measurement speed (0.01 - 1):"), kalman);
    lblSpeed->setObjectName(QStringLiteral("LblMeasureSpeed"));
    kl->addRow(lblErr, EdMeasureError);
    kl->addRow(lblSpeed, EdMeasureSpeed);

    CbTrackStyle = new QComboBox(this);
    CbTrackStyle->setObjectName(QStringLiteral("CbTrackStyle"));
    for (int i = 0; i < GeoTrackStyleCount; ++i)
        CbTrackStyle->addItem(Translation.GetString(objectName(), GeoTrackStyles[i].Sign, GeoTrackStyles[i].Sign));
    CbTrackStyle->setCurrentIndex(GeoTrackStyleCount - 1);
    auto *lblStyle = new QLabel(QStringLiteral("Track style:"), this);
    lblStyle->setObjectName(QStringLiteral("LblTrackStyle"));

    ButOk = new QPushButton(QStringLiteral("OK"), this);
    ButOk->setObjectName(QStringLiteral("ButOk"));
    ButOk->setDefault(true);
    ButCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButCancel->setObjectName(QStringLiteral("ButCancel"));
    connect(ButOk, &QPushButton::clicked, this, &TFilterForm::ButOkClick);
    connect(ButCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *style = new QHBoxLayout;
    style->addWidget(lblStyle);
    style->addWidget(CbTrackStyle, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButOk);
    buttons->addWidget(ButCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(PageControl);
    lay->addLayout(style);
    lay->addLayout(buttons);

    const int tab = int(IniFile.ReadInteger(SectionFilter, QStringLiteral("Filter"), 0));
    PageControl->setCurrentIndex(tab >= 0 && tab < PageControl->count() ? tab : 0);
    EdSize->setText(IniFile.ReadString(SectionFilter, QStringLiteral("Size"), QStringLiteral("3")));
    EdMeasureError->setText(IniFile.ReadString(SectionFilter, QStringLiteral("Error"), QStringLiteral("0.001")));
    EdMeasureSpeed->setText(IniFile.ReadString(SectionFilter, QStringLiteral("Speed"), QStringLiteral("0.2")));

    TranslateForm(this);
}

TFilterForm::~TFilterForm()
{
    IniFile.WriteInteger(SectionFilter, QStringLiteral("Filter"), PageControl->currentIndex());
    IniFile.WriteString(SectionFilter, QStringLiteral("Size"), EdSize->text());
    IniFile.WriteString(SectionFilter, QStringLiteral("Error"), EdMeasureError->text());
    IniFile.WriteString(SectionFilter, QStringLiteral("Speed"), EdMeasureSpeed->text());
}

void TFilterForm::ButOkClick()
{
    if (CheckFilter())
        accept();
}

bool TFilterForm::CheckFilter()
{
    fLastError.clear();
    switch (PageControl->currentIndex()) {
    case 0: {
        const int size = int(ToInt64Def(EdSize->text().trimmed(), 0));
        if (size < 3)
            return Refuse(EdSize, QStringLiteral("Window size too small"));
        // The median keeps at most this many values; a larger window would
        // pass the dialog only to fail when the filter is made.
        if (size > TMedian::MaxSize)
            return Refuse(EdSize, QStringLiteral("Window size too large [%1], max=%2").arg(size).arg(TMedian::MaxSize));
        return true;
    }
    case 1: {
        const double err = FilterFieldNumber(EdMeasureError->text());
        // A zero or negative error makes the estimator divide by zero or diverge.
        if (err <= 0)
            return Refuse(EdMeasureError, QStringLiteral("Error too small [") + FloatToStrN(err, 2) + u']');
        const double speed = FilterFieldNumber(EdMeasureSpeed->text());
        if (speed < 0.01)
            return Refuse(EdMeasureSpeed, QStringLiteral("Speed too small [") + FloatToStrN(speed, 2) + u']');
        if (speed > 1)
            return Refuse(EdMeasureSpeed, QStringLiteral("Speed too large [") + FloatToStrN(speed, 2) + u']');
        return true;
    }
    default:
        return Refuse(EdSize, QStringLiteral("Unknow filter [%1]").arg(PageControl->currentIndex()));
    }
}

bool TFilterForm::Refuse(QLineEdit *field, const QString &message)
{
    fLastError = message;
    // The flash runs on its timer beside the warning, so nothing waits here.
    FlashControl(field);
    QMessageBox::warning(this, QStringLiteral("Error"), message);
    field->setFocus();
    return false;
}

std::unique_ptr<TLocationFilter> TFilterForm::CreateFilter() const
{
    switch (PageControl->currentIndex()) {
    case 0:
        return std::make_unique<TMedianFilter>(int(ToInt64Def(EdSize->text().trimmed(), 0)));
    case 1:
        return std::make_unique<TKalmanFilter>(FilterFieldNumber(EdMeasureError->text()),
                                               FilterFieldNumber(EdMeasureSpeed->text()));
    default:
        throw EZtError(QStringLiteral("Unknow filter [%1]").arg(PageControl->currentIndex()));
    }
}

int TFilterForm::GetTrackStyle() const { return CbTrackStyle->currentIndex(); }
