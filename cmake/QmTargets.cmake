# Functions the folders use for their targets.

# qm_sound_path(<target>)
# The sound path is built fully optimised (vectorised conversions and copies)
# in every configuration but Debug; nothing here changes floating-point
# results.
function(qm_sound_path target)
  target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O3>)
endfunction()

# qm_vst_module(<target> [ENTRY])
# Makes the MODULE library <target> a VST 2 module as hosts load it: no "lib"
# prefix, nothing exported but what its sources mark for export, and on
# Linux every symbol resolved when it is linked. With ENTRY the module gets
# the framework's entry points VSTPluginMain and main (qm_vst_entry), which
# create the plug-in through MakePlug, and exports nothing else; without it
# the target's own sources provide the entry points (the test modules).
function(qm_vst_module target)
  cmake_parse_arguments(ARG "ENTRY" "" "" ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(NOT WIN32)
    find_package(Threads REQUIRED)
    target_link_libraries(${target} PRIVATE Threads::Threads)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  if(ARG_ENTRY)
    target_link_libraries(${target} PRIVATE qm_vst_entry)
  endif()
endfunction()
