# Player lateness and CPU on the real clock; offline rendering speed of the synthesizer.
add_executable(bench_player_latency ${CMAKE_CURRENT_SOURCE_DIR}/PlayerLatency.cpp)
target_link_libraries(bench_player_latency PRIVATE cantovex_core)
cantovex_warnings(bench_player_latency)
if(TARGET cantovex_synth)
  add_executable(bench_render_speed ${CMAKE_CURRENT_SOURCE_DIR}/RenderSpeed.cpp)
  target_link_libraries(bench_render_speed PRIVATE cantovex_synth)
  cantovex_warnings(bench_render_speed)
endif()
