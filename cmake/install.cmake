# cmake --install: the game, its data files, a desktop entry, a manual page and the
# software centres' description under the prefix.
#   bin/vask-light-cycles                       launcher (the game reads its files from the
#                                               working directory, so it starts it there);
#                                               games/ instead when the prefix is /usr
#   libexec/vask-light-cycles/vask              the game itself
#   share/vask-light-cycles/                    the data files and their licences
#   share/applications/vask-light-cycles.desktop
#   share/man/man6/vask-light-cycles.6.gz
#   share/metainfo/io.github.vask_light_cycles.metainfo.xml
#   share/icons/hicolor/<N>x<N>/apps/vask-light-cycles.png   the icon the entry names
# The launcher finds the game and the data relative to itself, so the installed tree can
# be moved.
include(GNUInstallDirs)

# Where the game's page lives; the software centres show its screenshots/title.png (a copy
# of docs/screenshots/title.png), so a release points this at a real site.
set(VASK_HOMEPAGE "https://vask-light-cycles.example/" CACHE STRING
  "Web address of the game's page; it serves screenshots/title.png")
set(VASK_HOMEPAGE_DIR ${VASK_HOMEPAGE})
if(NOT VASK_HOMEPAGE_DIR MATCHES "/$")
  string(APPEND VASK_HOMEPAGE_DIR /)
endif()
# The day this version was released (YYYY-MM-DD); change it with the project version.
set(VASK_RELEASE_DATE 2026-12-10)

if(TARGET vask)
  set(VASK_INSTALL_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/vask-light-cycles)
  set(VASK_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vask-light-cycles)

  install(TARGETS vask RUNTIME DESTINATION ${VASK_INSTALL_GAME_DIR})
  # Stripped (cpack, cmake --install --strip) as Debian strips: the compilers' names in the
  # .comment section go with the symbols.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VASK_INSTALL_GAME_DIR}/vask\"
        RESULT_VARIABLE vask_objcopy_result)
      if(NOT vask_objcopy_result EQUAL 0)
        message(FATAL_ERROR \"objcopy could not strip the game's .comment section\")
      endif()
    endif()")
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${VASK_INSTALL_DATA_DIR})

  # Paths from the launcher's folder to the game and its data. They hold for games/ too:
  # it sits one level below the prefix like bin/.
  file(RELATIVE_PATH VASK_LAUNCHER_TO_GAME /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${VASK_INSTALL_GAME_DIR}/vask)
  file(RELATIVE_PATH VASK_LAUNCHER_TO_DATA /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${VASK_INSTALL_DATA_DIR})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/vask-light-cycles.in
    ${PROJECT_BINARY_DIR}/install/vask-light-cycles @ONLY)
  # Debian keeps the commands of games in /usr/games, which is on every user's PATH; the
  # prefix is known only while installing (cpack installs with /usr), so the folder is
  # chosen then.
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(vask_launcher_dir \"\${CMAKE_INSTALL_PREFIX}/games\")
    else()
      set(vask_launcher_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    endif()
    file(INSTALL \"${PROJECT_BINARY_DIR}/install/vask-light-cycles\"
      DESTINATION \"\${vask_launcher_dir}\"
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)")

  # The desktop entry names the launcher by its full path, filled in when installing, so
  # it works whether or not the launcher's folder is on the PATH.
  install(CODE "
    set(launcher \"\${vask_launcher_dir}/vask-light-cycles\")
    file(WRITE \"${PROJECT_BINARY_DIR}/install/vask-light-cycles.desktop\"
\"[Desktop Entry]
Type=Application
Name=Vask Light Cycles
GenericName=Light-cycle arena game
Comment=Ride a light cycle and trap the other riders behind your wall
Exec=\\\"\${launcher}\\\"
Terminal=false
Icon=vask-light-cycles
Categories=Game;ArcadeGame;
Keywords=light cycle;arena;racing;arcade;
\")")
  install(FILES ${PROJECT_BINARY_DIR}/install/vask-light-cycles.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  # The manual page, compressed as Debian keeps them: at the highest level and without the
  # file's name and time, so the same page makes the same bytes.
  configure_file(${PROJECT_SOURCE_DIR}/packaging/vask-light-cycles.6.in
    ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6 @ONLY)
  find_program(VASK_GZIP gzip REQUIRED)
  mark_as_advanced(VASK_GZIP)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6.gz
    COMMAND ${VASK_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6
    DEPENDS ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6
    COMMENT "Compressing the manual page")
  add_custom_target(vask_manual_page ALL DEPENDS ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6.gz)
  install(FILES ${PROJECT_BINARY_DIR}/install/vask-light-cycles.6.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

  configure_file(${PROJECT_SOURCE_DIR}/packaging/io.github.vask_light_cycles.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/install/io.github.vask_light_cycles.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/install/io.github.vask_light_cycles.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon drawn at build time (cmake/icon.cmake), at each size of the theme.
  add_dependencies(vask vask_icon)
  foreach(n IN LISTS VASK_ICON_SIZES)
    install(FILES ${VASK_ICON_DIR}/hicolor/${n}x${n}/apps/vask-light-cycles.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${n}x${n}/apps)
  endforeach()
endif()
