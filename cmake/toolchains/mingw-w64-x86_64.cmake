# Cross-building for 64-bit Windows with Debian's MinGW-w64 compilers
# (package g++-mingw-w64-x86-64-posix). The posix thread model is the one
# whose libstdc++ has std::thread and friends; it needs winpthread.
#
# Programs are linked statically (libgcc, libstdc++, winpthread), so a built
# .exe runs on Windows, or under Wine, with no MinGW DLL beside it.
#
# Running the built programs on the build machine (tests, the sample test)
# needs an emulator: the "windows" preset sets CMAKE_CROSSCOMPILING_EMULATOR
# to wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MIRAVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MIRAVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRAVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRAVEL_MINGW_TRIPLE}-windres)

# Libraries, headers and packages come from the target's tree only; programs
# (tools run during the build) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MIRAVEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
