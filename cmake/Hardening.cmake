# The hardening a distribution builds with, for every library and program of the tree: the stack
# protector on every function with a buffer on its stack, control-flow protection (indirect branch
# tracking and shadow stack marks), the C library's checked string and memory calls in optimised
# builds, and immediate binding with a read-only relocation table (full RELRO), so that no lazy
# symbol lookup ever runs on the stack of a call that handles a password. Included by the top-level
# CMakeLists.txt; tests/hardening/ checks the built files.
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)

add_compile_options(-fstack-protector-strong)

check_cxx_compiler_flag(-fcf-protection SPW_HAVE_CF_PROTECTION)
if(SPW_HAVE_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()

# _FORTIFY_SOURCE needs optimisation, and the sanitizers check the same calls better themselves.
# Level 3 (checks with sizes known only at run time) where the compiler and C library support it;
# the C library quietly takes a level it does not support as a lower one, so the level it will use
# is asked of it.
set(SPW_FORTIFY_LEVEL 0)
if(NOT SPW_SANITIZE AND NOT SPW_SANITIZE_THREADS AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  foreach(level 3 2)
    set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${level} -Werror")
    check_cxx_source_compiles("
      #include <cstring>
      #if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL != ${level}
      #error not this level
      #endif
      int main() { return 0; }" SPW_HAVE_FORTIFY_${level})
    unset(CMAKE_REQUIRED_FLAGS)
    if(SPW_HAVE_FORTIFY_${level})
      set(SPW_FORTIFY_LEVEL ${level})
      break()
    endif()
  endforeach()
endif()
if(SPW_FORTIFY_LEVEL GREATER 0)
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${SPW_FORTIFY_LEVEL})
endif()
message(STATUS "Hardening: stack protector, control-flow protection ${SPW_HAVE_CF_PROTECTION}, "
               "_FORTIFY_SOURCE=${SPW_FORTIFY_LEVEL}, full RELRO")

add_link_options("LINKER:-z,now" "LINKER:-z,relro")
