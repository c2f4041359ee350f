// qr: runs one game for the launcher and records how long it was played.
//
// Started in the game's folder as "qr.exe <game exe> mode=start,userid=...,"
// it makes sure the game's executable exists (expanding it from its ".sbn"),
// starts the game with that same command line, counts the play time on a
// hidden window's 3-second timer, appends the minutes to pt.bin in the
// application folder and deletes the expanded executable once the game is
// over, so that only the packed ".sbn" stays on disk.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "errmsg.h"
#include "log.h"
#include "qrcmd.h"
#include "reg.h"
#include "slide.h"

namespace {

enum {
    UWM_STARTCONTENTS = WM_USER + 10,   // posted by WM_CREATE: start the game
    UWM_CONTENTSEND = WM_USER + 11,     // posted by the wait thread: the game is over
};

const char kClassName[] = "tiv Launcher";

// Seconds a file that nothing holds any more is tried again before the
// runner gives up on deleting it (a game that still runs is waited for).
const int kDeleteTriesAfterEnd = 30;

struct QrAppIf {
    HWND      hWnd;
    HINSTANCE hInst;
    QrCmdIf   cmd;
    volatile LONG nSeconds;       // grows by 3 on every tick of the play timer
    int       nTriesLeft;         // start attempts after the first
    volatile HANDLE hProcessKept; // the game's handle, kept for the deletion loop
    volatile DWORD dwThreadId;    // the game's primary thread
};
QrAppIf g_qrIf;

// The wait thread: asked to end through hStop and always waited for, never
// terminated (it may hold the log's lock or be writing pt.bin).
struct QrThreadIf {
    HANDLE hThread;
    HANDLE hStop;   // manual reset: the window is closing
};
QrThreadIf g_qrThreadIf;

void LogLastError()
{
    ERRMSG_PutLastError();
}

int FileExists(const char* pPath)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pPath, &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FindClose(h);
    return 1;
}

}  // namespace

// Expands the game's executable from the ".sbn" beside it. 1 when the ".sbn"
// existed and was expanded whole; 0 otherwise (a damaged stream leaves no
// half-written executable behind).
int LAUNCH_ExpandSbn(const char* pGamePath)
{
    char strSbn[MAX_PATH + 8];
    if (!QRCMD_SbnPath(strSbn, sizeof(strSbn), pGamePath)) return 0;
    if (!FileExists(strSbn)) return 0;
    int bRet = 0;
    if (SLIDE_OpenInFile(strSbn) && SLIDE_OpenOutFile(pGamePath)) {
        bRet = SLIDE_DecodeFile();
    }
    SLIDE_CloseInFile();
    if (!SLIDE_CloseOutFile()) bRet = 0;
    if (!bRet) {
        LOG_Write("LAUNCH_ExpandSbn::err::the packed game could not be expanded\n");
        DeleteFileA(pGamePath);
    }
    return bRet;
}

int LAUNCH_WritePlayTime(int nSeconds, const char* pUserId, const char* pProductId)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) return 0;
    char strApp[1024];
    REG_QueryValue(hKey, "apppath", strApp, sizeof(strApp), "");
    RegCloseKey(hKey);

    char strPath[1024 + 8];
    std::snprintf(strPath, sizeof(strPath), "%spt.bin", strApp);
    char strLine[3 * 1024 + 32];
    int n = QRCMD_PlayTimeLine(strLine, sizeof(strLine), nSeconds, pUserId, pProductId);
    if (n < 0) return 1;
    // Binary: an inverted byte must never gain a CR on its way to the file.
    FILE* f = std::fopen(strPath, "ab");
    if (f == nullptr) {
        LOG_Write("LAUNCH_WritePlayTime::err::pt.bin cannot be opened\n");
        return 1;
    }
    if (std::fwrite(strLine, 1, n, f) != static_cast<size_t>(n)) LOG_Write("LAUNCH_WritePlayTime::err::write\n");
    std::fclose(f);
    return 1;
}

namespace {

bool StopAsked(DWORD nWaitMs) { return WaitForSingleObject(g_qrThreadIf.hStop, nWaitMs) == WAIT_OBJECT_0; }

// Ends with UWM_CONTENTSEND; wParam 1 when the game could not be started.
DWORD WINAPI Thread_WaitContentsEnd(LPVOID)
{
    WPARAM nFailed = 0;
    for (;;) {
        STARTUPINFOA si;
        std::memset(&si, 0, sizeof(si));
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
        LOG_Write("Thread_WaitContentsEnd::pass000\n");
        LOG_Write(g_qrIf.cmd.strCmdLine);
        LOG_Write("Thread_WaitContentsEnd::pass002\n");

        // The parsed path names the program: an unquoted path with blanks
        // must not let the system pick "C:\Program.exe". The game still gets
        // the whole command line as it came.
        char strCmd[QR_CMDLINE_SIZE];
        std::memcpy(strCmd, g_qrIf.cmd.strCmdLine, sizeof(strCmd));
        PROCESS_INFORMATION pi;
        std::memset(&pi, 0, sizeof(pi));
        if (CreateProcessA(g_qrIf.cmd.strGamePath, strCmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            LOG_Write("Thread_WaitContentsEnd::pass001\n");
            g_qrIf.hProcessKept = pi.hProcess;
            g_qrIf.dwThreadId = pi.dwThreadId;
            LOG_Write("Thread_WaitContentsEnd::pass003\n");
            // The game's end, or the runner's: the time played so far is
            // recorded either way.
            HANDLE waits[2] = { pi.hProcess, g_qrThreadIf.hStop };
            WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            LOG_Write("Thread_WaitContentsEnd::pass004\n");
            if (g_qrIf.nSeconds > 0) {
                LAUNCH_WritePlayTime(g_qrIf.nSeconds, g_qrIf.cmd.strUserId, g_qrIf.cmd.strProductId);
            }
            break;
        }
        if (g_qrIf.nTriesLeft == 0) {
            LOG_Write("CreateProcess error\n");
            LogLastError();
            nFailed = 1;   // the window's thread tells the member
            break;
        }
        if (StopAsked(1000)) break;
        LAUNCH_ExpandSbn(g_qrIf.cmd.strGamePath);
        g_qrIf.nTriesLeft--;
    }
    LOG_Write("Thread_WaitContentsEnd::pass005\n");
    PostMessageA(g_qrIf.hWnd, UWM_CONTENTSEND, nFailed, 0);
    return 0;
}

void ReportNotStarted(void)
{
    // The foreground window may be another program's: a box it owned would
    // go down with it unseen, so only our own owns it.
    HWND hOwner = GetTopWindow(GetForegroundWindow());
    DWORD nOwnerPid = 0;
    if (hOwner != nullptr) GetWindowThreadProcessId(hOwner, &nOwnerPid);
    if (nOwnerPid != GetCurrentProcessId()) hOwner = nullptr;
    MessageBoxA(hOwner, "処理がまだ完了しておりませんので、少し時間を置いて、再度、起動をお試しください(ZVQ:040)",
                "Msg", MB_OK);
}

}  // namespace

// Starts the wait thread; the game receives the stored command line.
void LAUNCH_StartContents(void)
{
    g_qrThreadIf.hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_qrThreadIf.hThread =
        g_qrThreadIf.hStop ? CreateThread(nullptr, 0, Thread_WaitContentsEnd, nullptr, 0, nullptr) : nullptr;
    if (g_qrThreadIf.hThread == nullptr) {
        LOG_Write("LAUNCH_StartContents::err::CreateThread\n");
        LogLastError();
        PostMessageA(g_qrIf.hWnd, UWM_CONTENTSEND, 0, 0);
        return;
    }
    SetTimer(g_qrIf.hWnd, 0, 3000, nullptr);
}

// Asks the wait thread to end and waits for it: it only waits on the game
// and this event, so it ends at once, with its log line and pt.bin line
// whole.
void QR_StopWaitThread()
{
    if (g_qrThreadIf.hStop != nullptr) SetEvent(g_qrThreadIf.hStop);
    if (g_qrThreadIf.hThread != nullptr) {
        WaitForSingleObject(g_qrThreadIf.hThread, INFINITE);
        CloseHandle(g_qrThreadIf.hThread);
    }
    if (g_qrThreadIf.hStop != nullptr) CloseHandle(g_qrThreadIf.hStop);
    std::memset(&g_qrThreadIf, 0, sizeof(g_qrThreadIf));
}

LRESULT CALLBACK LAUNCH_WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        std::memset(&g_qrThreadIf, 0, sizeof(g_qrThreadIf));
        g_qrIf.hWnd = hWnd;
        PostMessageA(hWnd, UWM_STARTCONTENTS, 0, 0);
        return 0;
    case UWM_STARTCONTENTS:
        LAUNCH_StartContents();
        return 0;
    case WM_TIMER:
        InterlockedExchangeAdd(&g_qrIf.nSeconds, 3);
        return 0;
    case UWM_CONTENTSEND:
        if (wParam != 0) ReportNotStarted();
        DestroyWindow(hWnd);
        return 0;
    case WM_CLOSE:
        LOG_Write("wm_close\n");
        if (g_qrIf.dwThreadId != 0) {
            PostThreadMessageA(g_qrIf.dwThreadId, WM_DESTROY, 0, 0);
            LOG_Write("postthreadmessage wm_destroy");
        }
        QR_StopWaitThread();
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        LOG_Write("wm_destroy\n");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

HWND LAUNCH_CreateMainWindow(HINSTANCE hInst, int nWidth, int nHeight)
{
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LAUNCH_WndProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) return nullptr;
    HWND hWnd = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kClassName, WS_POPUP, 0, 0, nWidth, nHeight,
                                nullptr, nullptr, hInst, nullptr);
    if (hWnd != nullptr) ShowWindow(hWnd, SW_HIDE);
    return hWnd;
}

namespace {

// Deletes the expanded executable after the game: the game (or something it
// left behind) may hold it a while, so it is tried again every second for as
// long as the game runs, and for a bounded time after it has ended.
void DeleteGameExecutable(const char* pGamePath)
{
    char str[QR_FIELD_SIZE + 32];
    Sleep(5000);
    std::snprintf(str, sizeof(str), "delete file[%s]\n", pGamePath);
    LOG_Write(str);
    DeleteFileA(pGamePath);
    int nTriesAfterEnd = 0;
    for (;;) {
        Sleep(1000);
        if (!FileExists(pGamePath)) break;
        HANDLE hProc = g_qrIf.hProcessKept;
        bool bGameRuns = hProc != nullptr && WaitForSingleObject(hProc, 0) == WAIT_TIMEOUT;
        if (!bGameRuns && ++nTriesAfterEnd > kDeleteTriesAfterEnd) {
            LOG_Write("delete file::err::still held after the game ended; giving up\n");
            break;
        }
        DeleteFileA(pGamePath);
        LOG_Write(str);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR lpCmdLine, int)
{
    LOG_SetProgram("qr.log", LOG_BUFSIZE - 1);
    char str[QR_CMDLINE_SIZE + 64];
    std::snprintf(str, sizeof(str), "lpCmdLine = [%s]\n", lpCmdLine);
    LOG_Write(str);

    std::memset(&g_qrIf, 0, sizeof(g_qrIf));
    int nParse = QRCMD_Parse(&g_qrIf.cmd, lpCmdLine);
    if (nParse != eQRCMD_OK) {
        LOG_Write(nParse == eQRCMD_NOMODE ? "err::no \" mode=start\" in the command line: nothing to start\n"
                                          : "err::the command line or one of its values is too long: nothing started\n");
        LOG_Write("finished.\n");
        LOG_Close();
        return 1;
    }
    std::snprintf(str, sizeof(str), "searching[%s]\n", g_qrIf.cmd.strGamePath);
    LOG_Write(str);

    bool bFound = false;
    for (int i = 0; i < 10 && !bFound; i++) {
        if (FileExists(g_qrIf.cmd.strGamePath)) {
            LOG_Write("found exefile\n");
            bFound = true;
        } else {
            LogLastError();
        }
        Sleep(10);
    }
    if (!bFound) LAUNCH_ExpandSbn(g_qrIf.cmd.strGamePath);

    g_qrIf.nTriesLeft = 3;
    g_qrIf.hInst = hInst;
    if (LAUNCH_CreateMainWindow(hInst, 1, 1) == nullptr) {
        LOG_Write("err::LAUNCH_CreateMainWindow\n");
        LogLastError();
        LOG_Close();
        return 1;
    }
    MSG msg;
    for (;;) {
        BOOL b = GetMessageA(&msg, nullptr, 0, 0);
        if (b == 0 || b == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    QR_StopWaitThread();

    DeleteGameExecutable(g_qrIf.cmd.strGamePath);
    if (g_qrIf.hProcessKept != nullptr) CloseHandle(g_qrIf.hProcessKept);
    LogLastError();
    LOG_Write("finished.\n");
    LOG_Close();
    return 0;
}
