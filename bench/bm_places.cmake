# The places dialog filled with a device answer of many networks.
add_executable(bm_places ${CMAKE_CURRENT_LIST_DIR}/bm_places.cpp)
target_link_libraries(bm_places PRIVATE velmora_objects velmora_records Qt6::Widgets benchmark::benchmark)
