#pragma once

#include "OSM.MapMark.h"

#include <functional>
#include <memory>
#include <vector>

class TMapControl;

enum class TMapMarkAction : uint8_t { mmaAdded, mmaExtracted, mmaDeleted };

// The marks of one map, sorted by layer (lowest first, newest first within a
// layer): the list order is the drawing order. Owns its marks.
class TMapMarkList
{
public:
    using TOnItemNotify = std::function<void(TMapMarkList *Sender, TMapMark *Item, TMapMarkAction Action)>;

    explicit TMapMarkList(TMapControl *Map);
    ~TMapMarkList();

    void BeginUpdate();
    void EndUpdate();

    int Count() const { return int(FList.size()); }
    // Throws std::out_of_range for a bad index.
    TMapMark *Get(int Index) const;

    // The first mark at these coordinates (within 1e-12 relative), searching
    // from StartIndex (-1: from the start); -1 when none.
    int Find(const TGeoPoint &GeoCoords, bool ConsiderMapMarkSize = false, int StartIndex = -1) const;
    // The first mark inside the rectangle after StartIndex; -1 when none.
    int Find(const TGeoRect &GeoRect, bool ConsiderMapMarkSize = false, int StartIndex = -1) const;

    // A visible mark with the map's default styles, not yet in the list.
    std::unique_ptr<TMapMark> NewItem() const;
    TMapMark *Add(const TGeoPoint &GeoCoords, const QString &Caption, uint8_t Layer = 0);
    TMapMark *Add(std::unique_ptr<TMapMark> MapMark);
    // Removes and destroys that mark; a mark not in the list is ignored.
    void Delete(TMapMark *MapMark);
    // Removes and destroys every mark Pick chooses, in one pass: the notices
    // go out in the order deleting them one by one from the last would give.
    void DeleteIf(const std::function<bool(const TMapMark &)> &Pick);
    void Clear();

    TOnItemNotify OnItemNotify;

private:
    void Changed();
    TMapMark *At(int Index) const { return FList[FList.size() - 1 - size_t(Index)].get(); }

    TMapControl *FMap;
    // Stored back to front (highest layer first, oldest first within a
    // layer), so that adding to the lowest layer, as every object marker
    // does, is an append rather than a shift of the whole list.
    std::vector<std::unique_ptr<TMapMark>> FList;
    int FUpdateCount = 0;
};
