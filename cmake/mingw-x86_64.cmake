# The same program for 64-bit Windows: used to run the Win32 tests under a 64-bit-only Wine on
# machines whose kernel cannot execute 32-bit code (and so cannot run wine32).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VESKAR_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
