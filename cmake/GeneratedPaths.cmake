# Paths of this checkout live in generated headers, not on the compiler's command line, so the
# compiler cache serves every checkout of the same sources.
#   BuildPaths.h  the program's data folder (hyphenation patterns, manual) before installation
#   TestPaths.h   test data, the test songs and the demo song (tests and benchmarks)
function(cantovex_generated_header name content)
  set(dir ${PROJECT_BINARY_DIR}/generated)
  file(WRITE ${dir}/${name}.tmp "#pragma once\n${content}")
  file(COPY_FILE ${dir}/${name}.tmp ${dir}/${name} ONLY_IF_DIFFERENT)
endfunction()

cantovex_generated_header(BuildPaths.h "#define CANTOVEX_DATA_DIR \"${PROJECT_SOURCE_DIR}/data\"\n")
cantovex_generated_header(TestPaths.h "\
#define CANTOVEX_SHIPPED_CORPUS_DIR \"${PROJECT_SOURCE_DIR}/tests/data/corpus\"
#define CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR \"${PROJECT_SOURCE_DIR}/../shared/corpus\"
#define CANTOVEX_TEST_DATA_DIR \"${PROJECT_SOURCE_DIR}/tests/data\"
#define CANTOVEX_DEMO_SONG \"${PROJECT_SOURCE_DIR}/data/demo/demo.kar\"
")
include_directories(${PROJECT_BINARY_DIR}/generated)
