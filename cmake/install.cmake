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
# and, in a component of its own (`cmake --install build --component relay` installs it
# alone, on a machine that only keeps the rooms), the relay:
#   bin/vask-relay                              games/ instead when the prefix is /usr
#   share/man/man6/vask-relay.6.gz
#   lib/systemd/system/vask-relay.service       /lib/systemd/system when the prefix is /usr;
#                                               installed, never enabled
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

# The relay goes beside the game's command: in /usr/games with the prefix /usr, where it is
# on every user's PATH (a relay needs no privileges, so whoever hosts friends runs it), and
# its manual page is in section 6 with the game's, as Debian documents the game servers it
# keeps there. Its systemd unit goes where Debian 12's systemd looks for the units of
# packages (systemd.pc's systemdsystemunitdir, debhelper's choice), and under the prefix
# otherwise: /usr/local/lib/systemd/system is on systemd's search path too. Nothing enables
# it; whoever wants the relay at every boot says so with systemctl.
if(TARGET vask-relay)
  find_program(VASK_GZIP gzip REQUIRED)
  mark_as_advanced(VASK_GZIP)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(vask_relay_dir \"\${CMAKE_INSTALL_PREFIX}/games\")
      set(vask_unit_dir /lib/systemd/system)
    else()
      set(vask_relay_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      set(vask_unit_dir \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
    endif()
    file(INSTALL \"$<TARGET_FILE:vask-relay>\" DESTINATION \"\${vask_relay_dir}\"
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)
    # Stripped as the game is (cpack, cmake --install --strip).
    if(CMAKE_INSTALL_DO_STRIP)
      set(vask_relay \"\$ENV{DESTDIR}\${vask_relay_dir}/vask-relay\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${vask_relay}\" RESULT_VARIABLE vask_strip_result)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${vask_relay}\"
        RESULT_VARIABLE vask_objcopy_result)
      if(NOT vask_strip_result EQUAL 0 OR NOT vask_objcopy_result EQUAL 0)
        message(FATAL_ERROR \"strip or objcopy could not strip the relay\")
      endif()
    endif()
    file(READ \"${PROJECT_SOURCE_DIR}/packaging/vask-relay.service.in\" vask_unit)
    string(REPLACE \"@VASK_RELAY_COMMAND@\" \"\${vask_relay_dir}/vask-relay\" vask_unit \"\${vask_unit}\")
    file(WRITE \"${PROJECT_BINARY_DIR}/install/vask-relay.service\" \"\${vask_unit}\")
    file(INSTALL \"${PROJECT_BINARY_DIR}/install/vask-relay.service\" DESTINATION \"\${vask_unit_dir}\"
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)"
    COMPONENT relay)

  configure_file(${PROJECT_SOURCE_DIR}/packaging/vask-relay.6.in
    ${PROJECT_BINARY_DIR}/install/vask-relay.6 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/install/vask-relay.6.gz
    COMMAND ${VASK_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/install/vask-relay.6
    DEPENDS ${PROJECT_BINARY_DIR}/install/vask-relay.6
    COMMENT "Compressing the relay's manual page")
  add_custom_target(vask_relay_manual_page ALL DEPENDS ${PROJECT_BINARY_DIR}/install/vask-relay.6.gz)
  add_dependencies(vask-relay vask_relay_manual_page)
  install(FILES ${PROJECT_BINARY_DIR}/install/vask-relay.6.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT relay)
endif()
