// Trace: the player's debug trace. Failure lines of the file classes and the
// player go here; it has no output, so release builds pay nothing for them.
//
//   Trace("[ZipFile]アーカイブ名: %s\n", path.c_str());
#pragma once

inline void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void Trace(const char*, ...) {}
