# The game's icon, drawn at build time by render_icon (tools/icon/: the game's own model and
# render code, off screen on Mesa's surfaceless EGL) and packed by tools/make_icon.py into
# the build folder:
#   ${VASK_ICON_DIR}/vask.ico              the Windows program's icon resource
#   ${VASK_ICON_DIR}/hicolor/...           the Linux icon theme's PNGs (cmake/install.cmake)
#   ${VASK_ICON_DIR}/vask_window_icon.h    the SDL window's icon, built into the program
#   favicon.ico, icon-192.png, icon-512.png, for the site (scripts/build-web.sh makes them itself)
# Targets that use a file depend on the vask_icon target.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(VASK_ICON_DIR ${PROJECT_BINARY_DIR}/icon)
set(VASK_ICON_SIZES 16 24 32 48 64 128 256)
set(vask_icon_outputs ${VASK_ICON_DIR}/vask.ico ${VASK_ICON_DIR}/favicon.ico
  ${VASK_ICON_DIR}/icon-192.png ${VASK_ICON_DIR}/icon-512.png ${VASK_ICON_DIR}/vask_window_icon.h)
foreach(n IN LISTS VASK_ICON_SIZES)
  list(APPEND vask_icon_outputs ${VASK_ICON_DIR}/hicolor/${n}x${n}/apps/vask-light-cycles.png)
endforeach()

# render_icon runs here, so a cross-build (Windows) builds it for this machine apart, with
# this machine's compilers, unless VASK_ICON_RENDERER names one built already (the test
# command passes the Linux build's).
if(CMAKE_CROSSCOMPILING)
  set(VASK_ICON_RENDERER "" CACHE FILEPATH "A render_icon built for this machine, for a cross-build")
endif()
if(CMAKE_CROSSCOMPILING AND VASK_ICON_RENDERER)
  add_custom_target(vask_icon_renderer)
elseif(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(vask_icon_renderer_dir ${PROJECT_BINARY_DIR}/icon-renderer)
  set(VASK_ICON_RENDERER ${vask_icon_renderer_dir}/render_icon)
  ExternalProject_Add(vask_icon_renderer
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/icon
    BINARY_DIR ${vask_icon_renderer_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${VASK_ICON_RENDERER})
else()
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/icon ${PROJECT_BINARY_DIR}/icon-renderer)
  add_custom_target(vask_icon_renderer DEPENDS render_icon)
  set(VASK_ICON_RENDERER $<TARGET_FILE:render_icon>)
endif()

add_custom_command(OUTPUT ${vask_icon_outputs}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_icon.py ${VASK_ICON_RENDERER}
    ${PROJECT_SOURCE_DIR}/data ${VASK_ICON_DIR} --sdl-header ${VASK_ICON_DIR}/vask_window_icon.h
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_icon.py ${VASK_ICON_RENDERER} vask_icon_renderer
    ${PROJECT_SOURCE_DIR}/data/vask3.wrl ${PROJECT_SOURCE_DIR}/data/setup.txt
  COMMENT "Drawing the game's icon"
  VERBATIM)
add_custom_target(vask_icon DEPENDS ${vask_icon_outputs})
