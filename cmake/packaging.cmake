# SPDX-License-Identifier: MIT
# Debian packages, `cpack -G DEB` in a Release build: the runtime package holds
# the four shared libraries and is named after their soname (libzolt0.2); the
# development package libzolt-dev holds the headers, the CMake package, the .pc
# files and the unversioned .so links, and depends on the runtime package of the
# same version; with ZOLT_PYTHON, python3-zolt holds the Python package (built
# with ZOLT_PYTHON_DIR=lib/python3/dist-packages, where Debian's python3 looks)
# and depends on the runtime package of the same version.
set(ZOLT_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(ZOLT_RUNTIME_PACKAGE libzolt${ZOLT_SOVERSION})

# Each package carries the license where Debian looks for it; a plain
# `cmake --install` leaves these two copies out.
install(FILES LICENSE DESTINATION share/doc/${ZOLT_RUNTIME_PACKAGE} RENAME copyright
        COMPONENT runtime EXCLUDE_FROM_ALL)
install(FILES LICENSE DESTINATION share/doc/libzolt-dev RENAME copyright COMPONENT dev
        EXCLUDE_FROM_ALL)
if(ZOLT_PYTHON)
  install(FILES LICENSE DESTINATION share/doc/python3-zolt RENAME copyright COMPONENT python
          EXCLUDE_FROM_ALL)
endif()

set(CPACK_PACKAGE_CONTACT "the zolt developers" CACHE STRING
    "Maintainer field of the packages, 'Name <address>'")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
if(ZOLT_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${ZOLT_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Debian's synopsis line is the project description; these are the rest.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "The shared libraries zolt, zolt_bigstring, zolt_bytes and zolt_cstruct.
Every operation reads its whole input and chooses with masks, not branches,
so its time, branches and memory addresses do not depend on secret bytes.")
# Library dependencies from dpkg-shlibdeps, and a shlibs file for packages
# built against these libraries.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# dpkg refreshes the loader's cache after installing or removing libraries.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libzolt-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# zolt-ct-check runs valgrind's memcheck, and skips its check without it.
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS valgrind)
set(CPACK_DEBIAN_DEV_DESCRIPTION "The headers, CMake package and pkg-config files of the zolt libraries,
for C++20 programs that check MACs and tokens, compare keys, decode hex
secrets or render secret numbers in constant time.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-zolt)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS python3)
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "The Python package zolt: libzolt's constant-time equality, comparisons,
hex and base64 codecs and padding, through the standard library's ctypes.")
include(CPack)
