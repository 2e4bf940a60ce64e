# Every program built as Debian builds its packages' (what lintian checks the .deb for): the
# flags of dpkg-buildflags with all its hardening on, that is position-independent code,
# full RELRO with immediate binding, the fortified C library functions, the strong stack
# protector and the format-string checks. Its optimisation and debug information are left
# to the build type. The Windows program gets mingw-w64's equivalents: ASLR with high
# entropy and its relocations kept, DEP, and the stack protector.
# Not with the sanitizers or the fuzz targets, which bring checks of their own.
option(VASK_HARDEN "Build with the platform's hardening flags" ON)
if(NOT VASK_HARDEN OR VASK_SANITIZE OR VASK_FUZZ OR EMSCRIPTEN)
  return()
endif()

if(MINGW)
  # The stack protector's guard and handler come from libssp, linked into the program like
  # the runtimes. The game ships no DLL: the tests' stand-in DLLs go without, so they need
  # no libssp beside them.
  set(not_dll $<NOT:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>>)
  add_compile_options($<${not_dll}:-fstack-protector-strong>)
  add_link_options($<${not_dll}:-fstack-protector-strong> -Wl,--dynamicbase
    -Wl,--high-entropy-va -Wl,--nxcompat)
  return()
endif()

find_program(VASK_DPKG_BUILDFLAGS dpkg-buildflags)
mark_as_advanced(VASK_DPKG_BUILDFLAGS)
if(NOT VASK_DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags (dpkg-dev) is missing: built without Debian's hardening")
  return()
endif()
# Run from the sources, so the build paths it maps out of the programs are these.
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
      "DEB_${kind}_MAINT_STRIP=-g -O2" ${VASK_DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
  endif()
  separate_arguments(vask_harden_${kind} UNIX_COMMAND "${flags}")
endforeach()
# The fortified functions need the optimiser: a build without it (Debug) leaves them out,
# where glibc would warn on every file.
foreach(flag IN LISTS vask_harden_CPPFLAGS)
  if(flag MATCHES "^-D_FORTIFY_SOURCE")
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
  else()
    add_compile_options(${flag})
  endif()
endforeach()
add_compile_options(${vask_harden_CXXFLAGS})
add_link_options(${vask_harden_LDFLAGS})
