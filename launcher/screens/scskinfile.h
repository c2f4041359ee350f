// The skin file: the bitmaps of the launcher's skinned main screen in one
// little-endian file, stored plain. This header holds the image types and
// the platform-free reading of the file's directory; making bitmaps of the
// entries is the skin module's (scskin.h, Windows).
//
//   LIST dir; LIST_Init(&dir);
//   if (SCSKINFILE_Parse(&dir, pFile, nSize)) {          // 0: file refused
//       const SkinDirIf* e = (const SkinDirIf*)LIST_GetAt(&dir, 0);
//       // slot s: e->lSize[s] bytes at pFile + e->lOffset[s] (size 0: absent)
//   }
//   LIST_Free(&dir);
//
// Layout: a 12-byte header (a word nobody reads, the data offset, the entry
// count), the directory of 56-byte entries (nine int32 sizes, the image type,
// x, y, w, h), then the bitmaps (whole 8-bit BMP files) one after another
// from the data offset, in directory order and, within an entry, in the
// order of its sizes. A size of 0 or less is an absent bitmap and takes no
// bytes. The animated types use all nine sizes, which fill the slots 0, 5,
// 6, 7, 8, 9, 10, 11 and 4 (the mask); every other type uses sizes 0 to 4
// for slots 0 to 4, and its sizes 5 to 8 are neither read nor skipped.
//
// The file is checked before anything is taken from it: the directory and
// every bitmap the entries use must lie inside the file, a used size must
// not be negative and there must be at least one entry. Anything else
// refuses the whole file.
#pragma once

#include <cstdint>

#include "list.h"

enum eCD_IMGTYPE {
    eCD_IMGTYPE_BG = 0,
    eCD_IMGTYPE_BTN_UPDATE = 1,
    eCD_IMGTYPE_BTN_CLOSE = 3,
    eCD_IMGTYPE_BTN_SKIN4 = 4,
    eCD_IMGTYPE_LST_CONTENTS = 8,
    eCD_IMGTYPE_CMB_LISTMODE = 10,
    eCD_IMGTYPE_BTN_SKIN11 = 11,
    eCD_IMGTYPE_BTN_SKIN16 = 16,
    eCD_IMGTYPE_BTN_SKIN31 = 31,
    eCD_IMGTYPE_BTN_SKIN32 = 32,
    eCD_IMGTYPE_ROW_BG = 33,             // collapsed row background
    eCD_IMGTYPE_ROW_BG_EXPANDED = 34,
    eCD_IMGTYPE_ROW_PROP = 35,           // property badge
    eCD_IMGTYPE_ROW_WEBSALEPAGE = 37,
    eCD_IMGTYPE_ROW_MANUAL = 39,
    eCD_IMGTYPE_ROW_OPERATION = 40,
    eCD_IMGTYPE_ROW_SOUND = 41,
    eCD_IMGTYPE_ROW_PLAY = 42,
    eCD_IMGTYPE_STATE1 = 43,
    eCD_IMGTYPE_STATE2 = 44,
    eCD_IMGTYPE_STATE3 = 45,
    eCD_IMGTYPE_BTN_TOPPAGE = 46,
    eCD_IMGTYPE_BTN_SETTING = 47,
    eCD_IMGTYPE_BTN_SKIN48 = 48,
    eCD_IMGTYPE_WEB_NEWPRODUCT = 49,
    eCD_IMGTYPE_WEB_BANNER = 50,
    eCD_IMGTYPE_ROW_FAVORITE_ON = 51,
    eCD_IMGTYPE_PNL_SORT = 52,
    eCD_IMGTYPE_SORT_UP = 53,
    eCD_IMGTYPE_SORT_DOWN = 54,
    eCD_IMGTYPE_BTN_MINIMIZE = 55,
    eCD_IMGTYPE_ROW_PLAY_DL = 57,        // animated: download needed
    eCD_IMGTYPE_ROW_MANUAL_DL = 58,
    eCD_IMGTYPE_ROW_SOUND_DL = 59,
    eCD_IMGTYPE_ROW_PLAY_DL_HOVER = 60,
    eCD_IMGTYPE_ROW_MANUAL_DL_HOVER = 61,
    eCD_IMGTYPE_ROW_SOUND_DL_HOVER = 62,
    eCD_IMGTYPE_ROW_INSTALLED = 63,      // state icons
    eCD_IMGTYPE_ROW_NEEDDL = 64,
    eCD_IMGTYPE_ROW_VELQA_ON = 65,       // music icons
    eCD_IMGTYPE_ROW_VELQA_OFF = 66,
    eCD_IMGTYPE_BTN_TOPPAGE2 = 67,
    eCD_IMGTYPE_ROW_FAVORITE_OFF = 68,
    eCD_IMGTYPE_ROW_PLAY_ANIM = 69,      // animated: usable
    eCD_IMGTYPE_ROW_MANUAL_ANIM = 70,
    eCD_IMGTYPE_ROW_SOUND_ANIM = 71,
    eCD_IMGTYPE_DOWNLOADDLG = 75,
    eCD_IMGTYPE_MAX = 76,                // no image
};

enum {
    SCSKIN_HEADER_SIZE = 12,
    SCSKIN_ENTRY_SIZE = 56,
    SCSKIN_SIZES = 9,     // sizes in a directory entry
    SCSKIN_SLOTS = 12,    // bitmap slots of an image
    SCSKIN_SLOT_MASK = 4,
};

// One directory entry as the file gives it, with each slot's bitmap located.
struct SkinDirIf {
    int32_t imgType;
    int32_t x, y, w, h;
    int32_t lOffset[SCSKIN_SLOTS];   // from the start of the file
    int32_t lSize[SCSKIN_SLOTS];     // 0: no bitmap in the slot
};

// 1 for the types whose nine sizes are all used (frames and a mask).
int SCSKINFILE_IsAnimated(int imgType);
// The slot that size number i (0 to 8) of an entry of the type fills; -1
// when the type does not use that size.
int SCSKINFILE_SlotOfSize(int imgType, int i);
// Reads the header and directory of a skin file of nSize bytes into pDir
// (an initialised, empty list of SkinDirIf that the caller frees). 1 when the
// file is sound; 0 with the reason in the log and pDir left empty otherwise.
int SCSKINFILE_Parse(LIST* pDir, const void* pFile, int nSize);
