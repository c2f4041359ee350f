#include "bmpm.h"

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cmnassert.h"
#include "cmnfile.h"
#include "errmsg.h"
#include "list.h"
#include "log.h"

namespace {

// Selects an object into a DC for the scope and puts the old one back.
struct Selected {
    HDC hdc;
    HGDIOBJ hOld;
    Selected(HDC h, HGDIOBJ o) : hdc(h), hOld(SelectObject(h, o)) {}
    ~Selected() { SelectObject(hdc, hOld); }
};

struct MemDC {
    HDC hdc;
    MemDC() : hdc(CreateCompatibleDC(nullptr)) {}
    ~MemDC() { if (hdc) DeleteDC(hdc); }
};

struct WindowDC {
    HWND hWnd;
    HDC hdc;
    explicit WindowDC(HWND h) : hWnd(h), hdc(GetDC(h)) {}
    ~WindowDC() { if (hdc) ReleaseDC(hWnd, hdc); }
};

// A logical palette of n entries (version 0x300) from RGBQUADs.
HPALETTE MakePalette(const RGBQUAD* pColors, int nTable, int nEntries, BYTE byFlags)
{
    if (nEntries <= 0) return nullptr;
    std::vector<BYTE> buf(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * nEntries, 0);
    LOGPALETTE* pLog = reinterpret_cast<LOGPALETTE*>(buf.data());
    pLog->palVersion = 0x300;
    pLog->palNumEntries = static_cast<WORD>(nEntries);
    for (int i = 0; i < nEntries && i < nTable; i++) {
        pLog->palPalEntry[i].peRed = pColors[i].rgbRed;
        pLog->palPalEntry[i].peGreen = pColors[i].rgbGreen;
        pLog->palPalEntry[i].peBlue = pColors[i].rgbBlue;
        pLog->palPalEntry[i].peFlags = byFlags;
    }
    for (int i = nTable; i < nEntries; i++) pLog->palPalEntry[i].peFlags = byFlags;
    return CreatePalette(pLog);
}

// The colour table of a DIB section; the count read (0 on failure).
int ReadColorTable(HBITMAP hBmp, RGBQUAD* pColors, int nMax)
{
    MemDC dc;
    if (dc.hdc == nullptr) return 0;
    Selected sel(dc.hdc, hBmp);
    return static_cast<int>(GetDIBColorTable(dc.hdc, 0, nMax, pColors));
}

}  // namespace

int BMPM_Is8BitImage(const void* pImage, int nSize, int* pnColors)
{
    const BYTE* p = static_cast<const BYTE*>(pImage);
    const int kFileHeader = 14, kInfoHeader = 40;
    if (p == nullptr || nSize < kFileHeader + kInfoHeader) return 0;
    if (p[0] != 'B' || p[1] != 'M') return 0;
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, p + kFileHeader, sizeof(bih));
    if (bih.biSize != kInfoHeader || bih.biBitCount != 8 || bih.biCompression != BI_RGB || bih.biPlanes != 1) return 0;
    if (bih.biWidth <= 0 || bih.biWidth > 32768 || bih.biHeight == 0 || bih.biHeight > 32768 || bih.biHeight < -32768) {
        return 0;
    }
    int nColors = bih.biClrUsed == 0 ? 256 : static_cast<int>(bih.biClrUsed);
    if (bih.biClrUsed > 256) return 0;
    long long nStride = ((static_cast<long long>(bih.biWidth) * 8 + 31) / 32) * 4;
    long long nRows = bih.biHeight < 0 ? -static_cast<long long>(bih.biHeight) : bih.biHeight;
    long long nNeed = kFileHeader + kInfoHeader + 4LL * nColors + nStride * nRows;
    if (nNeed > nSize) return 0;
    if (pnColors != nullptr) *pnColors = nColors;
    return 1;
}

HPALETTE BMPM_CreatePalette(HBITMAP hBmp, HWND hWnd)
{
    (void)hWnd;
    RGBQUAD colors[256];
    int n = ReadColorTable(hBmp, colors, 256);
    CMN_ASSERT(n != 0);
    return MakePalette(colors, n, 256, PC_NOCOLLAPSE);
}

HPALETTE BMPM_CreatePaletteFromDib(const BITMAPINFO* pbi)
{
    if (pbi == nullptr) return nullptr;
    int n = static_cast<int>(pbi->bmiHeader.biClrUsed);
    if (n == 0 && pbi->bmiHeader.biBitCount <= 8) n = 1 << pbi->bmiHeader.biBitCount;
    if (n <= 0 || n > 256) return nullptr;
    return MakePalette(pbi->bmiColors, n, n, 0);
}

HBITMAP BMPM_CreateDIBitmapPal(const BITMAPINFO* pbi, HPALETTE hPal)
{
    int nColors = static_cast<int>(pbi->bmiHeader.biClrUsed);
    if (nColors == 0 && pbi->bmiHeader.biBitCount <= 8) nColors = 1 << pbi->bmiHeader.biBitCount;
    const BYTE* pBits = reinterpret_cast<const BYTE*>(pbi) + pbi->bmiHeader.biSize + 4 * nColors;
    WindowDC screen(nullptr);
    if (screen.hdc == nullptr) return nullptr;
    HPALETTE hOld = SelectPalette(screen.hdc, hPal, TRUE);
    RealizePalette(screen.hdc);
    HBITMAP hBmp = CreateDIBitmap(screen.hdc, &pbi->bmiHeader, CBM_INIT, pBits, pbi, DIB_RGB_COLORS);
    SelectPalette(screen.hdc, hOld, TRUE);
    return hBmp;
}

int BMPM_GetBmpSize(HBITMAP hBmp, int* pnWidth, int* pnHeight)
{
    return CMNFILE_GetBmpSize(hBmp, pnWidth, pnHeight);
}

int CMNFILE_GetBmpSize(HBITMAP hBmp, int* pnWidth, int* pnHeight)
{
    BITMAP bm;
    int nRet = GetObjectA(hBmp, sizeof(bm), &bm);
    CMN_ASSERT(nRet != 0);
    if (nRet == 0) return 0;
    if (pnWidth) *pnWidth = bm.bmWidth;
    if (pnHeight) *pnHeight = bm.bmHeight;
    return nRet;
}

int CMNFILE_GetBmpBitCount(HBITMAP hBmp)
{
    BITMAP bm;
    if (GetObjectA(hBmp, sizeof(bm), &bm) == 0) return 0;
    return bm.bmBitsPixel;
}

static bool bmpm_IsEmpty(const BmpIf* p)
{
    return p->m_hBmp == nullptr && p->m_hPal == nullptr && p->m_hMskBmp == nullptr && p->m_hMskPal == nullptr;
}

int BMPM_LoadBmp(BmpIf* pBmpIf, HINSTANCE hInst, int nBmpId, int nMskId, HWND hWnd)
{
    CMN_ASSERT(pBmpIf->m_hBmp == NULL && pBmpIf->m_hPal == NULL && pBmpIf->m_hMskBmp == NULL && pBmpIf->m_hMskPal == NULL);
    if (!bmpm_IsEmpty(pBmpIf)) return 0;
    pBmpIf->nReserved0 = pBmpIf->nReserved1 = 0;
    pBmpIf->m_hBmp = static_cast<HBITMAP>(LoadImageA(hInst, MAKEINTRESOURCEA(nBmpId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    CMN_ASSERT(pBmpIf->m_hBmp != NULL);
    if (pBmpIf->m_hBmp == nullptr) return 0;
    pBmpIf->m_hPal = BMPM_CreatePalette(pBmpIf->m_hBmp, hWnd);
    CMN_ASSERT(pBmpIf->m_hPal != NULL);
    pBmpIf->bMask = 0;
    if (nMskId != -1) {
        pBmpIf->bMask = 1;
        pBmpIf->m_hMskBmp = static_cast<HBITMAP>(LoadImageA(hInst, MAKEINTRESOURCEA(nMskId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        CMN_ASSERT(pBmpIf->m_hMskBmp != NULL);
        if (pBmpIf->m_hMskBmp != nullptr) pBmpIf->m_hMskPal = BMPM_CreatePalette(pBmpIf->m_hMskBmp, hWnd);
        CMN_ASSERT(pBmpIf->m_hMskPal != NULL);
    }
    CMNFILE_GetBmpSize(pBmpIf->m_hBmp, &pBmpIf->nWidth, &pBmpIf->nHeight);
    return 1;
}

int BMPM_LoadBmpFromMem(BmpIf* pBmpIf, const void* pImage, int nSize, HWND hWnd)
{
    CMN_ASSERT(pBmpIf->m_hBmp == NULL && pBmpIf->m_hPal == NULL && pBmpIf->m_hMskBmp == NULL && pBmpIf->m_hMskPal == NULL);
    if (!bmpm_IsEmpty(pBmpIf)) return 0;
    if (!BMPM_Is8BitImage(pImage, nSize, nullptr)) return 0;
    const BITMAPINFO* pbi = reinterpret_cast<const BITMAPINFO*>(static_cast<const BYTE*>(pImage) + 14);
    HPALETTE hPal = BMPM_CreatePaletteFromDib(pbi);
    CMN_ASSERT(hPal != NULL);
    if (hPal == nullptr) return 0;
    {
        WindowDC wdc(hWnd);
        if (wdc.hdc != nullptr) {
            HPALETTE hOld = SelectPalette(wdc.hdc, hPal, FALSE);
            RealizePalette(wdc.hdc);
            SelectPalette(wdc.hdc, hOld, FALSE);
        }
    }
    HBITMAP hBmp = BMPM_CreateDIBitmapPal(pbi, hPal);
    if (hBmp == nullptr) {
        DeleteObject(hPal);
        return 0;
    }
    pBmpIf->nReserved0 = pBmpIf->nReserved1 = 0;
    pBmpIf->m_hPal = hPal;
    pBmpIf->m_hBmp = hBmp;
    pBmpIf->bMask = 0;
    pBmpIf->nWidth = pbi->bmiHeader.biWidth;
    pBmpIf->nHeight = pbi->bmiHeader.biHeight < 0 ? -pbi->bmiHeader.biHeight : pbi->bmiHeader.biHeight;
    return 1;
}

HPALETTE CMNFILE_CreatePaletteFromBmp(HBITMAP hBmp, HWND hWnd, int nColors)
{
    (void)hWnd;
    if (nColors <= 0 || nColors > 256) return nullptr;
    RGBQUAD colors[256];
    int n = ReadColorTable(hBmp, colors, nColors);
    if (n == 0) {
        ERRMSG_PutLastError();
        return nullptr;
    }
    return MakePalette(colors, n, nColors, PC_NOCOLLAPSE);
}

HPALETTE CMNFILE_CreatePalette16(HBITMAP hBmp, HWND hWnd, int nRed, int nGreen, int nBlue)
{
    (void)hWnd;
    RGBQUAD colors[16] = {};
    if (ReadColorTable(hBmp, colors, 16) == 0) {
        ERRMSG_PutLastError();
        return nullptr;
    }
    colors[15].rgbRed = static_cast<BYTE>(nRed);
    colors[15].rgbGreen = static_cast<BYTE>(nGreen);
    colors[15].rgbBlue = static_cast<BYTE>(nBlue);
    return MakePalette(colors, 16, 16, PC_NOCOLLAPSE);
}

HPALETTE CMNFILE_LoadPalette16(const char* pPath, HWND hWnd, int nRed, int nGreen, int nBlue)
{
    HBITMAP hBmp = static_cast<HBITMAP>(LoadImageA(nullptr, pPath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    CMN_ASSERT(hBmp != NULL);
    if (hBmp == nullptr) return nullptr;
    HPALETTE hPal = CMNFILE_CreatePalette16(hBmp, hWnd, nRed, nGreen, nBlue);
    DeleteObject(hBmp);
    return hPal;
}

int CMNFILE_LoadBmpFile(BmpIf* pBmpIf, const char* pPath, const char* pMskPath, HWND hWnd)
{
    CMN_ASSERT(bmpm_IsEmpty(pBmpIf));
    if (!bmpm_IsEmpty(pBmpIf)) return ERRID_CMNFILE_OPEN;
    auto load = [](const char* p) {
        return static_cast<HBITMAP>(LoadImageA(nullptr, p, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    };
    pBmpIf->nReserved0 = pBmpIf->nReserved1 = 0;
    pBmpIf->m_hBmp = load(pPath);
    CMN_ASSERT(pBmpIf->m_hBmp != NULL);
    if (pBmpIf->m_hBmp == nullptr) return ERRID_CMNFILE_OPEN;
    pBmpIf->m_hPal = CMNFILE_CreatePaletteFromBmp(pBmpIf->m_hBmp, hWnd, 1 << CMNFILE_GetBmpBitCount(pBmpIf->m_hBmp));
    pBmpIf->bMask = 0;
    if (pMskPath != nullptr) {
        pBmpIf->bMask = 1;
        pBmpIf->m_hMskBmp = load(pMskPath);
        CMN_ASSERT(pBmpIf->m_hMskBmp != NULL);
        if (pBmpIf->m_hMskBmp != nullptr) {
            pBmpIf->m_hMskPal = CMNFILE_CreatePaletteFromBmp(pBmpIf->m_hMskBmp, hWnd,
                                                              1 << CMNFILE_GetBmpBitCount(pBmpIf->m_hMskBmp));
        }
    }
    CMNFILE_GetBmpSize(pBmpIf->m_hBmp, &pBmpIf->nWidth, &pBmpIf->nHeight);
    return ERRID_CMNFILE_NONE;
}

void CMNFILE_FreeBmp(BmpIf* pBmpIf)
{
    if (pBmpIf == nullptr) return;
    if (pBmpIf->m_hBmp) DeleteObject(pBmpIf->m_hBmp);
    if (pBmpIf->m_hPal) DeleteObject(pBmpIf->m_hPal);
    if (pBmpIf->bMask) {
        if (pBmpIf->m_hMskBmp) DeleteObject(pBmpIf->m_hMskBmp);
        if (pBmpIf->m_hMskPal) DeleteObject(pBmpIf->m_hMskPal);
    }
    std::memset(pBmpIf, 0, sizeof(*pBmpIf));
}

// ---- region from a bitmap --------------------------------------------------

namespace {

// Region data: a header and up to 200 rectangles; made into a region and
// ORed into the result whenever it fills, so no rectangle list grows with
// the image.
struct RectBuffer {
    enum { kMax = 200 };
    std::vector<BYTE> mem;
    RectBuffer() : mem(sizeof(RGNDATAHEADER) + sizeof(RECT) * kMax) { Reset(); }
    RGNDATA* Data() { return reinterpret_cast<RGNDATA*>(mem.data()); }
    RECT* Rects() { return reinterpret_cast<RECT*>(Data()->Buffer); }
    void Reset()
    {
        RGNDATAHEADER& h = Data()->rdh;
        h.dwSize = sizeof(RGNDATAHEADER);
        h.iType = RDH_RECTANGLES;
        h.nCount = 0;
        h.nRgnSize = 0;
        SetRect(&h.rcBound, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0);
    }
    void Add(int l, int t, int r, int b)
    {
        RGNDATAHEADER& h = Data()->rdh;
        SetRect(&Rects()[h.nCount], l, t, r, b);
        if (l < h.rcBound.left) h.rcBound.left = l;
        if (t < h.rcBound.top) h.rcBound.top = t;
        if (r > h.rcBound.right) h.rcBound.right = r;
        if (b > h.rcBound.bottom) h.rcBound.bottom = b;
        h.nCount++;
    }
    // ORs the rectangles into *pRgn (the first batch becomes it); false on failure.
    bool Flush(HRGN* pRgn)
    {
        HRGN h = ExtCreateRegion(nullptr, sizeof(RGNDATAHEADER) + sizeof(RECT) * Data()->rdh.nCount, Data());
        if (h == nullptr) return false;
        if (*pRgn == nullptr) {
            *pRgn = h;
        } else {
            CombineRgn(*pRgn, *pRgn, h, RGN_OR);
            DeleteObject(h);
        }
        Reset();
        return true;
    }
};

}  // namespace

HRGN CreateRgnFromBmp(HBITMAP hBmp, COLORREF clrTransparent)
{
    if (hBmp == nullptr) return nullptr;
    BITMAP bm;
    if (GetObjectA(hBmp, sizeof(bm), &bm) == 0) return nullptr;
    const int w = bm.bmWidth, h = bm.bmHeight;
    if (w <= 0 || h <= 0) return nullptr;

    // A 32-bit bottom-up copy: each pixel one comparable word, blue in the low byte.
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hDib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hDib == nullptr) return nullptr;
    {
        MemDC src, dst;
        if (src.hdc == nullptr || dst.hdc == nullptr) {
            DeleteObject(hDib);
            return nullptr;
        }
        Selected s1(src.hdc, hBmp), s2(dst.hdc, hDib);
        if (!BitBlt(dst.hdc, 0, 0, w, h, src.hdc, 0, 0, SRCCOPY)) {
            DeleteObject(hDib);
            return nullptr;
        }
    }
    GdiFlush();
    const DWORD* pix = static_cast<const DWORD*>(pBits);
    auto row = [&](int y) { return pix + static_cast<size_t>(h - 1 - y) * w; };   // bottom-up rows
    DWORD key;
    if (clrTransparent == 0xFFFFFFFF) {
        key = row(h - 1)[0];
    } else {
        key = (clrTransparent & 0x0000FF00) | ((clrTransparent & 0xFF) << 16) | ((clrTransparent >> 16) & 0xFF);
    }

    RectBuffer buf;
    HRGN hRgn = nullptr;
    for (int y = 0; y < h; y++) {
        const DWORD* p = row(y);
        for (int x = 0; x < w;) {
            while (x < w && p[x] == key) x++;
            if (x >= w) break;
            int x0 = x;
            while (x < w && p[x] != key) x++;
            buf.Add(x0, y, x, y + 1);
            if (buf.Data()->rdh.nCount == RectBuffer::kMax && !buf.Flush(&hRgn)) {
                if (hRgn) DeleteObject(hRgn);
                DeleteObject(hDib);
                return nullptr;
            }
        }
    }
    bool ok = buf.Flush(&hRgn);
    DeleteObject(hDib);
    if (!ok) {
        if (hRgn) DeleteObject(hRgn);
        return nullptr;
    }
    return hRgn;
}

// ---- capture image cache --------------------------------------------------

namespace {
int g_bInit = 0;
LIST g_cacheList;
HWND g_hCacheWnd = nullptr;
char g_strCacheFolder[2048] = "";

// Only a file below the cache folder may be deleted as a bad capture: a
// path built from a catalogue field must never remove anything else.
bool IsInCacheFolder(const char* pPath)
{
    size_t n = std::strlen(g_strCacheFolder);
    if (n == 0 || std::strlen(pPath) <= n) return false;
    for (size_t i = 0; i < n; i++) {
        char a = pPath[i], b = g_strCacheFolder[i];
        if (a == '/') a = '\\';
        if (b == '/') b = '\\';
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return CMNFILE_IsSafeRelPath(pPath + n) != 0;
}
}  // namespace

void SCCACHE_SetFolder(const char* pFolder)
{
    std::snprintf(g_strCacheFolder, sizeof(g_strCacheFolder), "%s", pFolder != nullptr ? pFolder : "");
}

int SCCACHE_Init(void)
{
    CMN_ASSERT(g_bInit == FALSE);
    if (g_bInit) return 0;
    LIST_Init(&g_cacheList);
    g_bInit = 1;
    return 1;
}

void SCCACHE_SetWindow(HWND hWnd)
{
    g_hCacheWnd = hWnd;
}

int SCCACHE_CheckBmp(BmpIf* pBmpIf, const char* pPath, HWND hWnd)
{
    CMN_ASSERT(hWnd != NULL);
    void* pFile = nullptr;
    int nSize = 0;
    bool bGood = false;
    if (CMNFILE_ReadFileEx(pPath, &pFile, &nSize, 0) == ERRID_CMNFILE_NONE) {
        bGood = BMPM_LoadBmpFromMem(pBmpIf, pFile, nSize, hWnd) != 0;
        GlobalFree(pFile);
    }
    if (!bGood && IsInCacheFolder(pPath)) {
        LOG_Write("*** warning *** delete bmp file. not8bit bmp\n");
        LOG_Write(pPath);
        DeleteFileA(pPath);
    } else if (!bGood) {
        LOG_Write("*** warning *** not 8-bit bmp outside the cache folder: kept\n");
        LOG_Write(pPath);
    }
    return 1;
}

CacheImgIf* SCCACHE_GetImage(const char* pPath)
{
    CMN_ASSERT(g_bInit == TRUE);
    if (!g_bInit || pPath == nullptr) return nullptr;
    size_t nLen = std::strlen(pPath);
    if (nLen >= sizeof(CacheImgIf::strPath)) return nullptr;
    for (int i = 0; i < LIST_GetCnt(&g_cacheList); i++) {
        CacheImgIf* p = static_cast<CacheImgIf*>(LIST_GetAt(&g_cacheList, i));
        if (p != nullptr && std::strlen(p->strPath) == nLen && std::memcmp(p->strPath, pPath, nLen) == 0) return p;
    }
    CacheImgIf* p = static_cast<CacheImgIf*>(std::calloc(1, sizeof(CacheImgIf)));
    if (p == nullptr) return nullptr;
    SCCACHE_CheckBmp(&p->bmp, pPath, g_hCacheWnd != nullptr ? g_hCacheWnd : GetDesktopWindow());
    p->bLoaded = 1;
    std::memcpy(p->strPath, pPath, nLen + 1);
    if (!LIST_Add(&g_cacheList, p)) {
        CMNFILE_FreeBmp(&p->bmp);
        std::free(p);
        return nullptr;
    }
    return p;
}

int SCCACHE_Fini(void)
{
    if (!g_bInit) return 0;
    for (int i = 0; i < LIST_GetCnt(&g_cacheList); i++) {
        CacheImgIf* p = static_cast<CacheImgIf*>(LIST_GetAt(&g_cacheList, i));
        if (p != nullptr && p->bLoaded == 1) {
            CMNFILE_FreeBmp(&p->bmp);
            p->bLoaded = 0;
        }
    }
    LIST_Free(&g_cacheList);
    g_bInit = 0;
    return 1;
}
