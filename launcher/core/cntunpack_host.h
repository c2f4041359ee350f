// The host side of the content-pack readers (cntunpack_win.cpp): folder
// creation, the one-step file moves and the debugger output. Not part of the interface.
#pragma once

#include <string>

// Creates every missing folder of the path (the part after its last
// separator, "\\" or "/", is a file name), outermost first, logging
// "create directory[%s]\n" for each when bLog. 0 when an ancestor is a
// plain file or a folder cannot be created.
int  CNTUNPACK_MakeFolders(const std::string& path, bool bLog);
// 1 when something (a file or a folder) is at the path.
int  CNTUNPACK_Exists(const std::string& path);
// Moves a file over another in one step (the target, when there is one, is
// replaced): 0 when the move failed and both files are as they were.
int  CNTUNPACK_Replace(const std::string& from, const std::string& to);
void CNTUNPACK_DebugOut(const char* pText);
