# A fleet of 10,000 objects: the first object list shown, and the minute
# update of 1,000 changed objects repainting the list and moving the markers.
add_executable(bm_fleet ${CMAKE_CURRENT_LIST_DIR}/bm_fleet.cpp)
target_link_libraries(bm_fleet PRIVATE velmora_main velmora_client velmora_sim Qt6::Widgets PkgConfig::HTTPLIB benchmark::benchmark)
