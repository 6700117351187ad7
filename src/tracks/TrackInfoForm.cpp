#include "TrackInfoForm.h"

#include "FormTranslate.h"
#include "OSM.GeoTrack.h"
#include "TrackPathForm.h"
#include "ZtUtils.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>

namespace {
QString Corner(double lat, double lon) { return FloatToStrN(lat, 4) + u',' + FloatToStrN(lon, 4); }
} // namespace

TTrackInfoForm::TTrackInfoForm(TAddressCache *Cache, QWidget *PathParent, QWidget *parent)
    : TTrackPopupForm(parent), fCache(Cache), fPathParent(PathParent)
{
    setObjectName(QStringLiteral("TrackInfoForm"));
    setWindowTitle(QStringLiteral("Track Info"));
    List->horizontalHeader()->hide();
    List->setHorizontalHeaderLabels({QStringLiteral("Sign"), QStringLiteral("Val")});
    TranslateForm(this);
}

void TTrackInfoForm::Fill(const TGeoTrack &aTrack)
{
    fTrack = &aTrack;
    List->setRowCount(0);
    const TGeoTrackInfo &i = aTrack.Info();
    const int n = int(aTrack.Points().size());
    if (!aTrack.ObjId().isEmpty())
        AddRow(QStringLiteral("object_id"), aTrack.ObjId());
    AddRow(QStringLiteral("sign"), aTrack.Sign());
    AddRow(QStringLiteral("points"), QString::number(n));
    if (i.GoodPointsCount != n)
        AddRow(QStringLiteral("gps_points"), QString::number(i.GoodPointsCount));
    if (i.ParkPointsCount > 0) {
        AddRow(QStringLiteral("park_points"), QString::number(i.ParkPointsCount));
        AddRow(QStringLiteral("parkings"), QString::number(i.ParkingCount));
    }
    AddRow(QStringLiteral("distance"), FloatToStrN(i.Distance / 1000, 3));
    if (i.StepCounter > 0)
        AddRow(QStringLiteral("step_count"), QString::number(i.StepCounter));
    if (i.AvgHeartRate > 0)
        AddRow(QStringLiteral("heart_rate"), QStringLiteral("%1/%2/%3").arg(i.MinHeartRate).arg(i.MaxHeartRate).arg(i.AvgHeartRate));
    const int d = i.GpsDuration;
    AddRow(QStringLiteral("duration"), QString::asprintf("%.2d:%.2d:%.2d", d / 3600, d / 60 % 60, d % 60));
    AddRow(QStringLiteral("avg_speed"), FloatToStrN(d > 0 ? i.Distance / d * 3.6 : 0, 2));
    AddRow(QStringLiteral("nw_coords"), Corner(i.GeoRect.TopLeft.Lat, i.GeoRect.TopLeft.Long));
    AddRow(QStringLiteral("se_coords"), Corner(i.GeoRect.BottomRight.Lat, i.GeoRect.BottomRight.Long));
    AddRow(QStringLiteral("center_point"), Corner(i.CenterPoint.Lat, i.CenterPoint.Long));
    AddRow(QStringLiteral("size"), FloatToStrN(i.Width, 2) + u'x' + FloatToStrN(i.Height, 2));
    SbPath = nullptr;
    if (i.AddressCount > 0) {
        const int r = AddRow(QStringLiteral("addr_points"), QString::number(i.AddressCount));
        // The path button sits at the right edge of the value cell.
        auto *cell = new QWidget;
        auto *lay = new QHBoxLayout(cell);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->addStretch();
        SbPath = new QToolButton(cell);
        SbPath->setObjectName(QStringLiteral("SbPath"));
        SbPath->setText(QStringLiteral("..."));
        SbPath->setFixedWidth(24);
        lay->addWidget(SbPath);
        List->setCellWidget(r, 1, cell);
        connect(SbPath, &QToolButton::clicked, this, &TTrackInfoForm::ShowPath);
    }
}

void TTrackInfoForm::ShowTrackInfo(const TGeoTrack *aTrack)
{
    if (!aTrack)
        return;
    Fill(*aTrack);
    ShowFitted();
}

void TTrackInfoForm::ShowPath()
{
    if (!fTrack)
        return;
    // While the path window shows, this one has lost the focus but must
    // stay: the path window holds its track and returns here.
    QPointer<TTrackInfoForm> self(this);
    SetHeld(true);
    {
        TTrackPathForm path(fCache, fPathParent);
        if (SbPath)
            path.move(SbPath->mapToGlobal(QPoint(0, SbPath->height())));
        path.ShowPath(*fTrack);
    }
    if (self)
        SetHeld(false);
}
