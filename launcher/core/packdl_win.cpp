#include "packdl.h"

#include "cntpack.h"

#include <cstring>
#include <vector>

namespace {

bool Cancelled(const PackDlIf* d) { return d->pfnCancelled != nullptr && d->pfnCancelled(d->pCtx) != 0; }

// WinINet hands out what has arrived, not what was asked: read until n bytes
// are in, the server has nothing more (0 bytes) or the read fails.
int ReadFull(const PackDlIf* d, HINTERNET h, unsigned char* p, int n)
{
    int nDone = 0;
    while (nDone < n && !Cancelled(d)) {
        DWORD got = 0;
        if (!InternetReadFile(h, p + nDone, static_cast<DWORD>(n - nDone), &got) || got == 0) break;
        nDone += static_cast<int>(got);
    }
    return nDone;
}

int Receive(const PackDlIf* d, HINTERNET hUrl)
{
    // A connection closed before any reply has no status line: that is a
    // transfer that broke off, found by the first read, not an error page.
    DWORD status = 0, len = sizeof(status);
    if (HttpQueryInfoA(hUrl, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr) &&
        status >= 100 && status != 200)
        return ePACKDL_ERR_STATUS;
    unsigned char head[PACKDL_HEAD];
    int n = ReadFull(d, hUrl, head, 12);
    if (Cancelled(d)) return ePACKDL_ERR_CANCEL;
    if (n == 0) return ePACKDL_ERR_EMPTY;
    if (n < 12) return ePACKDL_ERR_SHORT;
    int nMagic = -1;
    for (int i = 0; i < d->nMagics && nMagic < 0; i++)
        if (std::memcmp(head, d->ppMagics[i], 8) == 0) nMagic = i;
    if (nMagic < 0) return ePACKDL_ERR_MAGIC;
    int nTotal = CPD_GetInt32(head + 8);
    if (d->pfnProgress) d->pfnProgress(d->pCtx, 0, nTotal);
    int nMin = d->nMinTotal > PACKDL_HEAD ? d->nMinTotal : PACKDL_HEAD;
    if (nTotal < nMin || (d->nMaxTotal > 0 && nTotal > d->nMaxTotal)) return ePACKDL_ERR_SIZE;
    if (ReadFull(d, hUrl, head + 12, PACKDL_HEAD - 12) != PACKDL_HEAD - 12)
        return Cancelled(d) ? ePACKDL_ERR_CANCEL : ePACKDL_ERR_CUT;
    if (d->pfnBegin && !d->pfnBegin(d->pCtx, nMagic, nTotal, head)) return ePACKDL_ERR_SINK;
    std::vector<char> piece(static_cast<size_t>(d->nPiece > 0 ? d->nPiece : 65536));
    int nReceived = PACKDL_HEAD;
    while (nReceived < nTotal) {
        if (Cancelled(d)) return ePACKDL_ERR_CANCEL;
        int want = nTotal - nReceived < static_cast<int>(piece.size()) ? nTotal - nReceived
                                                                        : static_cast<int>(piece.size());
        DWORD got = 0;
        // A read that fails, or brings nothing before the announced end, means
        // the transfer broke off: reading on would loop for ever.
        if (!InternetReadFile(hUrl, piece.data(), static_cast<DWORD>(want), &got) || got == 0)
            return Cancelled(d) ? ePACKDL_ERR_CANCEL : ePACKDL_ERR_CUT;
        if (d->pfnPiece && !d->pfnPiece(d->pCtx, piece.data(), static_cast<int>(got))) return ePACKDL_ERR_SINK;
        nReceived += static_cast<int>(got);
        if (d->pfnProgress) d->pfnProgress(d->pCtx, nReceived, nTotal);
    }
    return ePACKDL_OK;
}

}  // namespace

HINTERNET PACKDL_OpenRoot(const char* pAgent)
{
    HINTERNET h = InternetOpenA(pAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!h) return h;
    DWORD ms = PACKDL_TIMEOUT_MS;
    const DWORD opts[] = { INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                           INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                           INTERNET_OPTION_DATA_RECEIVE_TIMEOUT };
    for (DWORD o : opts) InternetSetOptionA(h, o, &ms, sizeof(ms));
    return h;
}

int PACKDL_Fetch(const PackDlIf* d)
{
    if (d == nullptr || d->pUrl == nullptr) return ePACKDL_ERR_URL;
    HINTERNET hRoot = PACKDL_OpenRoot(d->pAgent);
    if (!hRoot) return ePACKDL_ERR_OPEN;
    if (d->pfnAdopt && !d->pfnAdopt(d->pCtx, hRoot)) return ePACKDL_ERR_CANCEL;
    HINTERNET hUrl = InternetOpenUrlA(hRoot, d->pUrl, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    int ret;
    if (!hUrl) {
        ret = Cancelled(d) ? ePACKDL_ERR_CANCEL : ePACKDL_ERR_URL;
    } else if (d->pfnAdopt && !d->pfnAdopt(d->pCtx, hUrl)) {
        hUrl = nullptr;
        ret = ePACKDL_ERR_CANCEL;
    } else {
        ret = Receive(d, hUrl);
    }
    if (!d->pfnAdopt) {
        if (hUrl) InternetCloseHandle(hUrl);
        InternetCloseHandle(hRoot);
    }
    return ret;
}
