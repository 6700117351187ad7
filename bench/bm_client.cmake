# GetTrack's answer reader on a generated million-point track answer.
add_executable(bm_client ${CMAKE_CURRENT_LIST_DIR}/bm_client.cpp)
target_link_libraries(bm_client PRIVATE velmora_client velmora_zones velmora_tracks velmora_map benchmark::benchmark)
