# The log box: lines per second into a full box (it trims in steps of 100
# lines), beside Qt's own capped plain-text log on the same lines.
add_executable(bm_widgets ${CMAKE_CURRENT_LIST_DIR}/bm_widgets.cpp)
target_link_libraries(bm_widgets PRIVATE velmora_widgets benchmark::benchmark)
