#include "OSM.SensorInfo.h"

TSensorList CopySensorList(const TSensorList &src)
{
    TSensorList result;
    result.reserve(src.size());
    for (const auto &s : src)
        result.push_back(std::make_unique<TSensorInfo>(*s));
    return result;
}
