# The layering check: a file may include a unit ("encoding/aes.h") only when its target links that
# unit. Included by the top-level CMakeLists.txt after every folder has added its targets.
#
# A unit is a folder that holds a library target outside tests/, fuzz/ and bench/ ("encoding",
# "encoding/format"); an include belongs to the deepest unit folder its path starts with. What a
# target may include: its own folder's unit, the units it links, and what those pass on to whoever
# links them (their PUBLIC and INTERFACE links, not their PRIVATE ones, as with any usage
# requirement). The files checked:
#   - every C and C++ file directly in a unit folder, against what the folder's libraries may
#     include;
#   - every source of every other target (programs, tests, test-side libraries), against what that
#     target may include, together with the project headers outside unit folders that it reaches
#     through quoted includes ("tests/npapi_browser/browser_fixture.h").
# Files under tests/, fuzz/ and bench/ may include each other freely.
#
# At configure time spw_add_layering_check() writes what each target may include to
# layering_manifest.cmake in the build tree; cmake/CheckLayering.cmake reads it and the files, and
# runs as part of every build (the target "layering", rebuilt whenever a checked file changes).

set(SPW_TEST_SIDE_FOLDERS tests fuzz bench)

# Every target defined in dir and the folders below it.
function(spw_targets_below dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    spw_targets_below("${sub}" below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The project targets named in a link list, with generator expressions unwrapped
# ($<LINK_LIBRARY:FEATURE,a,b>, $<TARGET_OBJECTS:a>); $<LINK_ONLY:a> is left out when skip_link_only
# is set, since it passes on no usage requirements.
function(spw_linked_targets items skip_link_only out)
  set(found)
  foreach(item IN LISTS items)
    if(item MATCHES "^\\$<LINK_ONLY:")
      if(skip_link_only)
        continue()
      endif()
    endif()
    string(REGEX REPLACE "^\\$<(LINK_LIBRARY:[A-Za-z_]+,|TARGET_OBJECTS:|LINK_ONLY:)" ""
           item "${item}")
    string(REGEX REPLACE ">$" "" item "${item}")
    string(REPLACE "," ";" names "${item}")
    foreach(name IN LISTS names)
      if(TARGET "${name}")
        get_target_property(imported "${name}" IMPORTED)
        if(NOT imported)
          list(APPEND found "${name}")
        endif()
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The folder of a target relative to the top of the tree.
function(spw_target_folder target out)
  get_target_property(dir "${target}" SOURCE_DIR)
  file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}" "${dir}")
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

function(spw_is_library target out)
  get_target_property(type "${target}" TYPE)
  if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|INTERFACE_LIBRARY)$")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The targets whose usage requirements reach target: the ones it links, and recursively what each
# of those passes on.
function(spw_reach target out)
  get_target_property(direct "${target}" LINK_LIBRARIES)
  if(NOT direct)
    set(direct)
  endif()
  get_target_property(type "${target}" TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct "${target}" INTERFACE_LINK_LIBRARIES)
    if(NOT direct)
      set(direct)
    endif()
  endif()
  spw_linked_targets("${direct}" FALSE pending)
  set(reached)
  while(pending)
    list(POP_FRONT pending next)
    if(next IN_LIST reached)
      continue()
    endif()
    list(APPEND reached "${next}")
    get_target_property(passed "${next}" INTERFACE_LINK_LIBRARIES)
    if(passed)
      spw_linked_targets("${passed}" TRUE more)
      list(APPEND pending ${more})
    endif()
  endwhile()
  set(${out} ${reached} PARENT_SCOPE)
endfunction()

function(spw_add_layering_check)
  spw_targets_below("${PROJECT_SOURCE_DIR}" targets)

  # Unit folders: those holding a library outside the test side.
  set(units)
  foreach(target IN LISTS targets)
    spw_is_library("${target}" library)
    spw_target_folder("${target}" folder)
    string(REGEX REPLACE "/.*" "" top "${folder}")
    if(library AND NOT top IN_LIST SPW_TEST_SIDE_FOLDERS AND NOT folder STREQUAL "")
      list(APPEND units "${folder}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES units)

  set(manifest "# Written by cmake/Layering.cmake: what each folder and target may include.\n")
  string(APPEND manifest "set(SPW_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")\n")
  string(APPEND manifest "set(SPW_UNITS \"${units}\")\n")
  string(APPEND manifest "set(SPW_TEST_SIDE_FOLDERS \"${SPW_TEST_SIDE_FOLDERS}\")\n")
  set(checked_files)
  set(index 0)
  foreach(target IN LISTS targets)
    spw_target_folder("${target}" folder)
    spw_reach("${target}" reached)
    set(allowed)
    foreach(other IN LISTS reached)
      spw_target_folder("${other}" other_folder)
      list(APPEND allowed "${other_folder}")
    endforeach()
    spw_is_library("${target}" library)
    if(folder IN_LIST units AND library)
      # Checked as part of its folder (below), with whatever its neighbours may include.
      list(APPEND allowed "${folder}")
      string(MAKE_C_IDENTIFIER "${folder}" key)
      set(folder_allowed_${key} ${folder_allowed_${key}} ${allowed})
      continue()
    endif()
    get_target_property(sources "${target}" SOURCES)
    set(files)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\$<" OR NOT source MATCHES "\\.(c|cc|cpp|h|hpp)$")
        continue()
      endif()
      if(NOT IS_ABSOLUTE "${source}")
        get_target_property(dir "${target}" SOURCE_DIR)
        set(source "${dir}/${source}")
      endif()
      list(APPEND files "${source}")
    endforeach()
    if(NOT files)
      continue()
    endif()
    list(APPEND checked_files ${files})
    list(REMOVE_DUPLICATES allowed)
    string(APPEND manifest "list(APPEND SPW_CHECKS target${index})\n")
    string(APPEND manifest "set(SPW_target${index}_NAME \"target ${target}\")\n")
    string(APPEND manifest "set(SPW_target${index}_FILES \"${files}\")\n")
    string(APPEND manifest "set(SPW_target${index}_ALLOWED \"${allowed}\")\n")
    math(EXPR index "${index} + 1")
  endforeach()

  foreach(folder IN LISTS units)
    string(MAKE_C_IDENTIFIER "${folder}" key)
    set(allowed ${folder_allowed_${key}})
    list(REMOVE_DUPLICATES allowed)
    file(GLOB files LIST_DIRECTORIES false "${PROJECT_SOURCE_DIR}/${folder}/*.c"
         "${PROJECT_SOURCE_DIR}/${folder}/*.cpp" "${PROJECT_SOURCE_DIR}/${folder}/*.h")
    list(APPEND checked_files ${files})
    string(APPEND manifest "list(APPEND SPW_CHECKS unit${index})\n")
    string(APPEND manifest "set(SPW_unit${index}_NAME \"unit ${folder}/\")\n")
    string(APPEND manifest "set(SPW_unit${index}_FOLDER \"${folder}\")\n")
    string(APPEND manifest "set(SPW_unit${index}_ALLOWED \"${allowed}\")\n")
    math(EXPR index "${index} + 1")
  endforeach()

  set(manifest_file "${PROJECT_BINARY_DIR}/layering_manifest.cmake")
  file(WRITE "${manifest_file}" "${manifest}")

  # The check must see a missing link: with every unit's links taken away, the tree's own
  # includes fail it.
  string(REGEX REPLACE "(set\\(SPW_unit[0-9]+_ALLOWED )\"[^\"]*\"" "\\1\"\"" unlinked "${manifest}")
  file(WRITE "${PROJECT_BINARY_DIR}/layering_manifest_unlinked.cmake" "${unlinked}")
  add_test(NAME layering_check_finds_a_missing_link
           COMMAND "${CMAKE_COMMAND}"
                   -DMANIFEST=${PROJECT_BINARY_DIR}/layering_manifest_unlinked.cmake
                   -DSTAMP=${PROJECT_BINARY_DIR}/layering_unlinked.stamp
                   -P "${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake")
  # Without the browser parts (no script/) the decoder's C interface shows it.
  if(TARGET script)
    set(missing_link "script/.*includes \"plugin_state/.*which it does not link")
  else()
    set(missing_link "decoder/c_api/.*includes \"decoder/.*which it does not link")
  endif()
  set_tests_properties(layering_check_finds_a_missing_link PROPERTIES PASS_REGULAR_EXPRESSION
                       "${missing_link}")
  list(REMOVE_DUPLICATES checked_files)
  set(stamp "${PROJECT_BINARY_DIR}/layering.stamp")
  add_custom_command(
    OUTPUT "${stamp}"
    COMMAND "${CMAKE_COMMAND}" -DMANIFEST=${manifest_file} -DSTAMP=${stamp}
            -P "${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake"
    DEPENDS ${checked_files} "${manifest_file}" "${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake"
    COMMENT "Checking that every file includes only units its target links"
    VERBATIM)
  add_custom_target(layering ALL DEPENDS "${stamp}")
endfunction()
