#include "OSM.MapMarkList.h"

#include "OSM.MapControl.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

bool SameCoord(double a, double b)
{
    const double tol = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-12, 1e-12);
    return std::fabs(a - b) <= tol;
}

} // namespace

TMapMarkList::TMapMarkList(TMapControl *Map)
    : FMap(Map)
{}

TMapMarkList::~TMapMarkList() = default;

void TMapMarkList::BeginUpdate()
{
    ++FUpdateCount;
}

void TMapMarkList::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0 && FMap)
        FMap->Invalidate();
}

void TMapMarkList::Changed()
{
    if (FUpdateCount == 0 && FMap)
        FMap->Invalidate();
}

TMapMark *TMapMarkList::Get(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("TMapMarkList::Get: index out of range");
    return At(Index);
}

int TMapMarkList::Find(const TGeoPoint &GeoCoords, bool, int StartIndex) const
{
    for (int i = std::max(StartIndex, 0); i < Count(); ++i) {
        const TGeoPoint &c = At(i)->Coord;
        if (SameCoord(c.Long, GeoCoords.Long) && SameCoord(c.Lat, GeoCoords.Lat))
            return i;
    }
    return -1;
}

int TMapMarkList::Find(const TGeoRect &GeoRect, bool, int StartIndex) const
{
    for (int i = std::max(StartIndex + 1, 0); i < Count(); ++i)
        if (GeoRect.Contains(At(i)->Coord))
            return i;
    return -1;
}

std::unique_ptr<TMapMark> TMapMarkList::NewItem() const
{
    auto m = std::make_unique<TMapMark>();
    m->Visible = true;
    if (FMap) {
        m->GlyphStyle = FMap->MapMarkGlyphStyle;
        m->CaptionStyle = FMap->MapMarkCaptionStyle;
    }
    return m;
}

TMapMark *TMapMarkList::Add(const TGeoPoint &GeoCoords, const QString &Caption, uint8_t Layer)
{
    auto m = NewItem();
    m->Coord = GeoCoords;
    m->Caption = Caption;
    m->Layer = Layer;
    return Add(std::move(m));
}

TMapMark *TMapMarkList::Add(std::unique_ptr<TMapMark> MapMark)
{
    if (!MapMark)
        return nullptr;
    // Before every mark of the same layer: newest first within a layer. In
    // the reversed store that is after them, before the first lower layer.
    const auto at = std::partition_point(FList.begin(), FList.end(),
                                         [&](const auto &m) { return m->Layer >= MapMark->Layer; });
    TMapMark *raw = MapMark.get();
    FList.insert(at, std::move(MapMark));
    if (OnItemNotify)
        OnItemNotify(this, raw, TMapMarkAction::mmaAdded);
    Changed();
    return raw;
}

void TMapMarkList::Delete(TMapMark *MapMark)
{
    const auto it = std::find_if(FList.begin(), FList.end(), [&](const auto &m) { return m.get() == MapMark; });
    if (it == FList.end())
        return;
    if (OnItemNotify)
        OnItemNotify(this, MapMark, TMapMarkAction::mmaDeleted);
    FList.erase(it);
    Changed();
}

void TMapMarkList::DeleteIf(const std::function<bool(const TMapMark &)> &Pick)
{
    // The storage runs from the last mark to the first.
    std::vector<char> gone(FList.size());
    bool any = false;
    for (size_t i = 0; i < FList.size(); ++i)
        any |= (gone[i] = Pick(*FList[i]) ? 1 : 0) != 0;
    if (!any)
        return;
    if (OnItemNotify)
        for (size_t i = 0; i < FList.size(); ++i)
            if (gone[i])
                OnItemNotify(this, FList[i].get(), TMapMarkAction::mmaDeleted);
    size_t kept = 0;
    for (size_t i = 0; i < FList.size(); ++i)
        if (!gone[i])
            FList[kept++] = std::move(FList[i]);
    FList.resize(kept);
    Changed();
}

void TMapMarkList::Clear()
{
    if (OnItemNotify)
        for (auto it = FList.rbegin(); it != FList.rend(); ++it)
            OnItemNotify(this, it->get(), TMapMarkAction::mmaDeleted);
    FList.clear();
    Changed();
}
