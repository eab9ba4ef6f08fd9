# Both file writers on a large song, and batch conversion on one and on all cores.
add_executable(bench_writers ${CMAKE_CURRENT_LIST_DIR}/bench_writers.cpp)
target_link_libraries(bench_writers PRIVATE cantovex_benchsong cantovex_core)
cantovex_warnings(bench_writers)
