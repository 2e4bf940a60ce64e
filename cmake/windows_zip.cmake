# The Windows players' zip (the windows_zip target, which scripts/build-windows.sh builds):
#   vask-light-cycles-windows.zip: one folder, vask-light-cycles/, holding vask.exe with the
#   data files beside it, since the game reads them from its working directory, the
#   licences and README-windows.txt. One folder, so extracting it puts nothing loose.
# VASK_JPEG_LICENSE names libjpeg-turbo's licence, which goes along as it is linked in.
if(NOT TARGET vask)
  return()
endif()
set(VASK_JPEG_LICENSE "" CACHE FILEPATH "libjpeg-turbo's licence, shipped in the Windows zip")
set(VASK_MINGW_COPYRIGHT /usr/share/doc/mingw-w64-x86-64-dev/copyright)

set(staging ${PROJECT_BINARY_DIR}/zip)
set(stage ${staging}/vask-light-cycles)
set(zip ${PROJECT_BINARY_DIR}/vask-light-cycles-windows.zip)
set(copies
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${staging}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vask> ${stage}/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/data ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/windows/README-windows.txt ${stage}/)
if(VASK_JPEG_LICENSE)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${VASK_JPEG_LICENSE}
    ${stage}/libjpeg-turbo-LICENSE.md)
endif()
if(EXISTS ${VASK_MINGW_COPYRIGHT})
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${VASK_MINGW_COPYRIGHT}
    ${stage}/mingw-w64-runtime-copyright.txt)
endif()
add_custom_target(windows_zip
  ${copies}
  # The same files give the same zip, byte for byte (dated SOURCE_DATE_EPOCH, sorted).
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/reproducible-zip.sh ${zip} ${stage}
  DEPENDS vask
  COMMENT "Packing ${zip}"
  VERBATIM)
