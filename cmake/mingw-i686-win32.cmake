# Cross-compiles the shipped 32-bit Windows libraries with MinGW-w64's win32
# thread model. Unlike the POSIX model it links no thread runtime, whose
# calls (GetTickCount64 among them) Windows XP does not have. GoogleTest
# needs std::mutex, which this model lacks, so the GoogleTest suites stay in
# the POSIX-model tree (mingw-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh 32)
set(KELVADO_DLLTOOL i686-w64-mingw32-dlltool)
