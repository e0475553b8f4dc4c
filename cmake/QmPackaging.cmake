# Installing and packaging.
#
# cmake --install puts the module where hosts look for it:
#   Linux:   <prefix>/lib/lxvst/quillmere.so, the manual in
#            <prefix>/share/doc/quillmere/, quillmere-host in <prefix>/bin/
#            (with --prefix /usr or /usr/local, Ardour finds the module
#            without any setting)
#   Windows: quillmere_x64.dll, the manual and quillmere-host.exe in <prefix>
# CPack makes a Debian package of the Linux build (module in /usr/lib/lxvst,
# dependencies from dpkg-shlibdeps) and a zip of the Windows build:
#   cpack --preset linux && cpack --preset windows    (into build/packages)

if(WIN32)
  set(QM_INSTALL_MODULE_DIR . CACHE STRING "Folder under the prefix for the VST 2 module")
  set(QM_INSTALL_DOC_DIR .)
  set(QM_INSTALL_BIN_DIR .)
else()
  set(QM_INSTALL_MODULE_DIR lib/lxvst CACHE STRING "Folder under the prefix for the VST 2 module")
  set(QM_INSTALL_DOC_DIR share/doc/quillmere)
  set(QM_INSTALL_BIN_DIR bin)
endif()

install(TARGETS quillmere LIBRARY DESTINATION ${QM_INSTALL_MODULE_DIR} COMPONENT plugin)
install(TARGETS quillmere-host RUNTIME DESTINATION ${QM_INSTALL_BIN_DIR} COMPONENT host)
install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.md DESTINATION ${QM_INSTALL_DOC_DIR} COMPONENT manual)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${QM_INSTALL_DOC_DIR} COMPONENT manual
        FILES_MATCHING PATTERN "*.png")
# The licence and the notices of the libraries built in; a Debian package
# also carries it as its copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE.txt DESTINATION ${QM_INSTALL_DOC_DIR} COMPONENT manual)
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE.txt DESTINATION ${QM_INSTALL_DOC_DIR} RENAME copyright COMPONENT manual)
endif()

set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR Tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tolvane <quillmere@tolvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stereo delay plug-in (VST 2) with forward and reversed echoes")
# Lines as the Debian control file wants them: under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "quillmere is a stereo delay whose left and right channels each play their\n"
  "echoes forward or reversed, through a lowpass, mixed with the dry signal.\n"
  "The delay follows the host's tempo in note divisions or is set in\n"
  "milliseconds; two toggles make the channels' colours glide into each\n"
  "other and flip their directions once per loop. 14 automatable parameters\n"
  "and 28 factory programs. For Linux VST 2 hosts such as Ardour, REAPER and\n"
  "Bitwig Studio; with a command-line host, quillmere-host.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quillmere-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tolvane.example/quillmere)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
