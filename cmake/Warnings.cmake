# Project-wide warning flags for our own targets.
function(cantovex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(CANTOVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
