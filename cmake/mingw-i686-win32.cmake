# Cross-compiles the shipped 32-bit Windows libraries with MinGW-w64's win32
# thread model. Unlike the POSIX model it links no thread runtime, whose
# calls (GetTickCount64 among them) Windows XP does not have. GoogleTest
# needs std::mutex, which this model lacks, so the GoogleTest suites stay in
# the POSIX-model tree (mingw-i686.cmake). Everything else is as there.
set(KELVADO_MINGW_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
