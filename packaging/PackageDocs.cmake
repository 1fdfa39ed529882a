# The two files every Debian package carries in /usr/share/doc/<package>: the copyright file and
# the changelog, compressed as for a native package. Included by CMakeLists.txt once every
# component and package is named; each package gets them through its first component.
# SOURCE_DATE_EPOCH, when set, dates the changelog entry.
find_program(SPW_GZIP gzip REQUIRED)
string(TIMESTAMP spw_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP SPW_COPYRIGHT_YEAR "%Y" UTC)
configure_file(debian/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/doc/copyright @ONLY)

set(spw_documented "")
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(group "${CPACK_COMPONENT_${upper}_GROUP}")
  if(group)
    string(TOUPPER ${group} upper)
  endif()
  set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  if(NOT package OR package IN_LIST spw_documented)
    continue()
  endif()
  list(APPEND spw_documented ${package})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/doc/${package})
  file(WRITE ${dir}/changelog
"${package} (${PROJECT_VERSION}) stable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${spw_changelog_date}
")
  execute_process(COMMAND ${SPW_GZIP} -n -9 -f ${dir}/changelog COMMAND_ERROR_IS_FATAL ANY)
  # The browser package's components stay out of a plain install (FieldPackage.cmake).
  set(only_component "")
  if(component MATCHES "^field_")
    set(only_component EXCLUDE_FROM_ALL)
  endif()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/copyright ${dir}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component}
    ${only_component})
endforeach()
