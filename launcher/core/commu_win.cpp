// The socket layer on Windows Sockets 1.1 (wsock32).
#include <winsock.h>

#include "commu.h"

#include <cstdio>

#include "cmnassert.h"
#include "log.h"

#ifndef SD_BOTH
#define SD_BOTH 0x02   // winsock.h (1.1) predates the shutdown constants
#endif

namespace {

HWND   g_hWnd = nullptr;
SOCKET g_socket = INVALID_SOCKET;
int    g_bInitStartup = FALSE;
int    g_bConnected = FALSE;
int    g_bReadable = FALSE;
int    g_bWritable = FALSE;

// How long a send that has started waits for room for its rest: a peer that
// reads nothing for this long is as good as gone.
const long kSendWaitSeconds = 30;

void commu_Log(const char* pFormat, int nCode)
{
    char str[256];
    std::snprintf(str, sizeof(str), pFormat, nCode);
    LOG_Write(str);
}

// Waits until the socket can take more bytes; false on timeout or error.
bool commu_WaitWritable(SOCKET s)
{
    fd_set wr;
    FD_ZERO(&wr);
    FD_SET(s, &wr);
    timeval tv = { kSendWaitSeconds, 0 };
    return select(0, nullptr, &wr, nullptr, &tv) == 1;
}

}  // namespace

int COMMU_Init(void)
{
    CMN_ASSERT(g_bInitStartup == FALSE);
    if (g_bInitStartup) return 0;
    WSADATA wsa;
    int nRet = WSAStartup(MAKEWORD(1, 1), &wsa);
    if (nRet != 0) {
        commu_Log("COMMU_Init::WSAStartup occur.ret[%d]\n", nRet);
        return 0;
    }
    g_bInitStartup = TRUE;
    return 1;
}

int COMMU_Term(void)
{
    if (g_bInitStartup) {
        WSACleanup();
        g_bInitStartup = FALSE;
    }
    return 1;
}

int COMMU_Connect2(const char* pAddr, int nPort, UINT uMsg, HWND hWnd, long lEvent)
{
    LOG_Write("COMMU_Connect2::starting\n");
    g_bReadable = FALSE;
    g_bWritable = FALSE;
    CMN_ASSERT(g_bInitStartup == TRUE && g_bConnected == FALSE && pAddr != NULL);
    if (!g_bInitStartup || g_bConnected || pAddr == nullptr) return 0;

    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        commu_Log("COMMU_Connect::socket error.ret[%d]\n", WSAGetLastError());
        return 0;
    }
    if (WSAAsyncSelect(s, hWnd, uMsg, lEvent) == SOCKET_ERROR) {
        commu_Log("COMMU_Connect::WSAAsyncSelect error.ret[%d]\n", WSAGetLastError());
        closesocket(s);
        return 0;
    }
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr(pAddr);
    addr.sin_port = htons(static_cast<u_short>(nPort));
    if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == SOCKET_ERROR) {
        int nErr = WSAGetLastError();
        if (nErr != WSAEWOULDBLOCK) {
            commu_Log("COMMU_Connect2::connect error.ret[%d]\n", nErr);
            WSAAsyncSelect(s, hWnd, 0, 0);
            closesocket(s);
            return 0;
        }
    }
    g_socket = s;
    g_bConnected = TRUE;
    g_hWnd = hWnd;
    LOG_Write("COMMU_Connect2::normal end\n");
    return 1;
}

int COMMU_CloseSocket(void)
{
    LOG_Write("COMMU_CloseSocket::starting\n");
    if (!g_bInitStartup) return 0;
    if (g_bConnected) {
        WSAAsyncSelect(g_socket, g_hWnd, 0, 0);
        shutdown(g_socket, SD_BOTH);
        closesocket(g_socket);
        g_socket = INVALID_SOCKET;
    }
    g_bConnected = FALSE;
    g_bReadable = FALSE;
    g_bWritable = FALSE;
    LOG_Write("COMMU_CloseSocket::normal end\n");
    return 1;
}

int COMMU_IsConnected(void) { return g_bConnected; }

int COMMU_IsOurSocket(UINT_PTR s)
{
    CMN_ASSERT(g_bConnected == TRUE);
    return g_bConnected && s == static_cast<UINT_PTR>(g_socket) ? 1 : 0;
}

int COMMU_IsReadable(void)
{
    CMN_ASSERT(g_bConnected == TRUE);
    return g_bReadable;
}

int COMMU_SetReadable(int bFlag)
{
    CMN_ASSERT(g_bConnected == TRUE);
    g_bReadable = bFlag ? TRUE : FALSE;
    return 1;
}

int COMMU_IsWritable(void)
{
    CMN_ASSERT(g_bConnected == TRUE);
    return g_bWritable;
}

int COMMU_SetWritable(int bFlag)
{
    CMN_ASSERT(g_bConnected == TRUE);
    g_bWritable = bFlag ? TRUE : FALSE;
    return 1;
}

int COMMU_OnNotify(WPARAM wParam, LPARAM lParam)
{
    // A notification queued before a close can arrive after it, for a socket
    // that is gone (or a newer one): it says nothing about the current one.
    if (!g_bConnected || static_cast<SOCKET>(wParam) != g_socket) return 0;
    int nEvent = WSAGETSELECTEVENT(lParam);
    int nErr = WSAGETSELECTERROR(lParam);
    switch (nEvent) {
    case FD_CONNECT:
        if (nErr != 0) {
            commu_Log("COMMU_OnNotify::connect failed.code[%d]\n", nErr);
            COMMU_CloseSocket();
        } else {
            g_bWritable = TRUE;
        }
        break;
    case FD_WRITE:
        if (nErr == 0) g_bWritable = TRUE;
        break;
    case FD_READ:
        if (nErr == 0) g_bReadable = TRUE;
        break;
    case FD_CLOSE:
        // What the peer sent before closing, and then the close itself,
        // reach the owner through COMMU_Receive2.
        g_bReadable = TRUE;
        break;
    default:
        break;
    }
    return nEvent;
}

int COMMU_Receive2(int* pnBytes, int* pnError, char* pBuf, int nBufSize)
{
    CMN_ASSERT(g_bConnected == TRUE && g_bReadable == TRUE);
    CMN_ASSERT(pnBytes != NULL && pnError != NULL && pBuf != NULL && nBufSize > 1);
    if (pnBytes == nullptr || pnError == nullptr || pBuf == nullptr || nBufSize < 2) return 0;
    *pnBytes = 0;
    int nRet = recv(g_socket, pBuf, nBufSize - 1, 0);
    if (nRet > 0) {
        pBuf[nRet] = '\0';
        OutputDebugStringA(pBuf);
        OutputDebugStringA("\n");
        LOG_Write(pBuf);
        LOG_Write("\n");
        *pnBytes = nRet;
        *pnError = COMMU_ERR_NONE;
        return 1;
    }
    if (nRet == 0) {
        COMMU_CloseSocket();
        commu_Log("COMMU_Receive2::受信にてエラー(0)が発生しました.code[%d]\n", WSAGetLastError());
        *pnError = COMMU_ERR_CLOSED;
        return 0;
    }
    commu_Log("COMMU_Receive2::受信にてエラー(SOCKET_ERROR)が発生しました.code[%d]\n", WSAGetLastError());
    *pnError = COMMU_ERR_RECV;
    COMMU_CloseSocket();
    return 0;
}

int COMMU_Send(int* pnError, const char* pBuf, int nLen)
{
    CMN_ASSERT(g_bConnected == TRUE && g_bWritable == TRUE);
    CMN_ASSERT(pnError != NULL && pBuf != NULL && nLen > 0);
    if (pnError == nullptr || pBuf == nullptr || nLen <= 0) return 0;
    commu_Log("COMMU_Send [%d]byte\n", nLen);
    int nDone = 0;
    while (nDone < nLen) {
        int nRet = send(g_socket, pBuf + nDone, nLen - nDone, 0);
        if (nRet == SOCKET_ERROR) {
            int nErr = WSAGetLastError();
            // The socket is non-blocking: once part of a packet has gone, a
            // full send buffer only means waiting for the peer to read. A
            // packet cut off half way would garble every packet after it.
            if (nErr == WSAEWOULDBLOCK && nDone > 0 && commu_WaitWritable(g_socket)) continue;
            commu_Log("COMMU_Send::送信にてエラー(SOCKET_ERROR)が発生しました.code[%d]\n", nErr);
            *pnError = COMMU_ERR_SEND;
            COMMU_CloseSocket();
            return 0;
        }
        nDone += nRet;
    }
    *pnError = COMMU_ERR_NONE;
    return 1;
}
