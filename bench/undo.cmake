# The undo history's memory and time on the large song.
add_executable(bench_undo ${CMAKE_CURRENT_LIST_DIR}/bench_undo.cpp)
target_link_libraries(bench_undo PRIVATE cantovex_benchsong cantovex_core)
cantovex_warnings(bench_undo)
