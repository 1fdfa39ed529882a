# The browser extension's release files, packed from extension/ by pack-extension.py on every
# build where the sources changed, into <build>/release/: securepassword-field-<version>.zip for
# the browsers' stores, the same archive as .xpi for Firefox, and .crx (CRX3) signed with the
# vendor's key for Chromium and Google Chrome. Also the ids every other part needs (the host
# manifests, the extension's registration for each browser, the policy templates), written to
# <build>/release/extension-ids.json. Included by packaging/CMakeLists.txt.
#
# SPW_EXTENSION_KEY: the vendor's private key (PEM), which signs the CRX and so fixes the packed
# extension's Chromium id. Without it the build makes a development key in the build folder, says
# so, and derives everything from that key.
# SPW_CHROME_STORE_ID: the id the Chrome Web Store gave the extension once published there; the
# native host then lets that copy start it too.
# SPW_FIREFOX_SIGNED_XPI: the XPI as Mozilla signed it for the vendor; the package then carries it
# instead of the unsigned one (Firefox builds that require signatures load only that one).
set(SPW_EXTENSION_KEY "" CACHE FILEPATH
  "The vendor's private key (PEM) that signs the extension's CRX; empty: a development key")
set(SPW_CHROME_STORE_ID "" CACHE STRING
  "Chromium id of the extension as published in the Chrome Web Store, if it is")
set(SPW_FIREFOX_SIGNED_XPI "" CACHE FILEPATH
  "The extension's XPI as Mozilla signed it; empty: the package carries the unsigned one")

if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(SPW_OPENSSL openssl REQUIRED)

set(spw_packer ${CMAKE_CURRENT_SOURCE_DIR}/pack-extension.py)
set(spw_extension_dir ${PROJECT_SOURCE_DIR}/extension)
set(SPW_RELEASE_DIR ${PROJECT_BINARY_DIR}/release)
file(MAKE_DIRECTORY ${SPW_RELEASE_DIR})

# Runs the packer at configure time; its one line of output goes to out_var.
function(spw_packer out_var)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${spw_packer} ${ARGN}
    OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "pack-extension.py ${ARGN} failed")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# The key.
if(SPW_EXTENSION_KEY)
  get_filename_component(spw_key "${SPW_EXTENSION_KEY}" ABSOLUTE)
  if(NOT EXISTS "${spw_key}")
    message(FATAL_ERROR "SPW_EXTENSION_KEY: no file ${spw_key}")
  endif()
else()
  set(spw_key ${PROJECT_BINARY_DIR}/extension-development-key.pem)
  if(NOT EXISTS ${spw_key})
    spw_packer(unused genkey ${spw_key})
  endif()
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${spw_key} ${spw_extension_dir}/manifest.json)

# The ids and the version.
file(READ ${spw_extension_dir}/manifest.json spw_manifest)
string(JSON SPW_EXTENSION_VERSION GET "${spw_manifest}" version)
string(JSON SPW_FIREFOX_EXTENSION_ID GET "${spw_manifest}" browser_specific_settings gecko id)
spw_packer(SPW_EXTENSION_ID id --key ${spw_key})
spw_packer(SPW_UNPACKED_EXTENSION_ID id --manifest ${spw_extension_dir}/manifest.json)
# Every Chromium id the extension can have on a machine: packed with the key (the package), loaded
# unpacked by a developer (pinned by the manifest's "key"), installed from the store.
set(SPW_CHROMIUM_EXTENSION_IDS ${SPW_EXTENSION_ID} ${SPW_UNPACKED_EXTENSION_ID})
if(SPW_CHROME_STORE_ID)
  if(NOT SPW_CHROME_STORE_ID MATCHES "^[a-p]+$")
    message(FATAL_ERROR "SPW_CHROME_STORE_ID: an extension id is 32 letters a to p")
  endif()
  list(APPEND SPW_CHROMIUM_EXTENSION_IDS ${SPW_CHROME_STORE_ID})
endif()
list(REMOVE_DUPLICATES SPW_CHROMIUM_EXTENSION_IDS)

if(SPW_EXTENSION_KEY)
  message(STATUS "Extension signed with ${spw_key}: id ${SPW_EXTENSION_ID}")
else()
  message(NOTICE "No vendor key given (-DSPW_EXTENSION_KEY=KEY.pem): the extension is packed "
    "with the development key ${spw_key}, id ${SPW_EXTENSION_ID}. Not for release.")
endif()

string(REPLACE ";" "\", \"" spw_ids_json "${SPW_CHROMIUM_EXTENSION_IDS}")
file(CONFIGURE OUTPUT ${SPW_RELEASE_DIR}/extension-ids.json CONTENT
"{
  \"version\": \"${SPW_EXTENSION_VERSION}\",
  \"chromium\": \"${SPW_EXTENSION_ID}\",
  \"chromiumUnpacked\": \"${SPW_UNPACKED_EXTENSION_ID}\",
  \"chromiumAllowed\": [\"${spw_ids_json}\"],
  \"firefox\": \"${SPW_FIREFOX_EXTENSION_ID}\"
}
")

# The three files. The packer lists in a depfile every file it packed and every folder it walked,
# so a changed, added or removed file of extension/ packs them again.
set(spw_release_name ${SPW_RELEASE_DIR}/securepassword-field-${SPW_EXTENSION_VERSION})
set(SPW_EXTENSION_ZIP ${spw_release_name}.zip)
set(SPW_EXTENSION_XPI ${spw_release_name}.xpi)
set(SPW_EXTENSION_CRX ${spw_release_name}.crx)
add_custom_command(
  OUTPUT ${SPW_EXTENSION_ZIP} ${SPW_EXTENSION_XPI} ${SPW_EXTENSION_CRX}
  COMMAND ${Python3_EXECUTABLE} ${spw_packer} pack --source ${spw_extension_dir} --key ${spw_key}
          --zip ${SPW_EXTENSION_ZIP} --xpi ${SPW_EXTENSION_XPI} --crx ${SPW_EXTENSION_CRX}
          --depfile ${SPW_RELEASE_DIR}/pack.d
          --depfile-target ${SPW_EXTENSION_ZIP}
  DEPENDS ${spw_packer} ${spw_extension_dir}/manifest.json
  DEPFILE ${SPW_RELEASE_DIR}/pack.d
  COMMENT "Packing the extension (zip, xpi, crx) with id ${SPW_EXTENSION_ID}"
  VERBATIM)
add_custom_target(extension_release ALL
  DEPENDS ${SPW_EXTENSION_ZIP} ${SPW_EXTENSION_XPI} ${SPW_EXTENSION_CRX})

# The XPI the package carries: Mozilla's signed copy when given, which must be this version of
# this add-on.
set(SPW_PACKAGED_XPI ${SPW_EXTENSION_XPI})
if(SPW_FIREFOX_SIGNED_XPI)
  get_filename_component(SPW_PACKAGED_XPI "${SPW_FIREFOX_SIGNED_XPI}" ABSOLUTE)
  set(spw_signed_dir ${PROJECT_BINARY_DIR}/release/signed-xpi-manifest)
  file(REMOVE_RECURSE ${spw_signed_dir})
  file(ARCHIVE_EXTRACT INPUT ${SPW_PACKAGED_XPI} DESTINATION ${spw_signed_dir}
    PATTERNS manifest.json)
  file(READ ${spw_signed_dir}/manifest.json spw_signed)
  string(JSON spw_signed_version GET "${spw_signed}" version)
  string(JSON spw_signed_id GET "${spw_signed}" browser_specific_settings gecko id)
  if(NOT spw_signed_version STREQUAL SPW_EXTENSION_VERSION
     OR NOT spw_signed_id STREQUAL SPW_FIREFOX_EXTENSION_ID)
    message(FATAL_ERROR "SPW_FIREFOX_SIGNED_XPI holds ${spw_signed_id} ${spw_signed_version}, "
      "not ${SPW_FIREFOX_EXTENSION_ID} ${SPW_EXTENSION_VERSION}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SPW_PACKAGED_XPI})
endif()
