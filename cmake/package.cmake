# cpack -G DEB: a Debian package of what cmake/install.cmake installs, under /usr:
#   /usr/games/vask-light-cycles, /usr/libexec/vask-light-cycles/vask,
#   /usr/share/vask-light-cycles/, /usr/share/applications/vask-light-cycles.desktop,
#   the manual page and the metainfo,
# and the relay that players meet through (its component of cmake/install.cmake):
#   /usr/games/vask-relay, its manual page, /lib/systemd/system/vask-relay.service
#   (installed, not enabled: the package has no maintainer scripts),
# in /usr/share/doc/vask-light-cycles/, where Debian looks, the licences of the game and
# its data in Debian's machine-readable form (packaging/debian-copyright) and changelog.gz,
# and lintian's overrides for the data folder (packaging/lintian-overrides).
if(NOT TARGET vask)
  return()
endif()

set(VASK_DEB_MAINTAINER
  "Vask Light Cycles maintainers <maintainers@vask-light-cycles.example>" CACHE STRING
  "Maintainer of the Debian package, as 'Name <address>'")

set(VASK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vask-light-cycles)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian-copyright
  DESTINATION ${VASK_DOC_DIR} RENAME copyright)
# What lintian takes for documentation in the data folder is data and its licences.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vask-light-cycles)

# The package is its own upstream (its version has no Debian revision), so Debian wants its
# changelog as changelog.gz: one entry for this version, dated the day it was released.
execute_process(COMMAND date -u -R -d ${VASK_RELEASE_DATE}
  OUTPUT_VARIABLE VASK_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE vask_date_result)
if(NOT vask_date_result EQUAL 0)
  message(FATAL_ERROR "date cannot read the release date '${VASK_RELEASE_DATE}'")
endif()
file(WRITE ${PROJECT_BINARY_DIR}/install/changelog
"vask-light-cycles (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${VASK_DEB_MAINTAINER}  ${VASK_RELEASE_DATE_RFC2822}
")
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/install/changelog.gz
  COMMAND ${VASK_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/install/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/install/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(vask_package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/install/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/install/changelog.gz DESTINATION ${VASK_DOC_DIR})

set(CPACK_PACKAGE_NAME vask-light-cycles)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vask Light Cycles developers")
set(CPACK_PACKAGE_CONTACT "${VASK_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D light-cycle arena game")
set(CPACK_PACKAGE_DESCRIPTION
  "Two to five riders race on a flat square arena, each dragging a wall of light\n\
behind it; a rider that runs into a wall crashes and the wall's owner scores.\n\
You ride one cycle with the arrow keys against computer riders, or watch\n\
them play each other in the demo. Friends play together in a room, each on\n\
their own machine, through vask-relay, a small server that this package also\n\
holds with a systemd unit to run it (not enabled).")
set(CPACK_STRIP_FILES ON)
# Every component, the game's and the relay's, in the one package.
set(CPACK_GENERATOR DEB)
# Everything goes under /usr, whatever CMAKE_INSTALL_PREFIX the build was configured with.
# The DEB generator installs with this as CMAKE_INSTALL_PREFIX and stages through DESTDIR,
# so the desktop entry's Exec line, filled in while installing, names /usr/bin and not the
# staging folder.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# SDL opens libGL.so.1 at run time for the window's OpenGL context, and the game opens
# libfluidsynth.so.3 for the song and libX11.so.6 for its X error handling, so no linked
# library brings them in; the music wants a General MIDI soundfont, and the game plays on
# without one.
set(VASK_DEB_RUNTIME_DEPENDS "libgl1, libfluidsynth3, libx11-6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm")

# The linked libraries, with their versions, come from dpkg-shlibdeps where it is installed
# (dpkg-dev, which build-essential brings); otherwise they are Debian 12's packages of them.
find_program(VASK_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(VASK_DPKG_SHLIBDEPS)
if(VASK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VASK_DEB_RUNTIME_DEPENDS}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VASK_DEB_RUNTIME_DEPENDS}, libc6, libgcc-s1, \
libstdc++6, libsdl2-2.0-0, libopengl0, libglu1-mesa | libglu1, libjpeg62-turbo, libopenal1")
endif()

include(CPack)
