# Cross-build for 64-bit Windows with the MinGW-w64 toolchain (Debian: g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVANE_MINGW_PREFIX}-gcc)
# The posix thread model gives std::thread and friends; static linking keeps the exes free of
# MinGW runtime DLLs.
find_program(ORVANE_MINGW_CXX NAMES ${ORVANE_MINGW_PREFIX}-g++-posix ${ORVANE_MINGW_PREFIX}-g++)
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_CXX})
set(CMAKE_RC_COMPILER ${ORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
