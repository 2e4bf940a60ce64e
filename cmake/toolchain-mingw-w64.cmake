# Cross-building the Windows program with Debian's mingw-w64 (x86_64, posix threads).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake
# scripts/build-windows.sh does this, with libjpeg-turbo and GoogleTest built for Windows first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VASK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VASK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VASK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VASK_MINGW_TRIPLE}-windres)

# Look for headers and libraries only among the Windows ones (the mingw-w64 tree and
# whatever the build adds to CMAKE_FIND_ROOT_PATH), and for programs only on this machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VASK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and the thread library go into the .exe itself, so it needs
# nothing but Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
