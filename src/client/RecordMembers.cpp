#include "RecordMembers.h"

#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"

namespace RecordMembers {

namespace {

using P = TTrackPointInfo;
using O = TObjectInfo;
using E = TEventInfo;

const Member<P> Points[] = {
    {"obj_id", Kind::Int, &P::obj_id},
    {"osm_id", Kind::Text, &P::osm_id},
    {"sys_dt", Kind::Date, &P::sys_dt},
    {"obj_dt", Kind::Date, &P::obj_dt},
    {"gps_dt", Kind::Date, &P::gps_dt},
    {"lat", Kind::Float, &P::lat},
    {"lon", Kind::Float, &P::lon},
    {"alt", Kind::Float, &P::alt},
    {"acc", Kind::Float, &P::acc},
    {"speed", Kind::Float, &P::speed},
    {"angle", Kind::Bearing, &P::angle},
    // An absent battery reads 0, unlike a new point's -1.
    {"bat", Kind::Int, &P::bat},
    {"crd_src", Kind::Int, &P::src, -1},
};

const Member<O> Objects[] = {
    {"uid", Kind::Int, &O::uid},
    {"id", Kind::Text, &O::id},
    {"parent_id", Kind::Int, &O::parent_id},
    {"type_id", Kind::Int, &O::type_id},
    {"user_id", Kind::Int, &O::user_id},
    {"name", Kind::Text, &O::name},
    {"is_deleted", Kind::Bool, &O::is_deleted},
    {"del_dt", Kind::Date, &O::del_dt},
    {"track_color", Kind::Color, &O::track_color, TObjectInfo::DefaultTrackColor},
    {"has_image", Kind::Bool, &O::has_image},
    {"image_dt", Kind::Date, &O::image_dt},
    {"is_alien", Kind::Bool, &O::is_alien},
    {"users_list", Kind::Text, &O::users_list},
    {"model", Kind::Text, &O::model},
    {"hw_type", Kind::Text, &O::hw_type},
    {"hw_info", Kind::Text, &O::hw_info},
    {"sw_ver", Kind::Text, &O::sw_ver},
    {"phone", Kind::Text, &O::phone},
    {"imei", Kind::Text, &O::imei},
    {"settings", Kind::Text, &O::settings},
    {"address", Kind::Text, &O::address},
    {"trip_id", Kind::Int, &O::trip_id},
    {"trip_status", Kind::Int, &O::trip_status},
};

const Member<E> Events[] = {
    {"uid", Kind::UInt, &E::uid},
    {"obj_id", Kind::Int, &E::obj_id},
    {"trap_id", Kind::Int, &E::trap_id},
    {"trap_vid", Kind::UInt, &E::trap_vid},
    // where it happened
    {"h_point_id", Kind::UInt, &E::h_point_id},
    {"h_obj_dt", Kind::Date, &E::h_obj_dt},
    {"h_gps_dt", Kind::Date, &E::h_gps_dt},
    {"h_sys_dt", Kind::Date, &E::h_sys_dt},
    {"h_lat", Kind::Float, &E::h_lat},
    {"h_lon", Kind::Float, &E::h_lon},
    {"h_speed", Kind::Float, &E::h_speed},
    {"h_bat", Kind::Int, &E::h_bat},
    {"h_sval", Kind::Text, &E::h_sval},
    // where it was over
    {"c_point_id", Kind::UInt, &E::c_point_id},
    {"c_obj_dt", Kind::Date, &E::c_obj_dt},
    {"c_gps_dt", Kind::Date, &E::c_gps_dt},
    {"c_sys_dt", Kind::Date, &E::c_sys_dt},
    {"c_lat", Kind::Float, &E::c_lat},
    {"c_lon", Kind::Float, &E::c_lon},
    {"c_speed", Kind::Float, &E::c_speed},
    {"c_bat", Kind::Int, &E::c_bat},
    {"c_sval", Kind::Text, &E::c_sval},
    {"accept_dt", Kind::Date, &E::accept_dt},
    {"accept_msg", Kind::Text, &E::accept_msg},
};

} // namespace

std::span<const Member<TTrackPointInfo>> PointMembers() { return Points; }
std::span<const Member<TObjectInfo>> ObjectMembers() { return Objects; }
std::span<const Member<TEventInfo>> EventMembers() { return Events; }

} // namespace RecordMembers
