# Player lateness and CPU on the real clock; offline rendering speed of the synthesizer.
add_executable(bench_player_latency ${CMAKE_CURRENT_SOURCE_DIR}/PlayerLatency.cpp)
target_link_libraries(bench_player_latency PRIVATE cantovex_core)
# Songs: the repository's test songs, the test-only ones from $CANTOVEX_CORPUS_DIR or ../shared/corpus.
set(BENCH_SONG_DIRS CANTOVEX_SHIPPED_CORPUS_DIR="${PROJECT_SOURCE_DIR}/tests/data/corpus"
    CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus")
target_compile_definitions(bench_player_latency PRIVATE ${BENCH_SONG_DIRS})
cantovex_warnings(bench_player_latency)
if(TARGET cantovex_synth)
  add_executable(bench_render_speed ${CMAKE_CURRENT_SOURCE_DIR}/RenderSpeed.cpp)
  target_link_libraries(bench_render_speed PRIVATE cantovex_synth)
  target_compile_definitions(bench_render_speed PRIVATE ${BENCH_SONG_DIRS})
  cantovex_warnings(bench_render_speed)
endif()
