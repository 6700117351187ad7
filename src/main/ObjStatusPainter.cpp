#include "ObjStatusPainter.h"

#include "OSM.ObjectInfo.h"

#include <QPainter>
#include <QPolygon>

#include <cmath>

namespace {
// The picture is specified in the GDI manner: rectangles exclude their right
// and bottom edges, outlines are 1-pixel pens drawn inside the rectangle.
void gdiFill(QPainter &p, int x1, int y1, int x2, int y2, const QColor &c)
{
    if (x2 > x1 && y2 > y1)
        p.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), c);
}

void gdiRectangle(QPainter &p, int x1, int y1, int x2, int y2, const QColor &pen, const QColor &brush)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    gdiFill(p, x1, y1, x2, y2, brush);
    p.setPen(QPen(pen, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}
} // namespace

QColor ObjStatusClockColor(qint64 Minutes, const QColor &Window)
{
    if (Minutes < 30)
        return QColor(0, 128, 0);
    if (Minutes < 60)
        return QColor(0, 0, 255);
    if (Minutes < 1440)
        return QColor(128, 128, 128);
    return Window;
}

int ObjStatusBatteryWidth(int Bat, QColor *Color)
{
    QColor c;
    int w = 0;
    if (Bat >= 75) {
        w = 16;
        c = QColor(0, 128, 0);
    } else if (Bat >= 50) {
        w = 12;
        c = QColor(0, 0, 255);
    } else if (Bat >= 25) {
        w = 8;
        c = QColor(255, 165, 0);
    } else if (Bat >= 1) {
        w = 4;
        c = QColor(255, 0, 0);
    }
    if (Color)
        *Color = c;
    return w;
}

void PaintObjectStatus(QPainter &p, const QRect &Cell, const TObjectInfo &Obj, const TObjStatusColors &Colors,
                       TDateTime Now)
{
    if (!Obj.last_point)
        return;
    const double sysDt = Obj.last_point->sys_dt;
    if (std::isnan(sysDt) || sysDt == 0)
        return;

    const int L = Cell.left();
    const int T = Cell.top();
    const int R = Cell.left() + Cell.width();
    const int B = Cell.top() + Cell.height();
    const int H = B - T;

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);

    // 1. Alarm bar.
    if (!Obj.alarms.empty())
        gdiFill(p, L + 0, T + 4, L + 3, T + H - 4, QColor(255, 0, 0));
    // 2. Trip bar: grey while planned, navy while running.
    if (Obj.trip_id > 0 && static_cast<quint32>(Obj.trip_status) < 2)
        gdiFill(p, L + 4, T + 4, L + 7, T + H - 4,
                Obj.trip_status == 0 ? QColor(128, 128, 128) : QColor(0, 0, 128));

    // 3. Age of the report.
    const double ageMin = (Now - sysDt) * 24 * 60;
    // Date-times are fractions of days: a report exactly 60 minutes old comes
    // out as 59.99999..., so a microsecond's tolerance keeps whole minutes whole.
    const qint64 minutes = std::isfinite(ageMin) ? static_cast<qint64>(std::trunc(ageMin + 1e-6)) : 0;
    const QColor clock = ObjStatusClockColor(minutes, Colors.Window);

    // 4. Clock face and hands.
    p.setPen(QPen(Colors.Outline, 1));
    p.setBrush(clock);
    p.drawRoundedRect(QRect(R - 18, T + H / 2 + 1, 17 - 1, (B - 2) - (T + H / 2 + 1) - 1), 2, 2);
    p.setBrush(Qt::NoBrush);
    const QPoint hands[] = {QPoint(R - 10, T + H / 2 + 3), QPoint(R - 10, T + H / 2 + H / 4 + 1),
                            QPoint(R - 5, T + H / 2 + H / 4 + 4)};
    p.drawPolyline(hands, 3);

    // 5. Battery outline with its terminal at the left.
    p.setPen(QPen(Colors.Outline, 1));
    p.setBrush(Colors.Window);
    const QPoint body[] = {QPoint(R - 18, T + 2),         QPoint(R - 2, T + 2),
                           QPoint(R - 2, T + H / 2 - 1),  QPoint(R - 18, T + H / 2 - 1),
                           QPoint(R - 18, T + H / 2 - 4), QPoint(R - 20, T + H / 2 - 4),
                           QPoint(R - 20, T + 5),         QPoint(R - 18, T + 5),
                           QPoint(R - 18, T + 2)};
    gdiFill(p, R - 17, T + 3, R - 2, T + H / 2 - 1, Colors.Window);
    gdiFill(p, R - 19, T + 6, R - 16, T + H / 2 - 4, Colors.Window);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(body, 9);

    if (minutes >= 1440) {
        // 6. A report a day old says nothing about the battery: empty it.
        gdiFill(p, R - 17, T + 3, R - 2, T + H / 2 - 1, Colors.Window);
        gdiFill(p, R - 19, T + 6, R - 16, T + H / 2 - 4, Colors.Window);
        p.restore();
        return;
    }

    // 7. Level.
    QColor level;
    const int W = ObjStatusBatteryWidth(Obj.last_point->bat, &level);
    if (W > 0) {
        gdiRectangle(p, R - W - 1, T + 3, R - 2, T + H / 2 - 1, level, level);
        if (W == 16)
            gdiRectangle(p, R - 19, T + 6, R - 16, T + H / 2 - 4, level, level);
    }
    p.restore();
}
