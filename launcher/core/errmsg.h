// ERRMSG: the system's text for the calling thread's last error.
//
//   if (!CreateDirectoryA(p, NULL)) ERRMSG_PutLastError();   // text to log and debugger
#pragma once

void  ERRMSG_PutLastError(void);
// Returns the system's text (free it with LocalFree) and stores the code.
char* ERRMSG_GetLastError(int* pnCode);
