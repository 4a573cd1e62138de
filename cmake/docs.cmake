# SPDX-License-Identifier: MIT
# The API reference from the public headers' comments, when Doxygen is found:
# `cmake --build build --target docs` writes build/docs/html and fails on any
# Doxygen warning, an undocumented public entity included.
find_package(Doxygen QUIET)
find_package(Python3 QUIET COMPONENTS Interpreter)
if(NOT DOXYGEN_FOUND OR NOT Python3_FOUND)
  return()
endif()
set(ZOLT_DOCS_DIR ${CMAKE_CURRENT_BINARY_DIR}/docs)
configure_file(tools/docs/Doxyfile.in Doxyfile @ONLY)
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZOLT_DOCS_DIR}
  COMMAND Doxygen::doxygen ${CMAKE_CURRENT_BINARY_DIR}/Doxyfile
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/include/zolt/version.h
  COMMENT "API reference in ${ZOLT_DOCS_DIR}/html"
  VERBATIM)
