# Warning flags shared by every target of the project.
add_library(miravel_warnings INTERFACE)
target_compile_options(miravel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(MIRAVEL_WERROR)
  target_compile_options(miravel_warnings INTERFACE -Werror)
endif()
