# Foundation hot paths: the date-time reader (every time of every track point
# and record), key lookups in the key/value store, and its JSON reader.
add_executable(bm_foundation ${CMAKE_CURRENT_LIST_DIR}/bm_foundation.cpp)
target_link_libraries(bm_foundation PRIVATE velmora_foundation Qt6::Widgets benchmark::benchmark)
