# Peak memory of `check` against opening the same song (`info`), on a generated 200k-syllable song.
if(TARGET cantovex-cli)
  add_executable(bench_check ${CMAKE_CURRENT_LIST_DIR}/bench_check.cpp)
  target_link_libraries(bench_check PRIVATE cantovex_benchsong)
  target_compile_definitions(bench_check PRIVATE CANTOVEX_CLI="$<TARGET_FILE:cantovex-cli>")
  add_dependencies(bench_check cantovex-cli)
  cantovex_warnings(bench_check)
endif()
