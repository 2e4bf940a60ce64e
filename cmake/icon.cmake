# The game's icon, drawn by tools/make_icon.py into the build folder at build time:
#   ${VASK_ICON_DIR}/vask.ico              the Windows program's icon resource
#   ${VASK_ICON_DIR}/hicolor/...           the Linux icon theme's PNGs (cmake/install.cmake)
#   ${VASK_ICON_DIR}/vask_window_icon.h    the SDL window's icon, built into the program
#   favicon.ico, icon-192.png, icon-512.png, for the site (scripts/build-web.sh runs the tool itself)
# Targets that use a file depend on the vask_icon target.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(VASK_ICON_DIR ${PROJECT_BINARY_DIR}/icon)
set(VASK_ICON_SIZES 16 24 32 48 64 128 256)
set(vask_icon_outputs ${VASK_ICON_DIR}/vask.ico ${VASK_ICON_DIR}/favicon.ico
  ${VASK_ICON_DIR}/icon-192.png ${VASK_ICON_DIR}/icon-512.png ${VASK_ICON_DIR}/vask_window_icon.h)
foreach(n IN LISTS VASK_ICON_SIZES)
  list(APPEND vask_icon_outputs ${VASK_ICON_DIR}/hicolor/${n}x${n}/apps/vask-light-cycles.png)
endforeach()
add_custom_command(OUTPUT ${vask_icon_outputs}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_icon.py ${VASK_ICON_DIR}
    --sdl-header ${VASK_ICON_DIR}/vask_window_icon.h
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_icon.py
  COMMENT "Drawing the game's icon"
  VERBATIM)
add_custom_target(vask_icon DEPENDS ${vask_icon_outputs})
