# Cross-build for 64-bit Windows: the same code as the shipped 32-bit
# plug-in, so that the Windows tests also run under wine64 on machines that
# cannot execute 32-bit programs.
set(RAVLET_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
