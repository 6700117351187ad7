# The track windows on a million points: import of a delimited file and of a
# GPX file (beside gpsbabel reading the same GPX), the dump window's first
# paint and a sort, and the chart of one value.
add_executable(bm_trackwindows ${CMAKE_CURRENT_LIST_DIR}/bm_trackwindows.cpp)
target_link_libraries(bm_trackwindows PRIVATE velmora_tracks Qt6::Widgets Qt6::Charts benchmark::benchmark)
