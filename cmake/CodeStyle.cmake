# SPDX-License-Identifier: GPL-3.0-or-later
# The format target: clang-format -i over every C++ source git tracks, with
# the root .clang-format (scripts/format-check.sh checks the same files).
find_program(MIRAVEL_CLANG_FORMAT NAMES clang-format clang-format-14)
find_package(Git QUIET)
if(MIRAVEL_CLANG_FORMAT AND GIT_FOUND AND CMAKE_HOST_UNIX)
  add_custom_target(format
    COMMAND sh -c "\"$1\" ls-files -z -- '*.cpp' '*.h' | xargs -0 \"$2\" -i" format
            ${GIT_EXECUTABLE} ${MIRAVEL_CLANG_FORMAT}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting the tracked C++ sources with clang-format"
    VERBATIM)
endif()
