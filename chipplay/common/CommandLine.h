// CommandLine: the program's own command line split into arguments, as the
// launcher writes it: arguments are separated by blanks or tabs, and a
// double-quoted stretch may hold blanks; the quotes themselves are dropped.
// A backslash is an ordinary byte, so a path whose last double-byte
// character has the trail byte 0x5C ("\") before the closing quote, or a
// folder path ending in "\", passes unchanged (the C runtime's parser would
// read \" as a quote character). Neither 0x20, 0x09 nor 0x22 is ever a
// Shift-JIS trail byte, so the split needs no lead-byte tracking.
//
//   std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
//   // args[0] is the program
#pragma once

#include <string>
#include <vector>

std::vector<std::string> SplitCommandLine(const char* line);
