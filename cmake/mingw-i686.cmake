# Cross-build for 32-bit Windows: the plug-in as it ships.
set(RAVLET_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
