// PACKDL: one pack fetched over HTTP, the way every program of the client
// fetches one: the launcher's content and client-version requests and the
// updater's download dialog. A pack starts with an 8-byte magic, its total
// size (LE32) and its header size (LE32); the rest follows to the total.
//
//   static const char* const kMagics[] = { "CNPFVR05" };
//   PackDlIf dl = {};
//   dl.pAgent = "Qv7tNw2e"; dl.pUrl = "http://host/ver.bin";
//   dl.ppMagics = kMagics; dl.nMagics = 1; dl.nMinTotal = 20; dl.nMaxTotal = 64 << 20;
//   dl.nPiece = 500000; dl.pCtx = &sink; dl.pfnBegin = Begin; dl.pfnPiece = Piece;
//   int r = PACKDL_Fetch(&dl);   // ePACKDL_*
//
// Every request has the same WinINet time-outs (a silent server never holds
// a worker for ever) and only a reply of status 200 is read (an error page
// of the server is no pack). The callers map the results to codes of their
// own. Windows only.
#pragma once

#include <windows.h>
#include <wininet.h>

// WinINet time-outs of every request, pack or POST.
#define PACKDL_TIMEOUT_MS 180000
// Bytes before the pack's own header: magic, total size, header size.
#define PACKDL_HEAD 16

enum {
    ePACKDL_OK = 0,
    ePACKDL_ERR_OPEN,     // no WinINet root handle
    ePACKDL_ERR_URL,      // the URL could not be opened
    ePACKDL_ERR_STATUS,   // the server answered with another status than 200
    ePACKDL_ERR_EMPTY,    // the reply ended before its first byte
    ePACKDL_ERR_SHORT,    // the reply ended inside the magic and total
    ePACKDL_ERR_MAGIC,    // not one of the magics asked for
    ePACKDL_ERR_SIZE,     // a total outside [nMinTotal, nMaxTotal]
    ePACKDL_ERR_CUT,      // the transfer broke off before the total
    ePACKDL_ERR_SINK,     // pfnBegin or pfnPiece refused
    ePACKDL_ERR_CANCEL,   // pfnCancelled said so
};

struct PackDlIf {
    const char*        pAgent;
    const char*        pUrl;
    const char* const* ppMagics;   // the 8-byte magics accepted
    int                nMagics;
    int                nMinTotal;  // at least PACKDL_HEAD
    int                nMaxTotal;  // 0: no upper bound
    int                nPiece;     // bytes asked for per read
    void*              pCtx;
    // The head (PACKDL_HEAD bytes) once magic and total passed; nMagic is
    // the index of the magic found. 0 refuses (ePACKDL_ERR_SINK).
    int  (*pfnBegin)(void* pCtx, int nMagic, int nTotal, const unsigned char* pHead);
    // Each piece after the head, in order. 0 refuses (ePACKDL_ERR_SINK).
    int  (*pfnPiece)(void* pCtx, const void* p, int n);
    // May be null: the total as soon as it is read (nReceived 0), then the
    // bytes received after every piece.
    void (*pfnProgress)(void* pCtx, int nReceived, int nTotal);
    // May be null: asked before every read.
    int  (*pfnCancelled)(void* pCtx);
    // Named option, may be null: who closes the handles. Null: PACKDL_Fetch
    // closes them. Set: each handle (the root, then the URL's) is handed
    // over as soon as it exists and the host closes it, e.g. from another
    // thread to end a stalled read; a 0 return means the host has cancelled
    // and closed that handle already.
    int  (*pfnAdopt)(void* pCtx, HINTERNET h);
};

int PACKDL_Fetch(const PackDlIf* pDl);
// A WinINet root handle with the time-outs above (also for POST requests).
HINTERNET PACKDL_OpenRoot(const char* pAgent);
