# The Debian package. `cpack -G DEB` in the build folder makes
# miravel_<version>_<arch>.deb from the install rules below;
# scripts/package.sh builds it and checks it (lintian, then the unpacked
# programs). The version is the project's, from project() in the root
# CMakeLists.txt; packaging/changelog must have an entry for it.
#
# What goes where (prefix /usr):
#   bin/miravel, bin/miravel-make                       the programs
#   share/applications/miravel.desktop                  menu entry
#   share/icons/hicolor/{32x32,128x128}/apps/miravel.png the icon
#   share/man/man1/miravel.1.gz, miravel-make.1.gz      manual pages
#   share/doc/miravel/copyright, changelog.gz           package documents
#   share/doc/miravel/examples/history.txt, history.DLL the sample test
#   share/lintian/overrides/miravel                     lintian overrides
#
# Linux only, and only with the windows built (the package needs both
# programs). The tests, benchmarks and window-shots are not installed.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR NOT MIRAVEL_BUILD_UI)
  return()
endif()

include(GNUInstallDirs)

# Folders made by the install get 0755 whatever the umask is.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(miravel_packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(miravel_packaging_out ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS miravel miravel-make RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (CPack strips, CPACK_STRIP_FILES below) also drops the
# compiler's .comment and the .note section, as Debian's own packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program miravel miravel-make)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

# Hardening as Debian builds its packages (dpkg-buildflags): fortified libc
# calls in the optimised builds, and every symbol bound at start-up (the
# relocations are then read-only, which the linker does by default). Given
# to the two programs and to the project's libraries that they are made of.
if(NOT MIRAVEL_SANITIZE)
  set(miravel_pending miravel miravel-make)
  set(miravel_hardened)
  while(miravel_pending)
    list(POP_FRONT miravel_pending target)
    if(NOT TARGET ${target} OR target IN_LIST miravel_hardened)
      continue()
    endif()
    get_target_property(type ${target} TYPE)
    get_target_property(folder ${target} SOURCE_DIR)
    string(FIND "${folder}/" "${PROJECT_SOURCE_DIR}/" at)
    if(NOT at EQUAL 0 OR NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY)$")
      continue()  # interface libraries, Qt
    endif()
    list(APPEND miravel_hardened ${target})
    target_compile_options(${target} PRIVATE
      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    get_target_property(libraries ${target} LINK_LIBRARIES)
    if(libraries)
      list(APPEND miravel_pending ${libraries})
    endif()
  endwhile()
  target_link_options(miravel PRIVATE LINKER:-z,now)
  target_link_options(miravel-make PRIVATE LINKER:-z,now)
endif()

install(FILES ${miravel_packaging_dir}/miravel.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
# The 32 x 32 drawing is src/gui/ui/icons/miravel.xpm as PNG; the 128 x 128 one
# is the same design drawn larger. Both are made by scripts/draw-icon.py
# --icons and kept in packaging/icons/, so that the build needs no Python.
foreach(size 32 128)
  install(FILES ${miravel_packaging_dir}/icons/miravel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME miravel.png)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/examples/history.txt ${PROJECT_BINARY_DIR}/examples/history.DLL
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${miravel_packaging_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# What lintian reports that is no fault, each with its reason.
install(FILES ${miravel_packaging_dir}/miravel.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME miravel)

# Manual pages (with the version filled in) and the changelog, compressed
# the way Debian wants them: gzip -9, without the name and time stamp that
# would make every build differ (-n); -k keeps the plain file for make.
find_program(MIRAVEL_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/man/miravel.1 ${miravel_packaging_out}/miravel.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/man/miravel-make.1 ${miravel_packaging_out}/miravel-make.1 @ONLY)
configure_file(${miravel_packaging_dir}/changelog ${miravel_packaging_out}/changelog COPYONLY)
set(miravel_gzipped)
foreach(name miravel.1 miravel-make.1 changelog)
  add_custom_command(
    OUTPUT ${miravel_packaging_out}/${name}.gz
    COMMAND ${MIRAVEL_GZIP} -9nkf ${miravel_packaging_out}/${name}
    DEPENDS ${miravel_packaging_out}/${name}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND miravel_gzipped ${miravel_packaging_out}/${name}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${miravel_gzipped})
install(FILES ${miravel_packaging_out}/miravel.1.gz ${miravel_packaging_out}/miravel-make.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${miravel_packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- CPack ---------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME miravel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Miravel developers")
set(CPACK_PACKAGE_CONTACT "Miravel developers <maintainers@miravel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "timed multiple-choice tests with a graded report for the teacher")
set(CPACK_PACKAGE_DESCRIPTION [=[
Miravel («Миравель») is a desktop program for the classroom. In its one
window a student types a full name and a group, opens a test file and takes
a timed multiple-choice test: up to four options a question, stepping
forward and back, with a gauge that shows the time left. The teacher then
unlocks the graded, colour-coded report on the same screen with the report
password. The user interface is in Russian.

The package also holds miravel-make, the command-line tool with which
teachers write tests as UTF-8 text (the Aiken format with a short header),
compile them into enciphered test files and decode test files back into
text, and a sample test on the history of Ancient Egypt.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # miravel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps (package dpkg-dev); the font is
# the face that the windows are laid out for (see src/gui/ui/fonts.h).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-cantarell)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Control files with the modes Debian policy asks for.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
