# The command-line program as whole processes on the large song.
add_executable(bench_process ${CMAKE_CURRENT_LIST_DIR}/bench_process.cpp)
target_link_libraries(bench_process PRIVATE cantovex_benchsong)
target_compile_definitions(bench_process PRIVATE CANTOVEX_CLI="$<TARGET_FILE:cantovex-cli>")
add_dependencies(bench_process cantovex-cli)
cantovex_warnings(bench_process)
