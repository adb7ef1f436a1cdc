# Cross build for 64-bit Windows with MinGW-w64 (posix thread model, so std::thread and
# std::mutex work), run and tested under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CW_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${CW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CW_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# CTest runs every Windows test program through Wine.
find_program(CW_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CW_WINE})
