# Zone editing: dragging a node of a 1,000-node polygon on a map that also
# shows 100 zones and 1,000 markers.
add_executable(bm_zones ${CMAKE_CURRENT_LIST_DIR}/bm_zones.cpp)
target_link_libraries(bm_zones PRIVATE velmora_map velmora_records Qt6::Widgets PkgConfig::HTTPLIB benchmark::benchmark)
