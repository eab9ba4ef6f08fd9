# Project-wide warning flags for our own targets.
function(cantovex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  # GCC 12 reports impossible overlaps inside std::basic_string at -O2 (a known false positive).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(CANTOVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
