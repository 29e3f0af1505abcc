# Cross-building the core, its tests and the command-line tool for 64-bit Windows with Debian's
# MinGW-w64 (g++-mingw-w64-x86-64-posix: the POSIX thread model, for std::thread).
# Used by scripts/test-windows.sh; the programs run under Wine (wine64) as the test emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in (libstdc++, libgcc, winpthread): the .exe files run without DLLs beside
# them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(METERLOG2_WINE NAMES wine wine64 PATHS /usr/lib/wine)
if(METERLOG2_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${METERLOG2_WINE})
endif()

# GCC 12 reports impossible overlaps inside libstdc++'s inlined std::string concatenation
# (-Wrestrict false positives, GCC bug 105329); nothing in our code is concerned.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
