# The shipped programs: 32-bit Windows, cross-compiled with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TIV_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
