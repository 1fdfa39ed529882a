# What goes where on a machine where people type passwords: the install rules of the Debian
# package securepassword-field (made by CPack, see CMakeLists.txt), which
# tools/install-browser-host.sh also runs for a build tree. Three components:
#   field_host       securepassword-host, the plug-in module and libnativeui.so, in
#                    <prefix>/lib/securepassword (each finds the others beside itself)
#   field_manifests  the native messaging host manifests of Chromium, Google Chrome and Firefox
#   field_extension  the extension, installed for every user by each browser's own system-wide
#                    mechanism, and the administrators' policy templates
# Files whose contents name an installed path are written at install time by
# write-field-files.cmake, for the prefix being installed to. The browsers read most of these
# files at fixed paths outside any prefix, so only an install of these components (cpack, the
# install script) installs them, never a plain `cmake --install`. Included by CMakeLists.txt after
# ExtensionRelease.cmake.
set(SPW_FIELD_LIBDIR lib/securepassword)
set(SPW_FIELD_DATADIR share/securepassword)
set(SPW_HOST_NAME net.securepassword.host)
# The folders each browser reads system-wide (Debian's Chromium, Google Chrome, Firefox ESR).
set(SPW_CHROMIUM_HOST_DIRS_DEFAULT
  /etc/chromium/native-messaging-hosts /etc/opt/chrome/native-messaging-hosts)
set(SPW_FIREFOX_HOST_DIRS_DEFAULT /usr/lib/mozilla/native-messaging-hosts)
# Chromium reads external extension files from the extensions folder beside its program and from
# /usr/share/chromium/extensions, but Debian's /usr/bin/chromium also hands every entry of the latter
# to --load-extension, which shows an error dialog at each start for a file; so the folder beside
# the program. Google Chrome's would be in /opt; it reads /usr/share/google-chrome/extensions too.
set(SPW_CHROMIUM_EXTERNAL_DIRS /usr/lib/chromium/extensions /usr/share/google-chrome/extensions)
set(SPW_FIREFOX_SYSTEM_ADDONS
  "/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}")

# The native host. Its RUNPATH $ORIGIN finds libnativeui.so beside it wherever it is installed; it
# loads the module from beside its own executable.
set_target_properties(securepassword-host securepassword PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS securepassword-host nativeui securepassword
  RUNTIME DESTINATION ${SPW_FIELD_LIBDIR} COMPONENT field_host EXCLUDE_FROM_ALL
  LIBRARY DESTINATION ${SPW_FIELD_LIBDIR} COMPONENT field_host EXCLUDE_FROM_ALL)
install(FILES $<TARGET_FILE_DIR:securepassword>/Info.plist
  DESTINATION ${SPW_FIELD_LIBDIR} COMPONENT field_host EXCLUDE_FROM_ALL)

# What write-field-files.cmake needs to know at install time. The host manifests' folders and
# program can be given to the install (cmake -D... -P cmake_install.cmake), as the install script
# does for a user's own folders.
string(CONFIGURE [[
set(SPW_FIELD_SCRATCH "@CMAKE_CURRENT_BINARY_DIR@/field-files")
set(SPW_FIELD_TEMPLATES "@CMAKE_CURRENT_SOURCE_DIR@/policies")
set(SPW_FIELD_LIBDIR "@SPW_FIELD_LIBDIR@")
set(SPW_FIELD_DATADIR "@SPW_FIELD_DATADIR@")
set(SPW_HOST_NAME "@SPW_HOST_NAME@")
set(SPW_EXTENSION_VERSION "@SPW_EXTENSION_VERSION@")
set(SPW_EXTENSION_ID "@SPW_EXTENSION_ID@")
set(SPW_CHROMIUM_EXTENSION_IDS "@SPW_CHROMIUM_EXTENSION_IDS@")
set(SPW_FIREFOX_EXTENSION_ID "@SPW_FIREFOX_EXTENSION_ID@")
set(SPW_CHROMIUM_EXTERNAL_DIRS "@SPW_CHROMIUM_EXTERNAL_DIRS@")
set(SPW_FIREFOX_SYSTEM_ADDONS "@SPW_FIREFOX_SYSTEM_ADDONS@")
if(NOT DEFINED SPW_CHROMIUM_HOST_DIRS)
  set(SPW_CHROMIUM_HOST_DIRS "@SPW_CHROMIUM_HOST_DIRS_DEFAULT@")
endif()
if(NOT DEFINED SPW_FIREFOX_HOST_DIRS)
  set(SPW_FIREFOX_HOST_DIRS "@SPW_FIREFOX_HOST_DIRS_DEFAULT@")
endif()
]] spw_field_settings @ONLY)
set(spw_writer "${CMAKE_CURRENT_SOURCE_DIR}/write-field-files.cmake")
install(CODE "${spw_field_settings}set(SPW_FIELD_PART manifests)\ninclude(\"${spw_writer}\")"
  COMPONENT field_manifests EXCLUDE_FROM_ALL)

# The extension: the CRX for Chromium and Chrome, which their external extension files name; the
# XPI where Firefox picks up add-ons for every user (its name is the add-on's id).
install(FILES ${SPW_EXTENSION_CRX} DESTINATION ${SPW_FIELD_DATADIR}
  RENAME securepassword-field.crx COMPONENT field_extension EXCLUDE_FROM_ALL)
install(FILES ${SPW_PACKAGED_XPI} DESTINATION ${SPW_FIREFOX_SYSTEM_ADDONS}
  RENAME ${SPW_FIREFOX_EXTENSION_ID}.xpi COMPONENT field_extension EXCLUDE_FROM_ALL)
install(CODE "${spw_field_settings}set(SPW_FIELD_PART extension)\ninclude(\"${spw_writer}\")"
  COMPONENT field_extension EXCLUDE_FROM_ALL)

# The package.
list(APPEND CPACK_COMPONENTS_ALL field_host field_manifests field_extension)
foreach(component field_host field_manifests field_extension)
  string(TOUPPER ${component} component)
  set(CPACK_COMPONENT_${component}_GROUP field)
endforeach()
set(CPACK_DEBIAN_FIELD_PACKAGE_NAME securepassword-field)
set(CPACK_DEBIAN_FIELD_PACKAGE_SECTION web)
set(CPACK_DEBIAN_FIELD_PACKAGE_ENHANCES "chromium, firefox-esr, firefox, google-chrome-stable")
set(CPACK_DEBIAN_FIELD_DESCRIPTION
  "Secure password field for Chromium, Google Chrome and Firefox\nGives web pages the secure password field: the browser extension, installed\nfor every user of the machine, and the native program behind it that runs the\nplug-in out of the browser's process. A page reads the typed password only as\nan encoded password text.")
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/debian/securepassword-field.lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME securepassword-field
  COMPONENT field_host EXCLUDE_FROM_ALL)
