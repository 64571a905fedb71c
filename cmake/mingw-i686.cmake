# Cross-compiles the 32-bit Windows libraries and tests with MinGW-w64 and
# runs the test executables under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The POSIX thread model, unless a toolchain file that includes this one
# chose another.
if(NOT KELVADO_MINGW_THREAD_MODEL)
  set(KELVADO_MINGW_THREAD_MODEL posix)
endif()
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${KELVADO_MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${KELVADO_MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh 32)
set(KELVADO_DLLTOOL i686-w64-mingw32-dlltool)
