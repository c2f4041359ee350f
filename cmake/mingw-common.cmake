# What both MinGW-w64 toolchains share: posix threads (so std::thread and
# std::mutex exist), static linking, and Wine in front of every test program
# (tools/wine-run, inside tools/bench.sh). The including file sets
# CMAKE_SYSTEM_PROCESSOR and TIV_MINGW (the target triplet) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${TIV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER  ${TIV_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TIV_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
