# Cross build of the release program: 32-bit Windows, MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(toolchain_prefix i686-w64-mingw32)

find_program(CMAKE_C_COMPILER ${toolchain_prefix}-gcc)
find_program(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++)
find_program(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "${toolchain_prefix} compilers not found (Debian package g++-mingw-w64-i686)")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
