# quillmere's version comes from project(VERSION ...) in the top-level
# CMakeLists.txt and nowhere else. This writes it into a header for the code
# (target qm_version); the packages take it from the same variables.

foreach(part MINOR PATCH)
  if(PROJECT_VERSION_${part} GREATER 99)
    # The decimal form hosts and state chunks see is major * 10000 +
    # minor * 100 + patch.
    message(FATAL_ERROR "the ${part} version number must be 0 to 99, not ${PROJECT_VERSION_${part}}")
  endif()
endforeach()
if(PROJECT_VERSION_MAJOR GREATER 32767)
  message(FATAL_ERROR "the major version number must be below 32768")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/QmVersion.h.in ${CMAKE_BINARY_DIR}/generated/QmVersion.h @ONLY)
add_library(qm_version INTERFACE)
target_include_directories(qm_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
