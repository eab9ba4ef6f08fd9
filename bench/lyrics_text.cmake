# Leaving the lyrics editors on large and hostile texts.
find_package(benchmark REQUIRED)
add_executable(bench_lyrics_text ${CMAKE_CURRENT_SOURCE_DIR}/bench_lyrics_text.cpp)
target_link_libraries(bench_lyrics_text PRIVATE cantovex_core benchmark::benchmark)
cantovex_warnings(bench_lyrics_text)
