# The map: panning frames over a 1,000,000-point track with 1,000 markers and
# 100 zones, a cold view from a loopback tile server with 50 ms latency against
# the three-worker bound, and the first paint from a warm disk cache.
add_executable(bm_map ${CMAKE_CURRENT_LIST_DIR}/bm_map.cpp)
target_link_libraries(bm_map PRIVATE velmora_map velmora_records Qt6::Widgets PkgConfig::HTTPLIB benchmark::benchmark)
