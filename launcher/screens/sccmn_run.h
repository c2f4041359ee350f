// Starting another program of the family without waiting for it: the game
// runner, a game, the music player, the updater. Its own module, so that a
// program that only starts the updater (the login) does not link the game
// start with it.
//
//   if (!SCCMN_Run(strCmd, strExe, nullptr)) ... report;
//   SCCMN_RunInFolder(SCCMN_GetAppPath(), "pullagent.exe", "-start tiv,");
#pragma once

// Runs a command line, shown normally, in pDir (null: the current folder).
// pApp names the program, so a folder with blanks is never split and the
// runner copied into the game's folder is the one that runs (a search would
// find the launcher's own folder first). A failure is logged; the result
// says whether it started.
bool SCCMN_Run(const char* pCmd, const char* pApp, const char* pDir);

// Starts pFolder + pExeName (pFolder ends with "\") with its path quoted,
// then pArgs, with pFolder as its current folder; does not wait. 1 started,
// 0 not (logged).
int SCCMN_RunInFolder(const char* pFolder, const char* pExeName, const char* pArgs);
