# Runs the layering check described in cmake/Layering.cmake:
#   cmake -DMANIFEST=<build>/layering_manifest.cmake -DSTAMP=<file to touch> -P CheckLayering.cmake
# Lists every include of a unit that the including file's target does not link, and fails when
# there is one; touches STAMP when there is none.
cmake_minimum_required(VERSION 3.25)
include("${MANIFEST}")

# The deepest unit folder that path (relative to the top of the tree) lies in, or "".
function(unit_of path out)
  set(best "")
  foreach(unit IN LISTS SPW_UNITS)
    string(LENGTH "${unit}" length)
    string(LENGTH "${best}" best_length)
    if(path MATCHES "^${unit}/" AND length GREATER best_length)
      set(best "${unit}")
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

# The quoted includes of file, each as a path from the top of the tree ("" entries left out);
# includes that name no file of the tree (system headers written with quotes) are dropped.
function(project_includes file out)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  get_filename_component(dir "${file}" DIRECTORY)
  set(found)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" path "${line}")
    if(EXISTS "${SPW_SOURCE_DIR}/${path}")
      list(APPEND found "${path}")
    elseif(EXISTS "${dir}/${path}")
      file(RELATIVE_PATH relative "${SPW_SOURCE_DIR}" "${dir}/${path}")
      list(APPEND found "${relative}")
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set(failures)

# Checks the includes of file against allowed; with follow set, goes on into the project headers
# outside unit folders that it includes (visited keeps each file to one visit per check).
macro(check_file file name allowed follow)
  project_includes("${file}" includes)
  file(RELATIVE_PATH shown "${SPW_SOURCE_DIR}" "${file}")
  foreach(included IN LISTS includes)
    unit_of("${included}" unit)
    if(unit STREQUAL "")
      if(${follow} AND NOT included IN_LIST visited)
        list(APPEND visited "${included}")
        list(APPEND pending "${SPW_SOURCE_DIR}/${included}")
      endif()
    elseif(NOT unit IN_LIST ${allowed})
      list(APPEND failures
           "${shown} (${name}) includes \"${included}\" of unit ${unit}/, which it does not link")
    endif()
  endforeach()
endmacro()

foreach(check IN LISTS SPW_CHECKS)
  set(name "${SPW_${check}_NAME}")
  set(allowed "${SPW_${check}_ALLOWED}")
  if(DEFINED SPW_${check}_FOLDER)
    file(GLOB files LIST_DIRECTORIES false "${SPW_SOURCE_DIR}/${SPW_${check}_FOLDER}/*.c"
         "${SPW_SOURCE_DIR}/${SPW_${check}_FOLDER}/*.cpp"
         "${SPW_SOURCE_DIR}/${SPW_${check}_FOLDER}/*.h")
    foreach(file IN LISTS files)
      check_file("${file}" "${name}" allowed FALSE)
    endforeach()
  else()
    set(visited)
    set(pending ${SPW_${check}_FILES})
    while(pending)
      list(POP_FRONT pending file)
      check_file("${file}" "${name}" allowed TRUE)
    endwhile()
  endif()
endforeach()

if(failures)
  list(REMOVE_DUPLICATES failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "Layering: a file includes a unit that its target does not link "
                      "(target_link_libraries):\n  ${text}")
endif()
file(TOUCH "${STAMP}")
