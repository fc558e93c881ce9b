# Warning policy shared by the library, its tests, examples and benchmarks.
function(qmr_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(QMR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
