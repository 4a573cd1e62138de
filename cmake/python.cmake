# SPDX-License-Identifier: MIT
# The Python package zolt (python/zolt), pure Python over the shared libzolt
# through ctypes, installed into ZOLT_PYTHON_DIR under the prefix: by default
# the site-packages directory of the python3 found, relative to its prefix
# (lib/python3.X/site-packages); the Debian package sets lib/python3/dist-packages.
# The package finds libzolt beside it (P/lib) or else by its soname.
if(NOT ZOLT_LIBRARY_TYPE STREQUAL "SHARED")
  message(FATAL_ERROR "ZOLT_PYTHON needs the shared libzolt (BUILD_SHARED_LIBS)")
endif()
if(NOT ZOLT_PYTHON_DIR)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c
    "import os, sysconfig; print(os.path.relpath(sysconfig.get_path('purelib', 'posix_prefix', {'base': '/'}), '/'))"
    OUTPUT_VARIABLE purelib OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(ZOLT_PYTHON_DIR ${purelib} CACHE STRING
      "Where the Python package is installed, relative to the prefix")
endif()
file(RELATIVE_PATH libdir /${ZOLT_PYTHON_DIR}/zolt /${ZOLT_INSTALL_LIBDIR})
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/python/zolt/_build.py CONTENT
"# SPDX-License-Identifier: MIT
# Where the package finds libzolt, written by the build: the shared library's
# soname, and the library directory relative to this package's directory.
SONAME = \"$<TARGET_SONAME_FILE_NAME:zolt>\"
LIBDIR = \"${libdir}\"
")
install(FILES python/zolt/__init__.py ${CMAKE_CURRENT_BINARY_DIR}/python/zolt/_build.py
        DESTINATION ${ZOLT_PYTHON_DIR}/zolt COMPONENT python)
