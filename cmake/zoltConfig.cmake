# SPDX-License-Identifier: MIT
include("${CMAKE_CURRENT_LIST_DIR}/zoltTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/ct_check.cmake")
