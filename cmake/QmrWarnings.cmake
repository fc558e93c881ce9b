# Warning policy shared by the library, its tests, examples and benchmarks.
function(qmr_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # GCC 12 reports a false -Wrestrict inside std::string concatenation at -O3
  # (GCC bug 105329); it says nothing about our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(QMR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
