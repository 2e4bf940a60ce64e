# cmake --install: the game, its data files and a desktop entry under the prefix.
#   bin/vask-light-cycles                       launcher (the game reads its files from the
#                                               working directory, so it starts it there)
#   libexec/vask-light-cycles/vask              the game itself
#   share/vask-light-cycles/                    the data files and their licences
#   share/applications/vask-light-cycles.desktop
#   share/icons/hicolor/<N>x<N>/apps/vask-light-cycles.png   the icon the entry names
# The launcher finds the other two relative to itself, so the installed tree can be moved.
include(GNUInstallDirs)

if(TARGET vask)
  set(VASK_INSTALL_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/vask-light-cycles)
  set(VASK_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vask-light-cycles)

  install(TARGETS vask RUNTIME DESTINATION ${VASK_INSTALL_GAME_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${VASK_INSTALL_DATA_DIR})

  # Paths from the launcher's folder to the game and its data.
  file(RELATIVE_PATH VASK_LAUNCHER_TO_GAME /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${VASK_INSTALL_GAME_DIR}/vask)
  file(RELATIVE_PATH VASK_LAUNCHER_TO_DATA /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${VASK_INSTALL_DATA_DIR})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/vask-light-cycles.in
    ${PROJECT_BINARY_DIR}/install/vask-light-cycles @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/install/vask-light-cycles DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The desktop entry names the launcher by its full path, filled in when installing, so
  # it works whether or not the prefix's bin/ is on the PATH.
  install(CODE "
    set(launcher \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vask-light-cycles\")
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
\")")
  install(FILES ${PROJECT_BINARY_DIR}/install/vask-light-cycles.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  # The icon drawn at build time (cmake/icon.cmake), at each size of the theme.
  add_dependencies(vask vask_icon)
  foreach(n IN LISTS VASK_ICON_SIZES)
    install(FILES ${VASK_ICON_DIR}/hicolor/${n}x${n}/apps/vask-light-cycles.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${n}x${n}/apps)
  endforeach()
endif()
