# The page's script methods have one list: script/methods.json, a JSON array of their names in the
# order the script object lists them. spw_add_page_methods() reads it at configure time (and
# configures again when it changes), refuses a list that is not an array of distinct names made of
# letters and digits, and writes the C++ header "script/PageMethods.h" into the build tree: one
# constant per method (kGetPassword = "GetPassword"), kCount and kAll in the file's order. The
# interface library page_methods gives the header to whoever links it (the script object, the
# native host's dispatcher, the page session). Included by script/CMakeLists.txt. The extension's
# JavaScript copies are checked against the same file by its own tests.
function(spw_add_page_methods json_file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${json_file}")
  file(READ "${json_file}" json)
  string(JSON type ERROR_VARIABLE error TYPE "${json}")
  if(error OR NOT type STREQUAL "ARRAY")
    message(FATAL_ERROR "${json_file} must be a JSON array of method names")
  endif()
  string(JSON count LENGTH "${json}")
  if(count EQUAL 0)
    message(FATAL_ERROR "${json_file} names no method")
  endif()
  math(EXPR last "${count} - 1")
  set(names)
  set(constants "")
  foreach(index RANGE ${last})
    string(JSON kind TYPE "${json}" ${index})
    string(JSON name GET "${json}" ${index})
    if(NOT kind STREQUAL "STRING" OR NOT name MATCHES "^[A-Za-z][A-Za-z0-9]*$")
      message(FATAL_ERROR "${json_file}: entry ${index} is not a method name (letters and digits)")
    endif()
    if(name IN_LIST names)
      message(FATAL_ERROR "${json_file}: ${name} is listed twice")
    endif()
    list(APPEND names "${name}")
    string(APPEND constants "inline constexpr const char* k${name} = \"${name}\";\n")
  endforeach()
  list(TRANSFORM names PREPEND "k" OUTPUT_VARIABLE identifiers)
  list(JOIN identifiers ", " all)

  set(header "// Made by cmake/PageMethods.cmake from script/methods.json at configure time; edit that\n")
  string(APPEND header "// file, not this one. The page's script methods, in the order the script object lists them.\n")
  string(APPEND header "#pragma once\n\n#include <array>\n#include <cstddef>\n#include <string_view>\n\n")
  string(APPEND header "namespace pagemethods {\n\n${constants}\n")
  string(APPEND header "inline constexpr std::size_t kCount = ${count};\n")
  string(APPEND header "inline constexpr std::array<std::string_view, kCount> kAll = {${all}};\n\n")
  string(APPEND header "}  // namespace pagemethods\n")

  set(dir "${PROJECT_BINARY_DIR}/generated")
  file(CONFIGURE OUTPUT "${dir}/script/PageMethods.h" CONTENT "${header}" @ONLY)
  add_library(page_methods INTERFACE)
  target_include_directories(page_methods INTERFACE "${dir}")
endfunction()
