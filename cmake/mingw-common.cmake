# Shared part of the mingw-w64 cross toolchains; VESKAR_MINGW_PREFIX names the target triple.
# The -posix compiler variants give std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VESKAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESKAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VESKAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESKAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the cross-built test programs through Wine, in the test run's private session.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
