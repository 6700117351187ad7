#pragma once

#include "OSM.SlippyMapUtils.h"

#include <cstdint>
#include <deque>

// One level of the tile storage: a first-in first-out list of tiles, each
// charged a byte size, bounded by an optional entry count and a byte limit.
// Values are held by value (QImage, QByteArray are implicitly shared), so what
// Find hands out stays valid after the entry is evicted.
template <typename T>
class TTileObjectCache
{
public:
    // Capacity 0: no count limit.
    TTileObjectCache(uint32_t Capacity, uint32_t SizeLimit)
        : FCapacity(Capacity), FSizeLimit(SizeLimit)
    {}

    void Push(const TTile &Tile, const T &Obj, uint32_t Size)
    {
        if (FCapacity > 0 && FCache.size() >= FCapacity) {
            // Count limit: exactly one eviction; the byte limit is not consulted.
            Evict();
        } else {
            // An object larger than the whole limit empties the cache and is
            // still kept, so the caller's tile shows; the next push evicts it.
            while (!FCache.empty() && uint64_t(FTotalSize) + Size > FSizeLimit)
                Evict();
        }
        FCache.push_back(Entry{Tile, Obj, Size});
        FTotalSize += Size;
    }

    // The oldest entry of the tile, or nullptr. A hit does not refresh the entry.
    const T *Find(const TTile &Tile) const
    {
        for (const Entry &e : FCache)
            if (e.Tile.Zoom == Tile.Zoom && e.Tile.ParameterX == Tile.ParameterX
                && e.Tile.ParameterY == Tile.ParameterY)
                return &e.Obj;
        return nullptr;
    }

    // Drops every entry of the tile (used when its data proved bad).
    void Remove(const TTile &Tile)
    {
        for (auto it = FCache.begin(); it != FCache.end();) {
            if (it->Tile.Zoom == Tile.Zoom && it->Tile.ParameterX == Tile.ParameterX
                && it->Tile.ParameterY == Tile.ParameterY) {
                FTotalSize -= it->Size;
                it = FCache.erase(it);
            } else {
                ++it;
            }
        }
    }

    void Clear()
    {
        FCache.clear();
        FTotalSize = 0;
    }

    int Count() const { return int(FCache.size()); }
    uint32_t TotalSize() const { return FTotalSize; }
    uint32_t SizeLimit() const { return FSizeLimit; }
    uint32_t Capacity() const { return FCapacity; }

private:
    struct Entry
    {
        TTile Tile;
        T Obj;
        uint32_t Size;
    };

    void Evict()
    {
        FTotalSize -= FCache.front().Size;
        FCache.pop_front();
    }

    std::deque<Entry> FCache; // oldest first
    uint32_t FTotalSize = 0;
    uint32_t FCapacity;
    uint32_t FSizeLimit;
};
