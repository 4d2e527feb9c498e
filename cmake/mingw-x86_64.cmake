# Cross build of the release program: 64-bit Windows (the build that runs under Wine here), MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(toolchain_prefix x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER ${toolchain_prefix}-gcc)
find_program(CMAKE_CXX_COMPILER ${toolchain_prefix}-g++)
find_program(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "${toolchain_prefix} compilers not found (Debian package g++-mingw-w64-x86-64)")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
