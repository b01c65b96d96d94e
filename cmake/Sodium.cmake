# SPDX-License-Identifier: GPL-3.0-or-later
# libsodium, with which the report password's hash (Argon2id) is checked and
# made. Found with find_path and find_library; a build that brings its own
# copy (a cross-build, say) names it with SODIUM_INCLUDE_DIR (the folder of
# sodium.h) and SODIUM_LIBRARY (the library file).
#
# MIRAVEL_PASSWORD_HASHES=OFF builds without it: the program then checks no
# hash (a site configuration that sets one refuses every report password and
# says why) and miravel-make cannot set a password.
#
# Defines the interface library miravel_sodium, which carries the library
# and MIRAVEL_PASSWORD_HASHES to whatever links it.
option(MIRAVEL_PASSWORD_HASHES "Check and make report password hashes with libsodium" ON)

add_library(miravel_sodium INTERFACE)
if(MIRAVEL_PASSWORD_HASHES)
  find_path(SODIUM_INCLUDE_DIR sodium.h DOC "The folder of libsodium's sodium.h")
  find_library(SODIUM_LIBRARY NAMES sodium libsodium DOC "The libsodium library")
  if(NOT SODIUM_INCLUDE_DIR OR NOT SODIUM_LIBRARY)
    message(FATAL_ERROR
      "libsodium was not found (sodium.h: ${SODIUM_INCLUDE_DIR}; library: ${SODIUM_LIBRARY}). "
      "On Debian: apt install libsodium-dev. Elsewhere set SODIUM_INCLUDE_DIR to the folder of sodium.h "
      "and SODIUM_LIBRARY to the library, or configure with -DMIRAVEL_PASSWORD_HASHES=OFF to build "
      "without report password hashes.")
  endif()
  target_include_directories(miravel_sodium SYSTEM INTERFACE ${SODIUM_INCLUDE_DIR})
  target_link_libraries(miravel_sodium INTERFACE ${SODIUM_LIBRARY})
  if(WIN32 AND SODIUM_LIBRARY MATCHES "\\.a$" AND NOT SODIUM_LIBRARY MATCHES "\\.dll\\.a$")
    # A static library: sodium.h is not to declare its functions as DLL imports.
    target_compile_definitions(miravel_sodium INTERFACE SODIUM_STATIC)
  endif()
  target_compile_definitions(miravel_sodium INTERFACE MIRAVEL_PASSWORD_HASHES)
endif()
