# The product's toolchain: 32-bit Windows programs built on Debian with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VESKAR_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
