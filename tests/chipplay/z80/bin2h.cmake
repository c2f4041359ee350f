# Writes the bytes of IN as a C++ array NAME in the header OUT:
#   cmake -DIN=prog.bin -DOUT=prog.h -DNAME=kProg -P bin2h.cmake
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUT}" "// Assembled from the program of the same name; generated at build time.\n#pragma once\n#include <cstdint>\n#include <vector>\nstatic const std::vector<uint8_t> ${NAME} = {${bytes}};\n")
