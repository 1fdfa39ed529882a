# Run at install time by FieldPackage.cmake's rules: writes the files of the securepassword-field
# package whose contents name installed paths, for the prefix being installed to (DESTDIR
# applies, and each file lands in the install manifest). SPW_FIELD_PART says which:
#   manifests  the native messaging host manifest "net.securepassword.host" in every folder of
#              SPW_CHROMIUM_HOST_DIRS (allowed_origins: every Chromium id of the extension) and
#              SPW_FIREFOX_HOST_DIRS (allowed_extensions: the add-on id), naming SPW_HOST_PROGRAM
#              (default: the installed securepassword-host); in a folder under /etc, a link to
#              the manifest beside the program
#   extension  the external extension file <id>.json that Chromium and Google Chrome install the
#              CRX from, the update manifest the forced-install policy reads, and the policy
#              templates, filled in with the ids and the installed paths
function(spw_install_text dir name text)
  set(scratch "${SPW_FIELD_SCRATCH}/${SPW_FIELD_PART}/${dir}")
  file(MAKE_DIRECTORY "${scratch}")
  file(WRITE "${scratch}/${name}" "${text}")
  file(INSTALL DESTINATION "${dir}" TYPE FILE FILES "${scratch}/${name}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(spw_install_link dir name target)
  set(scratch "${SPW_FIELD_SCRATCH}/${SPW_FIELD_PART}/links${dir}")
  file(MAKE_DIRECTORY "${scratch}")
  file(REMOVE "${scratch}/${name}")
  file(CREATE_LINK "${target}" "${scratch}/${name}" SYMBOLIC)
  file(INSTALL DESTINATION "${dir}" TYPE FILE FILES "${scratch}/${name}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(spw_json_list out)
  list(JOIN ARGN "\", \"" joined)
  set(${out} "[\"${joined}\"]" PARENT_SCOPE)
endfunction()

if(SPW_FIELD_PART STREQUAL "manifests")
  if(NOT DEFINED SPW_HOST_PROGRAM)
    set(SPW_HOST_PROGRAM "${CMAKE_INSTALL_PREFIX}/${SPW_FIELD_LIBDIR}/securepassword-host")
  endif()
  # A JSON string of the path (paths hold no control characters).
  string(REPLACE "\\" "\\\\" program "${SPW_HOST_PROGRAM}")
  string(REPLACE "\"" "\\\"" program "${program}")
  set(origins "")
  foreach(id IN LISTS SPW_CHROMIUM_EXTENSION_IDS)
    list(APPEND origins "chrome-extension://${id}/")
  endforeach()
  spw_json_list(origins ${origins})
  spw_json_list(addons ${SPW_FIREFOX_EXTENSION_ID})
  unset(linked_chromium)
  unset(linked_firefox)
  # Chromium names the extensions allowed to start the host by origin, Firefox by add-on id.
  foreach(kind chromium firefox)
    if(kind STREQUAL "chromium")
      set(dirs ${SPW_CHROMIUM_HOST_DIRS})
      set(allowed "\"allowed_origins\": ${origins}")
    else()
      set(dirs ${SPW_FIREFOX_HOST_DIRS})
      set(allowed "\"allowed_extensions\": ${addons}")
    endif()
    set(manifest "{
  \"name\": \"${SPW_HOST_NAME}\",
  \"description\": \"Secure password field: runs the plug-in for the browser extension\",
  \"path\": \"${program}\",
  \"type\": \"stdio\",
  ${allowed}
}
")
    foreach(dir IN LISTS dirs)
      if(dir MATCHES "^/etc/")
        # /etc holds configuration, which dpkg keeps after a removal; a host manifest is none, so
        # /etc only links to it, and the manifest itself sits beside the program.
        get_filename_component(beside "${SPW_HOST_PROGRAM}" DIRECTORY)
        if(NOT linked_${kind})
          spw_install_text("${beside}" "${kind}-host.json" "${manifest}")
          set(linked_${kind} YES)
        endif()
        spw_install_link("${dir}" "${SPW_HOST_NAME}.json" "${beside}/${kind}-host.json")
      else()
        spw_install_text("${dir}" "${SPW_HOST_NAME}.json" "${manifest}")
      endif()
    endforeach()
  endforeach()
elseif(SPW_FIELD_PART STREQUAL "extension")
  set(data "${CMAKE_INSTALL_PREFIX}/${SPW_FIELD_DATADIR}")
  set(SPW_CRX_PATH "${data}/securepassword-field.crx")
  set(SPW_UPDATE_URL "file://${data}/chromium-update.xml")
  set(SPW_XPI_URL "file://${SPW_FIREFOX_SYSTEM_ADDONS}/${SPW_FIREFOX_EXTENSION_ID}.xpi")
  foreach(dir IN LISTS SPW_CHROMIUM_EXTERNAL_DIRS)
    spw_install_text("${dir}" "${SPW_EXTENSION_ID}.json" "{
  \"external_crx\": \"${SPW_CRX_PATH}\",
  \"external_version\": \"${SPW_EXTENSION_VERSION}\"
}
")
  endforeach()
  file(READ "${SPW_FIELD_TEMPLATES}/chromium-update.xml.in" template)
  string(CONFIGURE "${template}" text @ONLY)
  spw_install_text("${data}" chromium-update.xml "${text}")
  # Chromium and Google Chrome read the same policy format, each from its own folder.
  foreach(template chromium-sites chromium-install firefox-sites firefox-install)
    file(READ "${SPW_FIELD_TEMPLATES}/${template}.json.in" text)
    string(CONFIGURE "${text}" text @ONLY)
    if(template MATCHES "^chromium-(.*)")
      spw_install_text("${data}/policies" "chrome-${CMAKE_MATCH_1}.json" "${text}")
    endif()
    spw_install_text("${data}/policies" "${template}.json" "${text}")
  endforeach()
else()
  message(FATAL_ERROR "write-field-files.cmake: SPW_FIELD_PART is \"${SPW_FIELD_PART}\"")
endif()
