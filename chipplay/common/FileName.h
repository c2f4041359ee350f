// Shift-JIS text made fit for a file name: each single-byte character that a
// Windows file name cannot hold becomes its full-width form (a/b:c ->
// a／b：c). Double-byte characters pass unchanged, also those whose second
// byte is 0x5C, the code of "\"; a lead byte at the very end ends the text.
#pragma once

#include <string>

std::string ConvertToFileName(const std::string& text);

// A proposed file name for a buffer of bufferSize bytes (terminator
// included): base followed by extension, with base cut so that the whole
// fits, never between the two bytes of a double-byte character (a lone lead
// byte would swallow the extension's "."). Empty when not even the extension
// fits.
std::string FitFileName(const std::string& base, const std::string& extension, size_t bufferSize);
