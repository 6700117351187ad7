# Track pipeline on a million generated points: statistics, parkings, the two
# filters and both exports, beside gpsbabel converting the same GPX to CSV.
add_executable(bm_tracks ${CMAKE_CURRENT_LIST_DIR}/bm_tracks.cpp)
target_link_libraries(bm_tracks PRIVATE velmora_tracks Qt6::Widgets benchmark::benchmark)
