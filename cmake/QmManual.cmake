# The manual's pictures: drawn by the native build from the editor and from
# renders of the demo (tools/manual-pictures.sh), committed in docs/images/
# so that docs/manual.md shows them wherever it is read, and checked by a
# test that fails when the committed ones are not what the build draws.
#   cmake --build build/linux --target manual_pictures         # into build/linux/manual/images
#   cmake --build build/linux --target manual_pictures_update  # and over docs/images/

# The documents name the project's version wherever they name one.
if(QM_BUILD_TESTS)
  add_test(NAME docs.version_mentions
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}
            "-DFILES=${PROJECT_SOURCE_DIR}/README.md;${PROJECT_SOURCE_DIR}/docs/manual.md"
            -P ${PROJECT_SOURCE_DIR}/cmake/QmCheckVersion.cmake)
endif()

# The pictures are drawn by the native build only.
if(CMAKE_CROSSCOMPILING OR WIN32)
  return()
endif()

set(QM_MANUAL_PICTURES ${CMAKE_BINARY_DIR}/manual/images)
add_custom_target(manual_pictures
  COMMAND bash ${PROJECT_SOURCE_DIR}/tools/manual-pictures.sh ${CMAKE_BINARY_DIR} ${QM_MANUAL_PICTURES}
  COMMENT "Drawing the manual's pictures into ${QM_MANUAL_PICTURES}"
  VERBATIM)
add_dependencies(manual_pictures quillmere quillmere-editor quillmere-host)
add_custom_target(manual_pictures_update
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_SOURCE_DIR}/docs/images
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QM_MANUAL_PICTURES} ${PROJECT_SOURCE_DIR}/docs/images
  COMMENT "Copying the manual's pictures into docs/images"
  VERBATIM)
add_dependencies(manual_pictures_update manual_pictures)

# The sanitizer builds leave it out: it checks files, not code.
if(QM_BUILD_TESTS AND NOT QM_SANITIZE)
  add_test(NAME manual.pictures_current
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/manual-pictures.sh --check ${CMAKE_BINARY_DIR}
            ${CMAKE_BINARY_DIR}/manual/check)
  set_tests_properties(manual.pictures_current PROPERTIES TIMEOUT 300)
endif()
