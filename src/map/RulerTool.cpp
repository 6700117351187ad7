#include "RulerTool.h"

#include "geo_utils.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

void TRulerTool::Start()
{
    FOn = true;
    FPoints.clear();
    FPointer = QPoint();
    SetCursor(Qt::CrossCursor);
    Repaint();
}

void TRulerTool::Stop()
{
    if (!FOn)
        return;
    FOn = false;
    FPoints.clear();
    SetCursor(std::nullopt);
    Repaint();
}

bool TRulerTool::Press(const TMapToolEvent &Event)
{
    if (Event.Button != Qt::LeftButton)
        return false;
    FPoints << View().ViewToGeo(Event.Pos);
    FPointer = Event.Pos;
    Repaint();
    return true;
}

bool TRulerTool::Move(const TMapToolEvent &Event)
{
    FPointer = Event.Pos;
    if (!FPoints.isEmpty())
        Repaint();
    return false; // the map's own dragging goes on
}

bool TRulerTool::Key(const TMapToolEvent &Event)
{
    if (Event.Key == Qt::Key_Escape) {
        Stop();
        return true;
    }
    if (Event.Key == Qt::Key_Backspace) {
        if (!FPoints.isEmpty())
            FPoints.removeLast();
        Repaint();
        return true;
    }
    return false;
}

double TRulerTool::Length() const
{
    double sum = 0;
    for (int i = 1; i < FPoints.size(); ++i)
        sum += GeoDistance(FPoints[i - 1], FPoints[i]);
    return sum;
}

QString TRulerTool::Label(const TGeoPoint &Pointer) const
{
    if (FPoints.isEmpty())
        return QString();
    double length = Length();
    TGeoPoint from = FPoints.size() > 1 ? FPoints[FPoints.size() - 2] : FPoints.last();
    TGeoPoint to = FPoints.last();
    if (Pointer.IsValid() && (Pointer.Lat != to.Lat || Pointer.Long != to.Long)) {
        length += GeoDistance(to, Pointer);
        from = to;
        to = Pointer;
    }
    const double bearing = InitialBearing(from, to);
    QString text = DistanceText(length);
    if (!std::isnan(bearing))
        text += QStringLiteral(", %1°").arg(int(std::lround(bearing)) % 360);
    return text;
}

void TRulerTool::PaintFeedback(QPainter &Canvas, const TMapView &View)
{
    if (FPoints.isEmpty())
        return;
    QPolygon line;
    for (const TGeoPoint &g : std::as_const(FPoints)) {
        try {
            line << View.GeoToView(g);
        } catch (const std::exception &) {
            // a point of the map is always on it; nothing to draw otherwise
        }
    }
    TGeoPoint pointer;
    if (!FPointer.isNull() && View.ViewArea().contains(FPointer)) {
        pointer = View.ViewToGeo(FPointer);
        line << FPointer;
    }
    Canvas.save();
    Canvas.setRenderHint(QPainter::Antialiasing, true);
    Canvas.setPen(QPen(QColor(255, 255, 255, 200), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Canvas.drawPolyline(line);
    Canvas.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    Canvas.drawPolyline(line);
    Canvas.setBrush(Qt::white);
    for (int i = 0; i < FPoints.size() && i < line.size(); ++i)
        Canvas.drawEllipse(line[i], 3, 3);
    // The label beside the pointer (or the last point), on a light box.
    const QString text = Label(pointer);
    const QPoint at = (pointer.IsValid() ? FPointer : line.last()) + QPoint(14, 18);
    const QFontMetrics fm(Canvas.font());
    const QRect box = fm.boundingRect(text).translated(at).adjusted(-4, -2, 4, 2);
    Canvas.setPen(QColor(90, 90, 90));
    Canvas.setBrush(QColor(255, 255, 240, 230));
    Canvas.drawRect(box);
    Canvas.setPen(Qt::black);
    Canvas.drawText(at, text);
    Canvas.restore();
}
