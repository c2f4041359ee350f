// Bitmaps of the launcher: 8-bit palette images with their palettes (skin,
// splash, dialog backgrounds, catalogue capture images), the window shape
// made from a bitmap, and the cache of decoded capture images.
//
//   BmpIf bmp = {};
//   if (BMPM_LoadBmpFromMem(&bmp, pFile, nFileSize, hWnd)) ... draw bmp.m_hBmp with bmp.m_hPal
//   CMNFILE_FreeBmp(&bmp);
//   HRGN hRgn = CreateRgnFromBmp(hShape, RGB(0, 0, 0));   // everything but black
//
// Bitmap files are the classic form: a 14-byte file header "BM", a 40-byte
// info header, the colour table and the pixel rows right after it. Images
// come from the network too (capture images), so every header is checked
// against the file's size before anything is read.
#pragma once

#include <windows.h>

struct BmpIf {
    int      bMask;       // 1 when a mask was loaded with the image
    HBITMAP  m_hBmp;
    HBITMAP  m_hMskBmp;
    HPALETTE m_hPal;
    HPALETTE m_hMskPal;
    int      nReserved0;  // cleared by every loader, read by nobody
    int      nReserved1;
    int      nWidth;
    int      nHeight;
};

int      BMPM_LoadBmp(BmpIf* pBmpIf, HINSTANCE hInst, int nBmpId, int nMskId, HWND hWnd);
// pImage: a whole bitmap file of nSize bytes. 0 (record untouched) unless it
// is a sound 8-bit image.
int      BMPM_LoadBmpFromMem(BmpIf* pBmpIf, const void* pImage, int nSize, HWND hWnd);
HPALETTE BMPM_CreatePalette(HBITMAP hBmp, HWND hWnd);
HPALETTE BMPM_CreatePaletteFromDib(const BITMAPINFO* pbi);
HBITMAP  BMPM_CreateDIBitmapPal(const BITMAPINFO* pbi, HPALETTE hPal);
int      BMPM_GetBmpSize(HBITMAP hBmp, int* pnWidth, int* pnHeight);

int      CMNFILE_GetBmpSize(HBITMAP hBmp, int* pnWidth, int* pnHeight);
int      CMNFILE_GetBmpBitCount(HBITMAP hBmp);
int      CMNFILE_LoadBmpFile(BmpIf* pBmpIf, const char* pPath, const char* pMskPath, HWND hWnd);
HPALETTE CMNFILE_CreatePaletteFromBmp(HBITMAP hBmp, HWND hWnd, int nColors);
HPALETTE CMNFILE_CreatePalette16(HBITMAP hBmp, HWND hWnd, int nRed, int nGreen, int nBlue);
HPALETTE CMNFILE_LoadPalette16(const char* pPath, HWND hWnd, int nRed, int nGreen, int nBlue);
void     CMNFILE_FreeBmp(BmpIf* pBmpIf);

// The region of every pixel that differs from the transparent colour
// (0xFFFFFFFF: the colour of the bottom-left pixel). Null on failure.
HRGN     CreateRgnFromBmp(HBITMAP hBmp, COLORREF clrTransparent);

// The decoded capture images, by full path; a file of the cache folder that
// is not an 8-bit bitmap is deleted when it is looked at and stays an empty
// image.
struct CacheImgIf {
    char  strPath[2048];
    int   bLoaded;
    BmpIf bmp;
};
int         SCCACHE_Init(void);
void        SCCACHE_SetWindow(HWND hWnd);   // the main window, for palettes
// The cache folder (ending with "\\"): a bad file is deleted only below it,
// never elsewhere. Unset: nothing is deleted.
void        SCCACHE_SetFolder(const char* pFolder);
CacheImgIf* SCCACHE_GetImage(const char* pPath);
int         SCCACHE_CheckBmp(BmpIf* pBmpIf, const char* pPath, HWND hWnd);
int         SCCACHE_Fini(void);

// The file checks of BMPM_LoadBmpFromMem, platform-free in spirit: 1 when
// the image is an 8-bit, uncompressed bitmap whose colour table and pixels
// lie inside the nSize bytes. Fills the colour count when not null.
int BMPM_Is8BitImage(const void* pImage, int nSize, int* pnColors);
