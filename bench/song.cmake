# Song benchmarks; the song generator is a library the writers' benchmark reuses.
add_library(cantovex_benchsong STATIC ${CMAKE_CURRENT_SOURCE_DIR}/GenerateSong.cpp)
target_include_directories(cantovex_benchsong PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(cantovex_benchsong PUBLIC cantovex_core)
cantovex_warnings(cantovex_benchsong)

add_executable(bench_song ${CMAKE_CURRENT_SOURCE_DIR}/bench_song.cpp)
target_link_libraries(bench_song PRIVATE cantovex_benchsong)
cantovex_warnings(bench_song)
# The counting operator new/delete pair hides a header before each block; once inlined, GCC
# mistakes that for a mismatched free and an out-of-bounds subscript.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(bench_song PRIVATE -Wno-mismatched-new-delete -Wno-array-bounds)
endif()
