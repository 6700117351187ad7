#pragma once

// The compact status picture of an object row: alarm bar, trip bar, a clock
// coloured by the age of the last report and a battery gauge. Pure painting
// on a QPainter, so that it can be drawn into any image and checked there.

#include "ZtDates.h"

#include <QColor>
#include <QRect>

class QPainter;
class TObjectInfo;

struct TObjStatusColors
{
    QColor Window;   // clWin: empty battery body and a stale clock
    QColor Outline;  // clTxt, or clTxtSel for a selected row
};

// Clock colour for a report Minutes old; Window for a day or more.
QColor ObjStatusClockColor(qint64 Minutes, const QColor &Window);
// Battery fill width (16, 12, 8, 4 or 0) and colour for a percentage.
int ObjStatusBatteryWidth(int Bat, QColor *Color = nullptr);

// Paints the picture into Cell (the row's cell rectangle). Draws nothing for
// an object without a last point or without a service time. Now is the
// local present, passed in so that the age is testable.
void PaintObjectStatus(QPainter &Painter, const QRect &Cell, const TObjectInfo &Obj,
                       const TObjStatusColors &Colors, TDateTime Now);
