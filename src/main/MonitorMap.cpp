#include "MonitorMap.h"

#if __has_include("OSM.ZtMapControl.h")
#include "OSM.GeoTrack.h"
#include "OSM.ZtMapControl.h"

#include <QLayout>

#include <algorithm>
#include <cmath>

TMonitorMap::TMonitorMap(QWidget *Parent, qint64 CacheSize, const QString &CachePath)
{
    fCtrl = new TZtMapControl(Parent, static_cast<uint32_t>(std::clamp<qint64>(CacheSize, 0, UINT32_MAX)), CachePath);
    fCtrl->setObjectName(QStringLiteral("MapCtrl"));
    fCtrl->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    if (Parent && Parent->layout())
        Parent->layout()->addWidget(fCtrl);
}

TMonitorMap::~TMonitorMap() { delete fCtrl; }

QWidget *TMonitorMap::Widget() const { return fCtrl; }
void TMonitorMap::SetLogCallback(const TLogCallback &Log) { fCtrl->SetLogCallback(Log); }
int TMonitorMap::Zoom() const { return fCtrl->Zoom(); }
void TMonitorMap::SetCenter(int Zoom, double Lat, double Lon) { fCtrl->SetCenter(Zoom, Lat, Lon); }

QPointF TMonitorMap::Center() const
{
    const TGeoPoint c = fCtrl->CenterPoint();
    return QPointF(c.Long, c.Lat);
}

int TMonitorMap::MarkCount() const { return fCtrl->MapMarks().Count(); }

TObjectInfo *const *TMonitorMap::MarkCell(int Index) const
{
    return static_cast<TObjectInfo *const *>(fCtrl->MapMarks().Get(Index)->Data);
}

QPointF TMonitorMap::MarkCoord(int Index) const
{
    const TGeoPoint c = fCtrl->MapMarks().Get(Index)->Coord;
    return QPointF(c.Long, c.Lat);
}

int TMonitorMap::FindMark(double Lat, double Lon) const
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return -1;
    return fCtrl->MapMarks().Find(TGeoPoint{Lon, Lat});
}

int TMonitorMap::AddObjectMark(double Lat, double Lon, TObjectInfo *const *Cell)
{
    TMapMark *mark = fCtrl->SetMark(fCtrl->Zoom(), Lat, Lon);
    if (!mark)
        return -1;
    mark->Data = const_cast<TObjectInfo **>(Cell);
    for (int i = 0; i < fCtrl->MapMarks().Count(); ++i)
        if (fCtrl->MapMarks().Get(i) == mark)
            return i;
    return -1;
}

void TMonitorMap::MoveMark(int Index, double Lat, double Lon)
{
    fCtrl->MapMarks().Get(Index)->Coord = TGeoPoint{Lon, Lat};
}

void TMonitorMap::DeleteMark(int Index) { fCtrl->MapMarks().Delete(fCtrl->MapMarks().Get(Index)); }

void TMonitorMap::ClearObjectMarks()
{
    // Only markers made for objects carry a data cell.
    for (int i = fCtrl->MapMarks().Count() - 1; i >= 0; --i)
        if (fCtrl->MapMarks().Get(i)->Data)
            fCtrl->MapMarks().Delete(fCtrl->MapMarks().Get(i));
}

void TMonitorMap::ClearTracks()
{
    fCtrl->GeoTracks().clear();
    fCtrl->InvalidateTracks();
}

void TMonitorMap::Repaint() { fCtrl->update(); }

#else

#include <QVBoxLayout>
#include <QWidget>

#include <cmath>
#include <vector>

// Until the monitoring map layer is in the tree, a plain panel stands in and
// keeps the markers as data, so that the object list works the same way.
class TZtMapControl : public QWidget
{
public:
    using QWidget::QWidget;
    struct Mark
    {
        double Lat, Lon;
        TObjectInfo *const *Cell;
    };
    std::vector<Mark> Marks;
    int Zoom = 0;
    double Lat = 0, Lon = 0;
};

TMonitorMap::TMonitorMap(QWidget *Parent, qint64, const QString &)
{
    fCtrl = new TZtMapControl(Parent);
    fCtrl->setObjectName(QStringLiteral("MapCtrl"));
    if (Parent && Parent->layout())
        Parent->layout()->addWidget(fCtrl);
}

TMonitorMap::~TMonitorMap() { delete fCtrl; }

QWidget *TMonitorMap::Widget() const { return fCtrl; }
void TMonitorMap::SetLogCallback(const TLogCallback &) {}
int TMonitorMap::Zoom() const { return fCtrl->Zoom; }

void TMonitorMap::SetCenter(int Zoom, double Lat, double Lon)
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return;
    fCtrl->Zoom = Zoom;
    fCtrl->Lat = Lat;
    fCtrl->Lon = Lon;
}

QPointF TMonitorMap::Center() const { return QPointF(fCtrl->Lon, fCtrl->Lat); }
int TMonitorMap::MarkCount() const { return static_cast<int>(fCtrl->Marks.size()); }
TObjectInfo *const *TMonitorMap::MarkCell(int Index) const { return fCtrl->Marks.at(static_cast<size_t>(Index)).Cell; }

QPointF TMonitorMap::MarkCoord(int Index) const
{
    const auto &m = fCtrl->Marks.at(static_cast<size_t>(Index));
    return QPointF(m.Lon, m.Lat);
}

int TMonitorMap::FindMark(double Lat, double Lon) const
{
    for (size_t i = 0; i < fCtrl->Marks.size(); ++i)
        if (fCtrl->Marks[i].Lat == Lat && fCtrl->Marks[i].Lon == Lon)
            return static_cast<int>(i);
    return -1;
}

int TMonitorMap::AddObjectMark(double Lat, double Lon, TObjectInfo *const *Cell)
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return -1;
    SetCenter(fCtrl->Zoom, Lat, Lon);
    fCtrl->Marks.insert(fCtrl->Marks.begin(), {Lat, Lon, Cell});
    return 0;
}

void TMonitorMap::MoveMark(int Index, double Lat, double Lon)
{
    auto &m = fCtrl->Marks.at(static_cast<size_t>(Index));
    m.Lat = Lat;
    m.Lon = Lon;
}

void TMonitorMap::DeleteMark(int Index) { fCtrl->Marks.erase(fCtrl->Marks.begin() + Index); }
void TMonitorMap::ClearObjectMarks() { fCtrl->Marks.clear(); }
void TMonitorMap::ClearTracks() {}
void TMonitorMap::Repaint() { fCtrl->update(); }
#endif
