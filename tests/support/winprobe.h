// Reading and driving other programs' windows from a test (Windows only):
// message boxes are dialogs of class "#32770" whose text is the static
// control 0xFFFF.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Waits up to nTimeoutMs for a top-level window of the class and caption
// (either may be null) that belongs to this process or to a program it
// started with Probe_Start (or their children); null when none appeared.
// A window found is one its program has finished making (its thread waits
// for messages again), so its controls can be read and set.
HWND Probe_WaitWindow(const char* pClass, const char* pCaption, int nTimeoutMs);
// Polls done() every 50 ms until it is true or nTimeoutMs have passed;
// its last answer. Deadlines are generous: a loaded machine starts Wine
// programs slowly.
bool Probe_WaitFor(const std::function<bool()>& done, int nTimeoutMs);
// The text of a message box.
std::string Probe_MessageBoxText(HWND hDlg);
// Presses a dialog's button (IDOK, IDCANCEL, ...).
void Probe_PressButton(HWND hDlg, int nId);

// Runs a program (command line as given, in the folder), returns its process
// handle or null. Waits for it with Probe_WaitExit: its exit code, or -1 on timeout.
HANDLE Probe_Start(const std::string& exe, const std::string& cmdLine, const std::string& dir);
int Probe_WaitExit(HANDLE hProcess, int nTimeoutMs);
// Counts the running processes of this image (a full path, compared
// without case) among the programs started, and returns how many there are:
// for a program started by one whose starter has already ended (the chain
// of parents is lost with it), such as a launcher the updater started again.
int Probe_Adopt(const std::string& imagePath);
// Ends every program Probe_Start started that still runs (a test that failed
// half-way must not leave one behind: it would hold the test's output open).
void Probe_KillAll();

// "Z:\..." for a Unix path of the build tree (Wine maps Z: to the root).
std::string Probe_HostPath(const std::string& unixPath);
