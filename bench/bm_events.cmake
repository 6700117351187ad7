# The event list with 100,000 events: loading from the service answer and sorting.
add_executable(bm_events ${CMAKE_CURRENT_LIST_DIR}/bm_events.cpp)
target_link_libraries(bm_events PRIVATE velmora_main velmora_client Qt6::Widgets PkgConfig::HTTPLIB benchmark::benchmark)
