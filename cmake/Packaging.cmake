# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages. `cpack -G DEB` in the build folder makes two packages
# from the install rules below, one for each install component:
#   miravel_<version>_<arch>.deb          (component "miravel") what every
#       computer of the classroom needs: the program the students take tests
#       with, and the sample test;
#   miravel-teacher_<version>_<arch>.deb  (component "teacher") what the
#       teacher makes tests with, for the teacher's computer only; it
#       depends on miravel of the same version.
# scripts/package.sh builds them and checks them (lintian, what each holds,
# then the unpacked programs). The version is the project's, from project()
# in the root CMakeLists.txt; packaging/changelog must have an entry for it.
#
# What goes where (prefix /usr):
#  miravel:
#   bin/miravel                                         the program
#   share/applications/miravel.desktop                  menu entry
#   share/icons/hicolor/{32x32,128x128}/apps/miravel.png the icon
#   share/man/man1/miravel.1.gz                         manual page
#   share/man/ru/man1/miravel.1.gz                      the same in Russian
#   share/doc/miravel/copyright, changelog.gz           package documents
#   share/doc/miravel/examples/history.DLL              the sample test
#  miravel-teacher:
#   bin/miravel-make, bin/miravel-preview               the teacher's commands
#                                                       (the preview when built)
#   share/man/man1/miravel-make.1.gz, miravel-preview.1.gz   their manual pages
#   share/man/ru/man1/miravel-make.1.gz, miravel-preview.1.gz  the same in Russian
#   share/locale/ru/LC_MESSAGES/miravel-make.mo         miravel-make in Russian
#   share/doc/miravel-teacher/copyright, changelog.gz   package documents
#   share/doc/miravel-teacher/examples/history.txt      the sample test's source
#
# Linux only, and only with the windows built (the packages need all the
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

# The programs of each package. The teacher's preview command is packaged
# once the build has it.
set(miravel_teacher_programs miravel-make)
if(TARGET miravel-preview)
  list(APPEND miravel_teacher_programs miravel-preview)
endif()
set(miravel_teacher_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/miravel-teacher)

install(TARGETS miravel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT miravel)
install(TARGETS ${miravel_teacher_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT teacher)
# A stripped install (CPack strips, CPACK_STRIP_FILES below) also drops the
# compiler's .comment and the .note section, as Debian's own packages do.
foreach(component miravel teacher)
  set(programs miravel)
  if(component STREQUAL "teacher")
    set(programs ${miravel_teacher_programs})
  endif()
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program ${programs})
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()" COMPONENT ${component})
endforeach()

# Hardening as Debian builds its packages (dpkg-buildflags): fortified libc
# calls in the optimised builds, and every symbol bound at start-up (the
# relocations are then read-only, which the linker does by default). Given
# to the programs and to the project's libraries that they are made of.
if(NOT MIRAVEL_SANITIZE)
  set(miravel_pending miravel ${miravel_teacher_programs})
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
  foreach(program miravel ${miravel_teacher_programs})
    target_link_options(${program} PRIVATE LINKER:-z,now)
  endforeach()
endif()

install(FILES ${miravel_packaging_dir}/miravel.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT miravel)
# The 32 x 32 drawing is src/gui/ui/icons/miravel.xpm as PNG; the 128 x 128 one
# is the same design drawn larger. Both are made by scripts/draw-icon.py
# --icons and kept in packaging/icons/, so that the build needs no Python.
foreach(size 32 128)
  install(FILES ${miravel_packaging_dir}/icons/miravel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
          RENAME miravel.png COMPONENT miravel)
endforeach()

# The sample test for the classroom, its source for the teacher.
install(FILES ${PROJECT_BINARY_DIR}/examples/history.DLL DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT miravel)
install(FILES ${PROJECT_SOURCE_DIR}/examples/history.txt DESTINATION ${miravel_teacher_docdir}/examples
        COMPONENT teacher)
install(FILES ${miravel_packaging_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT miravel)
install(FILES ${miravel_packaging_dir}/copyright DESTINATION ${miravel_teacher_docdir} COMPONENT teacher)
# What lintian reports that is no fault, each with its reason, would be in
# packaging/<package>.lintian-overrides; neither package needs any now.
foreach(package miravel miravel-teacher)
  if(EXISTS ${miravel_packaging_dir}/${package}.lintian-overrides)
    string(REGEX REPLACE "^miravel-" "" component ${package})
    install(FILES ${miravel_packaging_dir}/${package}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${package} COMPONENT ${component})
  endif()
endforeach()

# Manual pages (with the version filled in) and the changelog, compressed
# the way Debian wants them: gzip -9, without the name and time stamp that
# would make every build differ (-n); -k keeps the plain file for make.
# The Russian pages (man/ru) go to share/man/ru/man1, where man finds them
# under a Russian locale.
find_program(MIRAVEL_GZIP gzip REQUIRED)
set(miravel_teacher_manuals)
foreach(program ${miravel_teacher_programs})
  if(EXISTS ${PROJECT_SOURCE_DIR}/man/${program}.1)
    list(APPEND miravel_teacher_manuals ${program}.1)
  endif()
endforeach()
set(miravel_manuals miravel.1 ${miravel_teacher_manuals})
foreach(manual IN LISTS miravel_manuals)
  configure_file(${PROJECT_SOURCE_DIR}/man/${manual} ${miravel_packaging_out}/${manual} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/man/ru/${manual} ${miravel_packaging_out}/ru/${manual} @ONLY)
endforeach()
list(TRANSFORM miravel_manuals PREPEND ru/ OUTPUT_VARIABLE miravel_russian_manuals)
configure_file(${miravel_packaging_dir}/changelog ${miravel_packaging_out}/changelog COPYONLY)
set(miravel_gzipped)
foreach(name ${miravel_manuals} ${miravel_russian_manuals} changelog)
  add_custom_command(
    OUTPUT ${miravel_packaging_out}/${name}.gz
    COMMAND ${MIRAVEL_GZIP} -9nkf ${miravel_packaging_out}/${name}
    DEPENDS ${miravel_packaging_out}/${name}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND miravel_gzipped ${miravel_packaging_out}/${name}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${miravel_gzipped})
foreach(language "" ru/)
  install(FILES ${miravel_packaging_out}/${language}miravel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${language}man1
          COMPONENT miravel)
  set(manuals ${miravel_teacher_manuals})
  list(TRANSFORM manuals PREPEND ${miravel_packaging_out}/${language})
  list(TRANSFORM manuals APPEND .gz)
  install(FILES ${manuals} DESTINATION ${CMAKE_INSTALL_MANDIR}/${language}man1 COMPONENT teacher)
endforeach()
install(FILES ${miravel_packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT miravel)
install(FILES ${miravel_packaging_out}/changelog.gz DESTINATION ${miravel_teacher_docdir} COMPONENT teacher)

# --- CPack ---------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME miravel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Miravel developers")
set(CPACK_PACKAGE_CONTACT "Miravel developers <maintainers@miravel.invalid>")
# Each package's description starts with its own summary line. CPack puts
# CPACK_PACKAGE_DESCRIPTION_SUMMARY before every component's description
# unless it is CPack's default, so it is left at that default
# ("<project> built using CMake", which no package shows).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_DEBIAN_MIRAVEL_DESCRIPTION [=[timed multiple-choice tests with a graded report for the teacher
Miravel («Миравель») is a desktop program for the classroom. In its one
window a student types a full name and a group, opens a test file and takes
a timed multiple-choice test: up to four options a question, stepping
forward and back, with a gauge that shows the time left. The teacher then
unlocks the graded, colour-coded report on the same screen with the report
password, which the site configuration (/etc/miravel/miravel.conf) may set.
The user interface is in Russian.

The package also holds a sample test on the history of Ancient Egypt. The
teacher's tools for making tests are in the package miravel-teacher.]=])
set(CPACK_DEBIAN_TEACHER_DESCRIPTION [=[teacher's tools for Miravel tests
Miravel («Миравель») is a desktop program in which students take timed
multiple-choice tests (package miravel). This package holds what the teacher
needs besides, for the teacher's computer only.

miravel-make is the command-line tool with which teachers write tests as
UTF-8 text (the Aiken format with a short header), compile them into
enciphered test files and decode test files back into text; it also sets
the report password of a computer (--set-report-password). miravel-preview
shows how the program will lay out a test's screens. The package also holds
the source of the sample test on the history of Ancient Egypt.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# One package for each component: miravel and miravel-teacher.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL miravel teacher)
set(CPACK_DEBIAN_MIRAVEL_PACKAGE_NAME miravel)
set(CPACK_DEBIAN_TEACHER_PACKAGE_NAME miravel-teacher)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # <package>_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (Qt, libsodium...) come from dpkg-shlibdeps (package
# dpkg-dev); the font is the face that the windows are laid out for (see
# src/gui/ui/fonts.h); Qt's own texts in the user's language come from
# qt6-translations-l10n (src/gui/ui/qt_translations.h). The teacher's tools
# go with the program of their own version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_MIRAVEL_PACKAGE_DEPENDS "fonts-cantarell, qt6-translations-l10n")
set(CPACK_DEBIAN_TEACHER_PACKAGE_DEPENDS "miravel (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Control files with the modes Debian policy asks for.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
