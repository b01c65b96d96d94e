# SPDX-License-Identifier: GPL-3.0-or-later
# Warning flags shared by every target of the project.
add_library(miravel_warnings INTERFACE)
# Every Windows build (MinGW-w64 or Microsoft's compiler): windows.h is not to
# define the macros min and max, which hide std::min, std::max and
# std::numeric_limits<T>::max.
if(WIN32)
  add_compile_definitions(NOMINMAX)
endif()
if(MSVC)
  # Microsoft's compiler, in a native Windows build. The sources are UTF-8 and
  # hold Cyrillic program texts: /utf-8 has the compiler read them so.
  target_compile_options(miravel_warnings INTERFACE /utf-8 /W4 /permissive-)
  # fopen and the like are meant.
  target_compile_definitions(miravel_warnings INTERFACE _CRT_SECURE_NO_WARNINGS)
  if(MIRAVEL_WERROR)
    target_compile_options(miravel_warnings INTERFACE /WX)
  endif()
else()
  target_compile_options(miravel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(MIRAVEL_WERROR)
    target_compile_options(miravel_warnings INTERFACE -Werror)
  endif()
endif()
