# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix-threads
# flavour, which C++'s threads and mutexes need): for the game (make windows)
# and for the SDL2 it links, built from Debian's source of it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DELVE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DELVE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DELVE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${DELVE_MINGW}-windres)
set(CMAKE_AR ${DELVE_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${DELVE_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")
# Libraries and headers come from the cross sysroot (and the prefixes given on
# the command line), programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DELVE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests and tools built here run under Wine.
find_program(DELVE_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DELVE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DELVE_WINE64})
endif()
