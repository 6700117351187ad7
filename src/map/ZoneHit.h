#pragma once

#include <QtGlobal>

// Where a view point lies on a zone. The integer codes are those the log
// and the commands have always carried: -1 none, 1 centre, 2 rim, 9 inside,
// 100 + i node i, 200 + i the edge ending at node i; from node 100 on,
// where those would collide, NodeHitBase + i and EdgeHitBase + i.
struct TZoneHit
{
    enum TKind : quint8 { None, Centre, Rim, Inside, Node, Edge };
    TKind Kind = None;
    int Index = -1; // the node, or the node the edge ends at

    static constexpr int NodeHitBase = 1000000;
    static constexpr int EdgeHitBase = 2000000;

    static TZoneHit AtNode(int i) { return {Node, i}; }
    static TZoneHit AtEdge(int i) { return {Edge, i}; }

    bool IsHandle() const { return Kind == Centre || Kind == Rim || Kind == Node; }
    bool operator==(const TZoneHit &) const = default;

    int Code() const
    {
        switch (Kind) {
        case Centre:
            return 1;
        case Rim:
            return 2;
        case Inside:
            return 9;
        case Node:
            return Index < 100 ? 100 + Index : NodeHitBase + Index;
        case Edge:
            return Index < 100 ? 200 + Index : EdgeHitBase + Index;
        case None:
            break;
        }
        return -1;
    }

    static TZoneHit FromCode(int Code)
    {
        if (Code == 1)
            return {Centre, -1};
        if (Code == 2)
            return {Rim, -1};
        if (Code == 9)
            return {Inside, -1};
        if (Code >= EdgeHitBase)
            return AtEdge(Code - EdgeHitBase);
        if (Code >= NodeHitBase)
            return AtNode(Code - NodeHitBase);
        if (Code >= 100 && Code < 200)
            return AtNode(Code - 100);
        if (Code >= 200 && Code < 300)
            return AtEdge(Code - 200);
        return {};
    }
};
