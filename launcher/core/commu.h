// COMMU: the program's one TCP connection to the service, bound to a window
// message (Windows Sockets 1.1, WSAAsyncSelect). The socket is non-blocking:
// a connect only starts, and its outcome, the room to send and the data to
// read arrive later as notifications on the owner's window.
//
//   COMMU_Init();
//   COMMU_Connect2("127.0.0.1", 9000, WM_APP + 1, hWnd, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
//   ... case WM_APP + 1: COMMU_OnNotify(wParam, lParam); break;   // sets readable / writable
//   if (COMMU_IsConnected() && COMMU_IsWritable()) COMMU_Send(&nErr, pPacket, nSize);
//   if (COMMU_IsConnected() && COMMU_IsReadable()) COMMU_Receive2(&nGot, &nErr, buf, sizeof(buf));
//   COMMU_CloseSocket();
//   COMMU_Term();
//
// State: connected is set as soon as the connect is under way, not when it
// completes; readable and writable are the owner's (COMMU_SetReadable,
// COMMU_SetWritable or COMMU_OnNotify) and are cleared by a new connect and
// by every close. A receive or send error and a close by the peer close the
// socket, so the owner sees the connection as gone. All calls belong to the
// thread that owns the notification window.
#pragma once

#include <windows.h>

// Error codes stored through the error out-parameter.
enum {
    COMMU_ERR_NONE = 0,
    COMMU_ERR_RECV = 1,    // the receive failed
    COMMU_ERR_CLOSED = 2,  // the peer closed the connection
    COMMU_ERR_SEND = 3,    // the send failed
};

int COMMU_Init(void);
int COMMU_Term(void);
// pAddr: dotted IPv4 text; nPort in host order. 1 when the connect is under
// way, 0 (logged with the Windows Sockets error) otherwise.
int COMMU_Connect2(const char* pAddr, int nPort, UINT uMsg, HWND hWnd, long lEvent);
int COMMU_CloseSocket(void);

int COMMU_IsConnected(void);
int COMMU_IsOurSocket(UINT_PTR s);
int COMMU_IsReadable(void);
int COMMU_SetReadable(int bFlag);
int COMMU_IsWritable(void);
int COMMU_SetWritable(int bFlag);

// One notification of the window message given to COMMU_Connect2 (wParam
// the socket, lParam the event and error). A completed connect and FD_WRITE
// make the socket writable, FD_READ and FD_CLOSE readable (a receive then
// sees the close); a failed connect closes it.
// Notifications of another socket are ignored. Returns the event (FD_*), or
// 0 for another socket.
int COMMU_OnNotify(WPARAM wParam, LPARAM lParam);

// Receives at most nBufSize - 1 bytes and terminates them. 1 with *pnBytes
// set; 0 with error 1 (receive failed) or 2 (closed by the peer), the socket
// then closed.
int COMMU_Receive2(int* pnBytes, int* pnError, char* pBuf, int nBufSize);
// Sends all nLen bytes (a short count is followed by the rest). 1, or 0 with
// error 3 and the socket closed; a send that would block before any byte
// went is an error too (the owner's writable flag was wrong).
int COMMU_Send(int* pnError, const char* pBuf, int nLen);
