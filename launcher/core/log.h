// LOG: the program's log file, written in the current directory.
//
// Each entry is a local-time stamp "%d/%02d/%02d %02d:%02d:%02d  " followed by
// the text, every byte inverted (bitwise NOT); LOG_WriteLine adds one plain
// 0x0A after its entry. The file is created at the first entry (emptying an
// old one) and again after 800000 entries. Entries are handed to the system
// before the call returns, whole: threads may write at the same moment.
//
//   LOG_SetProgram("qr.log", 299999);   // once, first thing in a program
//   LOG_Write("WinMain::starting\n");
//   LOG_Close();                         // at exit
#pragma once

// Per-program settings: the log file's name and the longest text an entry
// keeps (longer texts are cut). Defaults: "tiv_launcher.log", 299999.
void LOG_SetProgram(const char* pFileName, int nTextMax);

int  LOG_Open(void);
int  LOG_OpenFile(const char* pFileName);
void LOG_Close(void);
// Returns the number of entries written to the current file so far, or 0
// when the log could not be created (the entry is then dropped).
int  LOG_Write(const char* pText);
void LOG_WriteBin(const void* pData, int nLen);
void LOG_WriteLine(const char* pText);

enum { LOG_MAX_ENTRY = 800000, LOG_BUFSIZE = 300000 };
