# GetTrack's answer reader on a generated million-point track answer, and a
# million-point track request end to end: loopback HTTP, track, parkings,
# statistics and the first map frame.
add_executable(bm_client ${CMAKE_CURRENT_LIST_DIR}/bm_client.cpp)
target_link_libraries(bm_client PRIVATE velmora_client velmora_zones velmora_tracks velmora_map Qt6::Widgets PkgConfig::HTTPLIB benchmark::benchmark)
