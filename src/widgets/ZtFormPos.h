#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <stdexcept>

class QWidget;

// Raised by SetFormPosition for a style it does not know.
class TFormPositionError : public std::invalid_argument
{
public:
    explicit TFormPositionError(const QString &message)
        : std::invalid_argument(message.toStdString()), fMessage(message) {}
    QString Message() const { return fMessage; }
private:
    QString fMessage;
};

// Styles of SetFormPosition.
enum TFormPositionStyle {
    fpsAtCursor = 0,        // top-left corner at the mouse cursor
    fpsCenterThird = 1,     // centred horizontally, at a third of the free height
    fpsBottomRight = 2,     // bottom right corner of the work area
    fpsOverActiveWindow = 3 // offset from the active window by a third of the size difference
};

// The work area (screen without task bars) of the screen that holds pt.
QRect WorkAreaAt(const QPoint &pt);

// Moves a top-level window so that it lies inside the work area: a window
// larger than the area keeps its top-left corner inside.
void PushIntoWorkArea(QWidget *form, const QRect &workArea);

// Puts the window's top-left corner at the mouse cursor (or its centre there,
// along the axes asked for), then pushes it inside that screen's work area.
void PlaceFormAtCursor(QWidget *form, bool centerHorz = false, bool centerVert = false);

// Places a window by style (TFormPositionStyle); any other style throws
// TFormPositionError "SetFormPosition: Unknow form position style (<style>)"
// and leaves the window where it was.
void SetFormPosition(QWidget *form, int style);
