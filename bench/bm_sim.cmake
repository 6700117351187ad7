# The simulated service's answer times over loopback HTTP: a full list of
# 1,000 objects and a 100,000-point track, so that the client's benchmarks
# are never bound by the simulator.
add_executable(bm_sim ${CMAKE_CURRENT_LIST_DIR}/bm_sim.cpp)
target_link_libraries(bm_sim PRIVATE velmora_sim benchmark::benchmark)
