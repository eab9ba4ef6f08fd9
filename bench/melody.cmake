# The melody finder on the large song, and its effect on assign over the real songs.
add_executable(bench_melody ${CMAKE_CURRENT_LIST_DIR}/bench_melody.cpp)
target_link_libraries(bench_melody PRIVATE cantovex_benchsong cantovex_core)
cantovex_warnings(bench_melody)
