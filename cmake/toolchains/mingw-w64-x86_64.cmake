# SPDX-License-Identifier: GPL-3.0-or-later
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

# Qt for Windows: MIRAVEL_QT_WINDOWS (a cache variable, or the environment
# variable of that name) is the folder that
# scripts/build-qt-windows.sh installs Qt into. Its packages are looked for
# there; its tools that run during the build (moc, uic, rcc) are those of
# Debian's qt6-base-dev-tools, of the same Qt version (QT_HOST_PATH).
#
# libsodium for Windows likewise: MIRAVEL_SODIUM_WINDOWS is the folder that
# scripts/build-sodium-windows.sh installs it into (sodium.h in include/,
# the static libsodium.a in lib/).
foreach(var MIRAVEL_QT_WINDOWS MIRAVEL_SODIUM_WINDOWS)
  if(NOT ${var} AND DEFINED ENV{${var}})
    set(${var} "$ENV{${var}}")
  endif()
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${var})
endforeach()
if(MIRAVEL_QT_WINDOWS)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${MIRAVEL_QT_WINDOWS}")
  list(PREPEND CMAKE_PREFIX_PATH "${MIRAVEL_QT_WINDOWS}/lib/cmake")
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
if(MIRAVEL_SODIUM_WINDOWS)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${MIRAVEL_SODIUM_WINDOWS}")
  list(PREPEND CMAKE_PREFIX_PATH "${MIRAVEL_SODIUM_WINDOWS}")
endif()

# Programs the build runs under Wine (tests, the picture tool) find the Qt
# DLLs through WINEPATH.
if(MIRAVEL_QT_WINDOWS AND CMAKE_CROSSCOMPILING_EMULATOR STREQUAL "wine")
  set(CMAKE_CROSSCOMPILING_EMULATOR env "WINEPATH=Z:${MIRAVEL_QT_WINDOWS}/bin" wine)
endif()
