#pragma once

// One track the user works with: the ordered points of one object, the way
// the map draws them, and the statistics computed from them (counts,
// distance, parkings, steps and heart rate, time ranges, extent). Also finds
// parkings and exports the track as CSV or GPX. Plain data: no widgets.

#include "OSM.SlippyMapUtils.h"
#include "OSM.TrackPointInfo.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <QString>

#include <cstdint>
#include <vector>

// A place where the object stood, found by MarkParking. It is drawn and
// listed beside the points but never is one: every point of a track is a
// message of the service.
struct TTrackParking
{
    TDateTime Start = NoDateTime; // object time of its first point
    TDateTime End = NoDateTime;   // and of its last
    TGeoPoint Center;             // middle of its points' extent
    int32_t Duration = 0;         // seconds
};

// How the map draws a track. Colours have red in the low byte.
struct TGeoTrackStyle
{
    QString Sign;
    int32_t PointSize = 16;
    int32_t LineWidth = 4;
    TColor PointColor = 0;
    TColor PointBgColor = 0;
    TColor PointWifiColor = 0;
    TColor PointWifiBgColor = 0;
    TColor LineColor = 0;
    TColor HighlightColor = 0;

    static TGeoTrackStyle CreateNew(const QString &aSign, int32_t aPointSize, int32_t aLineWidth,
                                    TColor aPointColor, TColor aPointBgColor, TColor aPointWifiColor,
                                    TColor aPointWifiBgColor, TColor aLineColor, TColor aHighlightColor);
};

// The predefined styles, indexed by the style number that the request and
// filter dialogs offer: "Gray", "Blue", "Green", "Purple".
inline constexpr int GeoTrackStyleCount = 4;
extern const TGeoTrackStyle GeoTrackStyles[GeoTrackStyleCount];
// The style of a number; numbers out of range give style 0.
const TGeoTrackStyle &GeoTrackStyle(int index);

struct TMinMaxDateTime
{
    TDateTime Min = NoDateTime;
    TDateTime Max = NoDateTime;

    void Clear() { Min = Max = NoDateTime; }
    bool IsNan() const { return std::isnan(Min) || std::isnan(Max); }
    // Widens the range to a time; a missing (NaN) time is skipped, so one
    // point without a time cannot hide the others' range.
    void Extend(TDateTime v)
    {
        if (std::isnan(v))
            return;
        if (std::isnan(Min) || v < Min)
            Min = v;
        if (std::isnan(Max) || v > Max)
            Max = v;
    }
    // Whole seconds from Min to Max (0 when either is missing).
    int32_t Seconds() const;
};

struct TGeoTrackInfo
{
    int32_t PointsCount = 0;
    int32_t GoodPointsCount = 0;  // points with a position
    int32_t ParkPointsCount = 0;  // positioned points marked parking
    int32_t ParkingCount = 0;
    int32_t AddressCount = 0;     // positioned points with an address id
    double Distance = 0;          // metres, parkings excluded
    int32_t StepCounter = 0;
    int32_t MinHeartRate = 0;
    int32_t MaxHeartRate = 0;
    int32_t AvgHeartRate = 0;
    TMinMaxDateTime SysTime;
    TMinMaxDateTime ObjTime;
    TMinMaxDateTime GpsTime;
    int32_t SysDuration = 0;      // seconds
    int32_t ObjDuration = 0;
    int32_t GpsDuration = 0;
    TGeoRect GeoRect;             // NaN corners until two positions are known
    TGeoPoint CenterPoint;
    double Width = 0;             // metres east-west
    double Height = 0;            // metres north-south

    void Clear() { *this = TGeoTrackInfo(); }
    bool HasCenterPoint() const { return CenterPoint.IsValid(); }
    bool HasGeoRect() const { return GeoRect.TopLeft.IsValid() && GeoRect.BottomRight.IsValid(); }

    // Widens GeoRect to a position.
    void ExtendGeoRect(double lat, double lon);
};

class TGeoTrack
{
public:
    explicit TGeoTrack(const QString &aObjId = QString());
    TGeoTrack(const TGeoTrack &) = delete;
    TGeoTrack &operator=(const TGeoTrack &) = delete;

    // Empties the object id and the points and clears the statistics.
    void Clear();
    // Replaces the points with copies of the given ones and recomputes the
    // statistics; returns the number of points.
    int Assign(const TTrackPointList &aPoints);
    // The same, taking the points themselves (a freshly read track need not
    // be held twice); aPoints is left empty.
    int Assign(TTrackPointList &&aPoints);
    // Recomputes Info from the points.
    void UpdateInfo();
    // Unmarks every point and forgets the parkings.
    void ClearParking();
    // Finds places where the object stood for 5 minutes or more, records
    // each as a parking (in time order) and marks the points that belong to
    // it. The points themselves stay as the service sent them. Run
    // UpdateInfo afterwards.
    void MarkParking();
    const std::vector<TTrackParking> &Parkings() const { return fParkings; }
    // The parking whose time range holds an object time, or nullptr.
    const TTrackParking *ParkingAt(TDateTime ObjTime) const;
    // Changes with every marking and clearing: drawings of the track that
    // read the parkings know when to refresh.
    quint32 ParkingRevision() const { return fParkingRevision; }
    // Writes the track to a file: Format 1 CSV, 2 GPX. A name without
    // extension gets ".csv" or ".gpx" (FileName then holds the new name).
    // TimeZone is the client's offset in days: GPX times are written in UTC,
    // CSV times as held (local). Returns the bytes written, -1 for an empty
    // name, -2 when the file cannot be created, -4 when writing fails. Throws
    // EZtError "Export track: unsupported format [n]" for other formats.
    // The file is replaced atomically: a failed export leaves the old one.
    qint64 ExportTrack(QString &FileName, int Format, double TimeZone);

    const QString &ObjId() const { return fObjId; }
    void SetObjId(const QString &v) { fObjId = v; }
    TTrackPointList &Points() { return fPoints; }
    const TTrackPointList &Points() const { return fPoints; }
    bool Visible() const { return fVisible; }
    void SetVisible(bool v) { fVisible = v; }
    const TGeoTrackStyle &Style() const { return fStyle; }
    void SetStyle(const TGeoTrackStyle &v) { fStyle = v; }
    quint8 Layer() const { return fLayer; }
    void SetLayer(quint8 v) { fLayer = v; }
    const QString &Sign() const { return fSign; }
    void SetSign(const QString &v) { fSign = v; }
    const TGeoTrackInfo &Info() const { return fInfo; }

private:
    QString fObjId;
    TTrackPointList fPoints;
    bool fVisible = true;
    TGeoTrackStyle fStyle;
    quint8 fLayer = 0;
    QString fSign;
    TGeoTrackInfo fInfo;
    std::vector<TTrackParking> fParkings;
    quint32 fParkingRevision = 0;
};
