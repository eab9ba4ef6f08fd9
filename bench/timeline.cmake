# The timeline's frame times on the large song, drawn offscreen, and its cost when a song opens.
if(TARGET cantovex_gui)
  add_executable(bench_timeline ${CMAKE_CURRENT_LIST_DIR}/bench_timeline.cpp)
  target_link_libraries(bench_timeline PRIVATE cantovex_benchsong cantovex_gui)
  cantovex_plugin_host(bench_timeline)
  cantovex_warnings(bench_timeline)
endif()
