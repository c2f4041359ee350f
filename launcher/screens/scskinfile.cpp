#include "scskinfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "log.h"

namespace {

// The slots that the nine sizes of an animated entry fill: frame 0, frames
// 1 to 7, then the mask.
const int kAnimatedSlots[SCSKIN_SIZES] = { 0, 5, 6, 7, 8, 9, 10, 11, SCSKIN_SLOT_MASK };

int32_t ReadInt32(const unsigned char* p)
{
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
                 static_cast<uint32_t>(p[3]) << 24;
    int32_t r;
    std::memcpy(&r, &v, sizeof(r));
    return r;
}

int Refuse(LIST* pDir, const char* pWhy, long long v)
{
    char str[256];
    std::snprintf(str, sizeof(str), "LoadSkin::err::%s[%lld]\n", pWhy, v);
    LOG_Write(str);
    LIST_Free(pDir);
    return 0;
}

}  // namespace

int SCSKINFILE_IsAnimated(int imgType)
{
    switch (imgType) {
    case 45: case 56: case 57: case 58: case 59: case 69: case 70: case 71:
        return 1;
    default:
        return 0;
    }
}

int SCSKINFILE_SlotOfSize(int imgType, int i)
{
    if (i < 0 || i >= SCSKIN_SIZES) return -1;
    if (SCSKINFILE_IsAnimated(imgType)) return kAnimatedSlots[i];
    return i < 5 ? i : -1;
}

int SCSKINFILE_Parse(LIST* pDir, const void* pFile, int nSize)
{
    if (pDir == nullptr) return 0;
    if (pFile == nullptr || nSize < SCSKIN_HEADER_SIZE) return Refuse(pDir, "no header", nSize);
    const unsigned char* p = static_cast<const unsigned char*>(pFile);
    int32_t lDataOffset = ReadInt32(p + 4);
    int32_t lImageCnt = ReadInt32(p + 8);
    CMN_ASSERT(lImageCnt > 0);
    if (lImageCnt <= 0) return Refuse(pDir, "image count", lImageCnt);
    // 64-bit sums: no count, offset or size of the file can wrap them.
    long long llDirEnd = SCSKIN_HEADER_SIZE + static_cast<long long>(lImageCnt) * SCSKIN_ENTRY_SIZE;
    if (llDirEnd > nSize) return Refuse(pDir, "directory past the end", lImageCnt);
    if (lDataOffset < 0 || lDataOffset > nSize) return Refuse(pDir, "data offset", lDataOffset);

    long long llData = lDataOffset;
    for (int32_t i = 0; i < lImageCnt; i++) {
        const unsigned char* e = p + SCSKIN_HEADER_SIZE + static_cast<long long>(i) * SCSKIN_ENTRY_SIZE;
        SkinDirIf* pEntry = static_cast<SkinDirIf*>(std::calloc(1, sizeof(SkinDirIf)));
        if (pEntry == nullptr || !LIST_Add(pDir, pEntry)) {
            std::free(pEntry);
            return Refuse(pDir, "out of memory", i);
        }
        pEntry->imgType = ReadInt32(e + 36);
        pEntry->x = ReadInt32(e + 40);
        pEntry->y = ReadInt32(e + 44);
        pEntry->w = ReadInt32(e + 48);
        pEntry->h = ReadInt32(e + 52);
        CMN_ASSERT(pEntry->imgType < eCD_IMGTYPE_MAX);
        for (int s = 0; s < SCSKIN_SIZES; s++) {
            int nSlot = SCSKINFILE_SlotOfSize(pEntry->imgType, s);
            if (nSlot < 0) continue;
            int32_t lSize = ReadInt32(e + 4 * s);
            if (lSize < 0) return Refuse(pDir, "negative size", lSize);
            if (lSize == 0) continue;
            if (llData + lSize > nSize) return Refuse(pDir, "bitmap past the end", i);
            pEntry->lOffset[nSlot] = static_cast<int32_t>(llData);
            pEntry->lSize[nSlot] = lSize;
            llData += lSize;
        }
    }
    return 1;
}
