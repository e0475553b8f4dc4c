# cmake -DVERSION=x.y.z -DFILES="a;b" -P QmCheckVersion.cmake
# Fails when a document names another version than the project's: package
# file names, "quillmere-host x.y.z", "quillmere x.y.z", "version x.y.z",
# the editor's "vX.YY" and the decimal form hosts see, "version: NNNNN" and
# "NNNNN for version" (major * 10000 + minor * 100 + patch).
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
math(EXPR decimal "${major} * 10000 + ${minor} * 100 + ${patch}")
if(minor LESS 10)
  set(editor "v${major}.0${minor}")
else()
  set(editor "v${major}.${minor}")
endif()

set(failed 0)
foreach(file ${FILES})
  file(READ "${file}" text)
  set(found 0)
  foreach(pair
      "quillmere_([0-9.]+)_amd64\\.deb|${VERSION}"
      "quillmere-([0-9.]+)-win64\\.zip|${VERSION}"
      "quillmere-host ([0-9]+\\.[0-9]+\\.[0-9]+)|${VERSION}"
      "quillmere ([0-9]+\\.[0-9]+\\.[0-9]+)|${VERSION}"
      "[ r] version: ([0-9]+)|${decimal}"
      "([0-9]+) for version|${decimal}"
      "version ([0-9]+\\.[0-9]+\\.[0-9]+)|${VERSION}"
      "(v[0-9]+\\.[0-9][0-9])[^0-9]|${editor}")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 pattern)
    list(GET pair 1 expected)
    string(REGEX MATCHALL "${pattern}" mentions "${text}")
    foreach(mention ${mentions})
      string(REGEX REPLACE "^${pattern}$" "\\1" named "${mention}")
      math(EXPR found "${found} + 1")
      if(NOT named STREQUAL expected)
        message(SEND_ERROR "${file}: \"${mention}\" names ${named}; the version is ${VERSION} (${expected})")
        set(failed 1)
      endif()
    endforeach()
  endforeach()
  message(STATUS "${file}: ${found} version mentions")
  if(found EQUAL 0)
    message(SEND_ERROR "${file} names no version")
    set(failed 1)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "documents name other versions than ${VERSION}: change them")
endif()
