// The game runner's command line and play-time line, free of Windows so
// they are tested natively too.
//
// The launcher starts "qr.exe <game exe> mode=start,userid=<id>,productid=<id>,save=<folder>,"
// (or the short form that ends after the user id). The game is started with
// that whole text unchanged; the runner itself reads the game's path (all
// before " mode=start"), the user id and the product id.
#pragma once

enum {
    QR_CMDLINE_SIZE = 2048,
    QR_FIELD_SIZE = 1024,
};

struct QrCmdIf {
    char strCmdLine[QR_CMDLINE_SIZE];
    char strGamePath[QR_FIELD_SIZE];
    char strUserId[QR_FIELD_SIZE];
    char strProductId[QR_FIELD_SIZE];
};

enum eQRCMD_RESULT {
    eQRCMD_OK = 0,
    eQRCMD_NOMODE,      // no " mode=start": not a command line of the launcher's
    eQRCMD_TOOLONG,     // the command line or one of its fields does not fit
};

// Parses the command line into pCmd (cleared first).
int QRCMD_Parse(QrCmdIf* pCmd, const char* pCmdLine);

// The play-time line of pt.bin for a number of counted seconds: the plain
// "%s,%s,%d,\n" (user id, product id, whole minutes, at least 1), every byte
// inverted. Returns its length, or -1 when it does not fit.
int QRCMD_PlayTimeLine(char* pDst, int nDstSize, int nSeconds, const char* pUserId, const char* pProductId);

// The ".sbn" that belongs to a game path, as the launcher names it
// (CMNFILE_PackedName). 0 when it does not fit.
int QRCMD_SbnPath(char* pDst, int nDstSize, const char* pGamePath);
