#pragma once

#include "MapView.h"

#include <QRegion>

#include <functional>

class QPainter;

// One thing drawn on the map: tiles lie below all layers, the attribution
// and the scale bar above them; the map control paints its layers in list
// order. A layer paints into any painter through a view, so the same layer
// draws the widget, an image or a page.
class TMapLayer
{
public:
    // Area: the view pixels a change touched; empty: the whole view.
    using TOnChanged = std::function<void(const QRegion &Area)>;

    virtual ~TMapLayer() = default;

    virtual void Paint(QPainter &Canvas, const TMapView &View) = 0;
    // Whether the view point lies on something the layer drew.
    virtual bool HitTest(const QPoint &, const TMapView &) const { return false; }

    // The host's repaint: a layer reports what its changes touched.
    void SetOnChanged(TOnChanged Cb) { FOnChanged = std::move(Cb); }

protected:
    void Changed(const QRegion &Area = QRegion()) const
    {
        if (FOnChanged)
            FOnChanged(Area);
    }

private:
    TOnChanged FOnChanged;
};
