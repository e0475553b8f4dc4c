# libpng and zlib for the Windows build: compiled from Debian's source
# packages (unpacked into third_party/ by tools/fetch-win-deps.sh) with the
# cross toolchain, and linked statically. Defines the targets qm_zlib and
# qm_png.
set(QM_THIRD_PARTY_DIR ${PROJECT_SOURCE_DIR}/third_party CACHE PATH
    "Where tools/fetch-win-deps.sh unpacks the sources of the Windows libraries")
set(_zlib_dir ${QM_THIRD_PARTY_DIR}/zlib)
set(_png_dir ${QM_THIRD_PARTY_DIR}/libpng)

if(NOT EXISTS ${_zlib_dir}/zlib.h OR NOT EXISTS ${_png_dir}/png.h)
  message(STATUS "Fetching the sources of zlib and libpng (tools/fetch-win-deps.sh)")
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/fetch-win-deps.sh RESULT_VARIABLE _fetch_result)
  if(NOT _fetch_result EQUAL 0 OR NOT EXISTS ${_zlib_dir}/zlib.h OR NOT EXISTS ${_png_dir}/png.h)
    message(FATAL_ERROR "The sources of zlib and libpng are missing from ${QM_THIRD_PARTY_DIR}; "
                        "run tools/install-deps.sh (as root) first.")
  endif()
endif()

set(_zlib_sources adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate
    inftrees trees uncompr zutil)
list(TRANSFORM _zlib_sources PREPEND ${_zlib_dir}/)
list(TRANSFORM _zlib_sources APPEND .c)
add_library(qm_zlib STATIC ${_zlib_sources})
target_include_directories(qm_zlib SYSTEM PUBLIC ${_zlib_dir})
# Their code, their warnings: not ours to fix.
target_compile_options(qm_zlib PRIVATE -w)

set(_png_sources png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans
    pngwio pngwrite pngwtran pngwutil)
list(TRANSFORM _png_sources PREPEND ${_png_dir}/)
list(TRANSFORM _png_sources APPEND .c)
set(_png_config ${CMAKE_BINARY_DIR}/win-deps/libpng)
configure_file(${_png_dir}/scripts/pnglibconf.h.prebuilt ${_png_config}/pnglibconf.h COPYONLY)
add_library(qm_png STATIC ${_png_sources})
target_include_directories(qm_png SYSTEM PUBLIC ${_png_dir} ${_png_config})
target_compile_options(qm_png PRIVATE -w)
target_link_libraries(qm_png PUBLIC qm_zlib)
