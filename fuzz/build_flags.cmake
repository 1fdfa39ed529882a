# Compiler and linker settings of the fuzz build, included right after project() through the fuzz
# preset's CMAKE_PROJECT_INCLUDE (fuzz/CMakeLists.txt adds libFuzzer's coverage to the code under
# test). With the sanitizers on, all programs and shared libraries use clang's shared sanitizer
# runtime: the plug-in module and libnativeui.so then link with --no-undefined and share one
# runtime with the program that loads them.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR
          "the fuzz build needs clang (libFuzzer); CMAKE_CXX_COMPILER is ${CMAKE_CXX_COMPILER}")
endif()
if(SPW_SANITIZE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
                  OUTPUT_VARIABLE spw_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  # Named first as well, so that it comes first in every program's list of needed libraries.
  add_link_options(-shared-libasan "${spw_asan_runtime}")
  get_filename_component(spw_asan_runtime_dir "${spw_asan_runtime}" DIRECTORY)
  list(APPEND CMAKE_BUILD_RPATH "${spw_asan_runtime_dir}")
endif()
