#include "CalculatorForm.h"

#include "FormTranslate.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

TCalculatorForm::TCalculatorForm(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("CalculatorForm"));
    setWindowTitle(QStringLiteral("Calculator"));
    // Closed, it goes with its points: the next "Calculator [+]" starts afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    PointList = new QTreeWidget(this);
    PointList->setObjectName(QStringLiteral("PointList"));
    PointList->setRootIsDecorated(false);
    PointList->setHeaderLabels({QStringLiteral("time"), QStringLiteral("lat"), QStringLiteral("lon"), QStringLiteral("alt"),
                                QStringLiteral("acc")});
    auto *lbl = new QLabel(QStringLiteral("Distance:"), this);
    lbl->setObjectName(QStringLiteral("LblDistanceCaption"));
    LblDistance = new QLabel(this);
    LblDistance->setObjectName(QStringLiteral("LblDistance"));
    auto *row = new QHBoxLayout;
    row->addWidget(lbl);
    row->addWidget(LblDistance, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(PointList);
    lay->addLayout(row);
    resize(480, 140);
    TranslateForm(this);
}

void TCalculatorForm::AppendPoint(const TTrackPointInfo &aTrackPoint)
{
    while (fPoints.size() > 1)
        fPoints.pop_front();
    fPoints.emplace_back(aTrackPoint);
    PointList->clear();
    for (const TTrackPointInfo &p : fPoints)
        PointList->addTopLevelItem(new QTreeWidgetItem({FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), p.obj_dt),
                                                        FloatToStrN(p.lat, 6), FloatToStrN(p.lon, 6), FloatToStrN(p.alt, 0),
                                                        FloatToStrN(p.acc, 0)}));
    LblDistance->setText(DistanceText());
}

QString TCalculatorForm::DistanceText() const
{
    return fPoints.size() == 2 ? FloatToStrN(fPoints[0].DistanceTo(fPoints[1]), 2) : QString();
}
