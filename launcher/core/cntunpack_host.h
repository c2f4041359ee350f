// The host side of the content-pack readers (cntunpack_win.cpp): folder
// creation and the debugger output. Not part of the interface.
#pragma once

#include <string>

// Creates every missing folder of the path (the part after its last
// separator, "\\" or "/", is a file name), outermost first, logging
// "create directory[%s]\n" for each when bLog. 0 when an ancestor is a
// plain file or a folder cannot be created.
int  CNTUNPACK_MakeFolders(const std::string& path, bool bLog);
void CNTUNPACK_DebugOut(const char* pText);
