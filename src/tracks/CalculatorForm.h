#pragma once

// The "Calculator": the distance between two track points chosen in the dump
// window. Holds copies of at most two points.

#include "OSM.TrackPointInfo.h"

#include <QWidget>

#include <deque>

class QLabel;
class QTreeWidget;

class TCalculatorForm : public QWidget
{
    Q_OBJECT
public:
    explicit TCalculatorForm(QWidget *parent = nullptr);

    // Keeps the newest point before this one and appends a copy.
    void AppendPoint(const TTrackPointInfo &aTrackPoint);
    int PointCount() const { return int(fPoints.size()); }
    QString DistanceText() const;

    QTreeWidget *PointList = nullptr;
    QLabel *LblDistance = nullptr;

private:
    std::deque<TTrackPointInfo> fPoints;
};
