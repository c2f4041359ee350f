// CONTENTSLIST: the member's content catalogue, one fixed-size record ContIf
// per content, kept in the global array g_pContIf (g_nContCnt records).
//
// It is built from the service's catalogue reply, merged with the catalogue
// stored in the member's REG.DAT, and each content's game, manual and music
// data get a state from what the member's folder holds:
//
//   CONTENTSLIST_SetUserPath("C:\\tiv\\cnt\\0123...cdef\\");   // the member's folder
//   int n = EUCtoSJIS(pReply, nReplyLen);                       // in place
//   const char* pText = pReply + 3;                             // after "ok,"
//   int nCnt = CONTENTSLIST_GetContentsCnt(pText, n - 3);
//   if (CONTENTSLIST_IsLoaded()) { CONTENTSLIST_Free(); CONTENTSLIST_Merge(pText, nCnt); }
//   else CONTENTSLIST_Init(pText);
//   CONTENTSLIST_SetLastUpdate("20261210");
//   CONTENTSLIST_Save2();
//
// ContIf and CfhIf are file formats (REG.DAT is their bytes, scrambled): the
// layouts are pinned field by field below. Text fields are NUL-terminated
// Shift-JIS; bytes after the NUL are kept but never read.
//
// Files: contentslist.cpp (globals, accessors), contentslist_reply.cpp (the
// reply: EUC-JP conversion, counting, parsing, building), contentslist_merge.cpp
// (merge with the stored records, installed states), contentslist_store.cpp
// (the store's image in memory), contentslist_store_win.cpp (REG.DAT on disk),
// contentslist_probe_win.cpp / _posix.cpp (the folder lookup);
// contentslist_field.h holds the bounded field helpers they share.
#pragma once

#include <cstddef>
#include <cstdint>

enum eCLPD_TYPE {
    eCLPD_TYPE_NONE = 0,          // not decided yet
    eCLPD_TYPE_PLAYABLE = 1,      // installed and up to date
    eCLPD_TYPE_DOWNLOADABLE = 2,  // bought (or recorded as installed) but not present
    eCLPD_TYPE_UPDATE = 3,        // installed, another version is offered
    eCLPD_TYPE_NOTBUY = 5,        // not bought
    eCLPD_TYPE_MAX = 6,
};

enum eCLPD_PATHTYPE {
    eCLPD_PATHTYPE_MAINEXE = 0,
    eCLPD_PATHTYPE_README = 1,
    eCLPD_PATHTYPE_KIYAKU = 2,
    eCLPD_PATHTYPE_MANUAL = 3,
    eCLPD_PATHTYPE_SAVEFILE = 5,
    eCLPD_PATHTYPE_KZDSOUND = 6,
    eCLPD_PATHTYPE_MSXROM = 7,
    eCLPD_PATHTYPE_MAX = 8,
};

enum {
    CLPD_SLOT_MAX = 10,       // path and caption slots per kind
    CLPD_PATH_LEN = 128,      // bytes of a path slot, terminator included
    CLPD_SENTENCE_LEN = 64,   // bytes of a caption slot, terminator included
};

// One content; 13592 bytes, little-endian int32 values.
struct ContIf {
    char    strCode[3];                  //     0 column 1
    char    strContentsId[65];           //     3 column 4, the key
    char    strProductName[129];         //    68 column 3
    char    strMakerName[31];            //   197 column 5
    char    strPlatform[21];             //   228 column 6
    char    strGenreName[31];            //   249 column 7
    char    strSaleDay[11];              //   280 column 8
    char    strSortKey[11];              //   291 column 9, integer text
    char    strDlPath[129];              //   302 column 10
    char    strDlPathManual[129];        //   431 column 17
    char    strDlPathVelqa[129];         //   560 column 19
    char    strVersion[20];              //   689 column 11
    char    strVersionManual[20];        //   709 column 18
    char    strVersionVelqa[20];         //   729 column 20
    char    strServerVersion[20];        //   749
    char    strServerVersionManual[20];  //   769
    char    strServerVersionVelqa[20];   //   789
    char    strVelqaFlag[9];             //   809 column 12
    char    strVelqaBought[9];           //   818 column 16
    char    strSortValue[11];            //   827 decimal number text
    char    strStartDate[9];             //   838 column 23, YYYYMMDD
    char    strEndDate[9];               //   847 column 24, YYYYMMDD
    char    strColumn21[9];              //   856
    char    strColumn22[9];              //   865
    char    strExePath[10][128];         //   874 kind 0
    char    strSaveFilePath[10][128];    //  2154 kind 5
    char    strReadmePath[10][128];      //  3434 kind 1
    char    strKiyakuPath[10][128];      //  4714 kind 2
    char    strManualPath[10][128];      //  5994 kind 3
    char    strVelqaPath[10][128];       //  7274 kind 6
    char    strMsxRomPath[10][128];      //  8554 kind 7
    char    strExtra[66];                //  9834
    int32_t type;                        //  9900 eCLPD_TYPE of the game
    int32_t typeManual;                  //  9904
    int32_t typeVelqa;                   //  9908
    char    strExeSentence[10][64];      //  9912
    char    strReadmeSentence[10][64];   // 10552
    char    strKiyakuSentence[10][64];   // 11192
    char    strManualSentence[10][64];   // 11832
    char    strVelqaSentence[10][64];    // 12472
    int32_t nSlotValue[10];              // 13112 start option per executable slot
    char    strBought[2];                // 13152 column 13
    char    strGameCapturePath[128];     // 13154 column 14
    char    strExplan[128];              // 13282 column 15
    char    padding[2];                  // 13410
    int32_t bFavorite;                   // 13412
    char    reserved[176];               // 13416
};

// The header of REG.DAT; 536 bytes.
struct CfhIf {
    char    strMagic[4];                 //   0 "2xpU", no NUL
    char    strUserId[129];              //   4
    char    strPassword[129];            // 133
    char    reserved1[120];              // 262 carried over unchanged
    char    strLastUpdate[20];           // 382 YYYYMMDD
    char    reserved2[130];              // 402
    int32_t lCount;                      // 532 records that follow
};

#define CLPD_CHECK(T, f, off, size)                                              \
    static_assert(offsetof(T, f) == (off), #T "::" #f " is at byte " #off);     \
    static_assert(sizeof(T::f) == (size), #T "::" #f " is " #size " bytes")
CLPD_CHECK(ContIf, strCode, 0, 3);
CLPD_CHECK(ContIf, strContentsId, 3, 65);
CLPD_CHECK(ContIf, strProductName, 68, 129);
CLPD_CHECK(ContIf, strMakerName, 197, 31);
CLPD_CHECK(ContIf, strPlatform, 228, 21);
CLPD_CHECK(ContIf, strGenreName, 249, 31);
CLPD_CHECK(ContIf, strSaleDay, 280, 11);
CLPD_CHECK(ContIf, strSortKey, 291, 11);
CLPD_CHECK(ContIf, strDlPath, 302, 129);
CLPD_CHECK(ContIf, strDlPathManual, 431, 129);
CLPD_CHECK(ContIf, strDlPathVelqa, 560, 129);
CLPD_CHECK(ContIf, strVersion, 689, 20);
CLPD_CHECK(ContIf, strVersionManual, 709, 20);
CLPD_CHECK(ContIf, strVersionVelqa, 729, 20);
CLPD_CHECK(ContIf, strServerVersion, 749, 20);
CLPD_CHECK(ContIf, strServerVersionManual, 769, 20);
CLPD_CHECK(ContIf, strServerVersionVelqa, 789, 20);
CLPD_CHECK(ContIf, strVelqaFlag, 809, 9);
CLPD_CHECK(ContIf, strVelqaBought, 818, 9);
CLPD_CHECK(ContIf, strSortValue, 827, 11);
CLPD_CHECK(ContIf, strStartDate, 838, 9);
CLPD_CHECK(ContIf, strEndDate, 847, 9);
CLPD_CHECK(ContIf, strColumn21, 856, 9);
CLPD_CHECK(ContIf, strColumn22, 865, 9);
CLPD_CHECK(ContIf, strExePath, 874, 1280);
CLPD_CHECK(ContIf, strSaveFilePath, 2154, 1280);
CLPD_CHECK(ContIf, strReadmePath, 3434, 1280);
CLPD_CHECK(ContIf, strKiyakuPath, 4714, 1280);
CLPD_CHECK(ContIf, strManualPath, 5994, 1280);
CLPD_CHECK(ContIf, strVelqaPath, 7274, 1280);
CLPD_CHECK(ContIf, strMsxRomPath, 8554, 1280);
CLPD_CHECK(ContIf, strExtra, 9834, 66);
CLPD_CHECK(ContIf, type, 9900, 4);
CLPD_CHECK(ContIf, typeManual, 9904, 4);
CLPD_CHECK(ContIf, typeVelqa, 9908, 4);
CLPD_CHECK(ContIf, strExeSentence, 9912, 640);
CLPD_CHECK(ContIf, strReadmeSentence, 10552, 640);
CLPD_CHECK(ContIf, strKiyakuSentence, 11192, 640);
CLPD_CHECK(ContIf, strManualSentence, 11832, 640);
CLPD_CHECK(ContIf, strVelqaSentence, 12472, 640);
CLPD_CHECK(ContIf, nSlotValue, 13112, 40);
CLPD_CHECK(ContIf, strBought, 13152, 2);
CLPD_CHECK(ContIf, strGameCapturePath, 13154, 128);
CLPD_CHECK(ContIf, strExplan, 13282, 128);
CLPD_CHECK(ContIf, padding, 13410, 2);
CLPD_CHECK(ContIf, bFavorite, 13412, 4);
CLPD_CHECK(ContIf, reserved, 13416, 176);
static_assert(sizeof(ContIf) == 13592, "ContIf is 13592 bytes");
CLPD_CHECK(CfhIf, strMagic, 0, 4);
CLPD_CHECK(CfhIf, strUserId, 4, 129);
CLPD_CHECK(CfhIf, strPassword, 133, 129);
CLPD_CHECK(CfhIf, reserved1, 262, 120);
CLPD_CHECK(CfhIf, strLastUpdate, 382, 20);
CLPD_CHECK(CfhIf, reserved2, 402, 130);
CLPD_CHECK(CfhIf, lCount, 532, 4);
static_assert(sizeof(CfhIf) == 536, "CfhIf is 536 bytes");
#undef CLPD_CHECK

// --- catalogue globals (one set per program) --------------------------------
extern ContIf* g_pContIf;        // the catalogue; null when empty
extern int     g_nContCnt;
extern ContIf* g_pContTmpIf;     // the previous list: the stored records a merge starts from
extern int     g_nContTmpCnt;
extern char    g_strLastUpdate[9];

// The member's folder, ending with "\" (the content path and the MD5 of the
// user id): REG.DAT and the installed contents live there. Set at start-up
// by whoever knows the account; shorter than 2048 bytes. 1, or 0 (refused).
int         CONTENTSLIST_SetUserPath(const char* pPath);
const char* CONTENTSLIST_GetUserPath(void);

// --- the reply ---------------------------------------------------------------
// EUC-JP to Shift-JIS in place over the first nLen bytes of a NUL-terminated
// text (stops early at the NUL). Half-width katakana (8E xx) become one byte,
// JIS X 0212 characters (8F xx yy) the replacement "〓", and a byte that
// starts no valid character "?"; a byte below 0xA1 is never taken as a second
// byte, so a comma after a broken character stays a comma. The text can only
// shrink: what follows the converted part moves up and stays terminated.
// Returns the converted part's new length in bytes.
int  EUCtoSJIS(char* pText, int nLen);
// One JIS X 0208 pair (both bytes 0xA1-0xFE) to its two Shift-JIS bytes:
// lead in the high byte of the result, trail in the low byte.
int  EUCtoSJIS_Pair(unsigned char lead, unsigned char trail);
// One character at p (NUL-terminated): writes its Shift-JIS form to pOut
// (1 or 2 bytes, *pnOut) and returns the bytes taken from p, or 0 at the end
// (a NUL, or a character cut off by the NUL).
int  EUCtoSJIS_Char(const unsigned char* p, unsigned char pOut[2], int* pnOut);

int  CONTENTSLIST_GetContentsCnt(const char* pText, int nLen);
int  GetContentsCnt(const char* pText, int nLen);
int  AnalyContents(ContIf* pContIf, int nCnt, const char* pText);
int  CONTENTSLIST_Init(const char* pText);
// Merges the reply into the records stored in REG.DAT (loaded into the
// previous list); without a readable store the catalogue is built from the
// reply alone. The catalogue must have been freed first.
int  CONTENTSLIST_Merge(const char* pText, int nCnt);
// The merge itself, on the previous list as it is held (no file access).
int  CONTENTSLIST_MergeLoaded(const char* pText);
int  CONTENTSLIST_CheckInstalled(ContIf* pContIf);
void CONTENTSLIST_Free(void);
int  CONTENTSLIST_IsLoaded(void);
int  CONTENTSLIST_GetCount(void);

// How the member's folder holds a part's folder (platform file).
enum { CLPD_FOLDER_NONE = 0, CLPD_FOLDER_DIR = 1, CLPD_FOLDER_FILE = 2 };
int  CONTENTSLIST_ProbeFolder(const char* pPath);

// --- accessors ---------------------------------------------------------------
// Text getters return a pointer into the record, valid until the catalogue
// changes; a bad index is reported and gives an empty text.
const char* CONTENTSLIST_GetProductName(int* pType, int nId);
const char* CONTENTSLIST_GetContentsId(int nId);
const char* CONTENTSLIST_GetContentsId2(int nId);
const char* CONTENTSLIST_GetMakerName(int nId);
const char* CONTENTSLIST_GetPlatform(int nId);
const char* CONTENTSLIST_GetGenreName(int nId);
const char* CONTENTSLIST_GetSaleDay(int nId);
const char* CONTENTSLIST_GetSortKey(int nId);
const char* CONTENTSLIST_GetSortValue(int nId);
const char* CONTENTSLIST_GetExplan(int nId);
const char* CONTENTSLIST_GetGameCapturePath(int nId);
const char* CONTENTSLIST_GetVersion(int nId);
const char* CONTENTSLIST_GetStartDate(int nId);
const char* CONTENTSLIST_GetEndDate(int nId);
const char* CONTENTSLIST_GetColumn21(int nId);
const char* CONTENTSLIST_GetColumn22(int nId);
const char* CONTENTSLIST_GetVelqaFlag(int nId);
const char* CONTENTSLIST_GetVelqaBoughtFlag(int nId);
int         CONTENTSLIST_ClearVelqaBought(int nId);
const char* CONTENTSLIST_GetDlPath(int nId);
const char* CONTENTSLIST_GetDlPathManual(int nId);
const char* CONTENTSLIST_GetDlPathById(const char* pContentsId);         // not found: null
const char* CONTENTSLIST_GetDlPathManualById(const char* pContentsId);
const char* CONTENTSLIST_GetDlPathVelqaById(const char* pContentsId);
int         CONTENTSLIST_GetType(int nId);                                // bad index: -1
int         CONTENTSLIST_GetTypeManual(int nId);
int         CONTENTSLIST_GetTypeVelqa(int nId);
int         CONTENTSLIST_GetTypeById(const char* pContentsId);            // not found: eCLPD_TYPE_MAX
int         CONTENTSLIST_SetType(int nId, int nType);
int         CONTENTSLIST_SetTypeById(const char* pContentsId, int nType);
int         CONTENTSLIST_SetTypeManualById(const char* pContentsId, int nType);
int         CONTENTSLIST_SetTypeVelqaById(const char* pContentsId, int nType);
int         CONTENTSLIST_GetIndexByKey(const char* pKeyName);             // not found: -1
int         CONTENTSLIST_CountDownloadable(void);
int         CONTENTSLIST_SetPath(int nId, int nKind, int nSlotId, const char* pPath);
const char* CONTENTSLIST_GetPath(int nId, int nKind, int nSlotId);        // no slots: null
int         CONTENTSLIST_SetSentence(int nId, int nKind, int nSlotId, const char* pSentence);
const char* CONTENTSLIST_GetSentence(int nId, int nKind, int nSlotId);    // no slots: null
int         CONTENTSLIST_GetSlotCnt(int nContentsId, int nKind);          // other kinds: -1
int         CONTENTSLIST_SetSlotValue(int nId, int nSlotId, int nValue);
int         CONTENTSLIST_GetSlotValue(int nId, int nSlotId);
int         CONTENTSLIST_HasExtra(int nId);
int         CONTENTSLIST_CommitVersion(int nId);
int         CONTENTSLIST_CommitVersionManual(int nId);
int         CONTENTSLIST_CommitVersionVelqa(int nId);
int         CONTENTSLIST_ClearExePaths(int nId);
int         CONTENTSLIST_ClearInstall(int nId);
int         CONTENTSLIST_Remove(int nId);
int         CONTENTSLIST_SetFavorite(int nId, int bFavorite);
int         CONTENTSLIST_GetFavorite(int nId);
int         CONTENTSLIST_SetLastUpdate(const char* pStr);                 // exactly 8 characters
const char* CONTENTSLIST_GetLastUpdate(void);

// --- the store REG.DAT ----------------------------------------------------------
// Plain form: CfhIf, then lCount records; stored through CMNUTIL_Encode with
// CMNUTIL_KEY, one byte longer.
enum { CLPD_STORE_TARGET_CATALOGUE = 0, CLPD_STORE_TARGET_PREVIOUS = 1 };

// Checks and unscrambles a store image: refuses (0) anything that is not
// exactly 536 + 13592 x lCount plain bytes with lCount >= 0. On success the
// header is copied out and *ppRecs is a new calloc'd array of *pnCnt records
// (null for none), each text field terminated within its width.
int  CONTENTSLIST_DecodeStore(const void* pFile, int nFileSize, CfhIf* pHdr, ContIf** ppRecs, int* pnCnt);
// Lays out and scrambles a store image into a new malloc'd block.
int  CONTENTSLIST_EncodeStore(const CfhIf* pHdr, const ContIf* pRecs, int nCnt, void** ppFile, int* pnSize);

// Writes the catalogue to the member's REG.DAT through a temporary file that
// replaces it whole. 1, or 0 when nothing was written (the store on disk is
// then as it was).
int  CONTENTSLIST_Save2(void);
int  CONTENTSLIST_Load(CfhIf* pHdr, int nTarget);
int  CONTENTSLIST_Load2(CfhIf* pHdr, const char* pPath, int nTarget);
int  CONTENTSLIST_IsExistFile(void);
