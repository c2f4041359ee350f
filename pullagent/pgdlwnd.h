// The updater's download dialog (resource 129): one modal dialog per pack.
// It queues the pack's name, runs a download thread that fetches the pack
// from the pack server into memory and unpacks it into the folder, shows the
// progress every 500 ms, and ends with 1 when the pack was fetched and every
// file of it written, 0 otherwise (failure or the member's Cancel).
//
//   DLWND_SetServer("127.0.0.1/project/tiv/member/zvq/");   // from env.bin
//   if (!DLWND_DoModal(hInst, nullptr, 100, "C:\\app\\", "ver.bin")) ... PGT:008
//   DLWND_WaitIdle(2000);                                      // before exit
//
// Pack files: "CNPFVR05" client packs, read by launcher/core's checked
// reader (names that would leave the folder refuse the pack whole). A name
// holding "pullagent.exe" is never written: the running program stays. Each
// file is written under "<name>.pgtmp" beside its target and then moved over
// it, so a Cancel never leaves half a file.
//
// pgdlwnd_win.cpp: the dialog, the queue (PGQUEUE_*, g_pgQueue), the thread
// (PGTHREAD_*, g_pgThread, Thread_Download) and DLWND_ExtractPack. The
// queue and thread keep prefixes of their own: the program also links the
// launcher's THREADM and DOWNLOADMN modules.
#pragma once

#include <windows.h>

// Thread results.
enum {
    ePG_DL_OK = 0,
    ePG_DL_ERR_OPEN = 1,     // no internet handle
    ePG_DL_ERR_URL = 2,      // the URL could not be opened
    ePG_DL_ERR_MAGIC = 3,    // not "CNPFVR05"
    ePG_DL_ERR_SIZE = 4,     // an announced total the pack cannot have
    ePG_DL_ERR_CUT = 5,      // the transfer ended before the total
    ePG_DL_ERR_UNPACK = 6,   // the pack does not fit its sizes, a name is refused, or a file was not written
    ePG_DL_ERR_CANCEL = 7,   // the member cancelled
    ePG_DL_ERR_BUSY = 8,     // an earlier thread still runs
};

// Largest pack the updater holds in memory.
#define PG_PACK_MAX (256 * 1024 * 1024)
// Piece size of the transfer.
#define PG_PIECE 50000
// How long a Cancel waits for the thread (it is never terminated).
#define PG_STOP_WAIT_MS 2000
// How long the dialog waits after the member's Cancel before it goes.
#define PG_CANCEL_WAIT_MS 300
// How long the program waits at its end for a thread a Cancel left running.
#define PG_EXIT_WAIT_MS 10000

// The pack server: host and path, as env.bin's "[ZVQCLIENTDLWEBPAGE]" holds it.
void DLWND_SetServer(const char* pBase);
int  DLWND_DoModal(HINSTANCE hInst, HWND hOwner, int nRangeMax, const char* pFolder, const char* pFileName);
int  DLWND_DoModal2(HINSTANCE hInst, HWND hOwner, int nRangeMax, const char* pFolder, const char* pFileName);
// The last download's thread result.
int  DLWND_LastResult(void);
// Waits up to nMs for a download thread left running by a Cancel; 1 when none runs.
int  DLWND_WaitIdle(int nMs);

// Unpacks a whole pack held in memory: 1 when every file was written (or
// left out as the updater's own), 0 when the magic is wrong, the pack does
// not fit its sizes, a name is refused or a file was not written.
int DLWND_ExtractPack(const void* pBuf, int nHdrVersion, const char* pFolder, int nTotal, int nHeaderSize);
