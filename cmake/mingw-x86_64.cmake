# The same sources as 64-bit Windows programs: the shipped programs are the
# 32-bit ones, this build exists so that the Windows code runs and is tested
# on hosts whose kernel runs no 32-bit programs (under a 64-bit Wine prefix).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIV_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
