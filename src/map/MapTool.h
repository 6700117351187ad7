#pragma once

#include "MapView.h"

#include <QRegion>

#include <optional>

class QPainter;

// A mouse or key event as a tool sees it: no widget needed, so tests drive
// tools with plain values.
struct TMapToolEvent
{
    QPoint Pos; // view pixels
    Qt::MouseButton Button = Qt::NoButton; // the button that changed
    Qt::MouseButtons Buttons = Qt::NoButton; // held now
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    int Key = 0; // key events
};

// What a tool needs of the map it works on.
class TMapToolHost
{
public:
    virtual ~TMapToolHost() = default;
    virtual TMapView View() const = 0;
    // Area: view pixels; empty: the whole view.
    virtual void Repaint(const QRegion &Area = QRegion()) = 0;
    // Null: the map's own cursor.
    virtual void SetToolCursor(std::optional<Qt::CursorShape> Shape) = 0;
    // Whether the map itself is being dragged.
    virtual bool MapDragging() const = 0;
};

// Something the user does on the map with the mouse and keys: edit a zone,
// pick a point, measure. The map offers a press, a release or a key to its
// active tools first (the newest first) and does its own handling only when
// none takes it; a move goes to the map's own dragging first and then to the
// tools. A tool draws its feedback above every layer.
class TMapTool
{
public:
    virtual ~TMapTool() = default;

    void SetHost(TMapToolHost *Host) { FHost = Host; }
    TMapToolHost *Host() const { return FHost; }

    // Whether the tool takes events now.
    virtual bool Active() const = 0;
    // Each returns true when the tool took the event.
    virtual bool Press(const TMapToolEvent &) { return false; }
    virtual bool Move(const TMapToolEvent &) { return false; }
    virtual bool Release(const TMapToolEvent &) { return false; }
    virtual bool Key(const TMapToolEvent &) { return false; }
    virtual void PaintFeedback(QPainter &, const TMapView &) {}

protected:
    TMapView View() const { return FHost ? FHost->View() : TMapView(); }
    void Repaint(const QRegion &Area = QRegion()) const
    {
        if (FHost)
            FHost->Repaint(Area);
    }
    void SetCursor(std::optional<Qt::CursorShape> Shape) const
    {
        if (FHost)
            FHost->SetToolCursor(Shape);
    }

private:
    TMapToolHost *FHost = nullptr;
};
