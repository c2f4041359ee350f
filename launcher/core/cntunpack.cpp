#include "cntunpack.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cmnassert.h"
#include "cntpack.h"
#include "cntunpack_host.h"
#include "contentslist.h"
#include "log.h"
#include "sjis.h"
#include "slide.h"

namespace {

enum {
    CNU_PATH_CONTENTS = 2048,   // folder + name of a content pack's file, terminator included
    CNU_PATH_VERSION = 260,     // the same for the client-version pack
    CNU_TOKEN_CONTENTS = 2047,  // longest name or caption token
    CNU_TOKEN_VERSION = 259,
    CNU_COPY_CHUNK = 65536,
};

// Closes a stdio file on every way out.
struct StdFile {
    FILE* f;
    explicit StdFile(FILE* f_) : f(f_) {}
    ~StdFile() { if (f != nullptr) std::fclose(f); }
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;
};

int32_t GetInt32(const uint8_t* p)
{
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

// A name stays inside the target folder when it is relative (no leading
// separator, no drive or stream ":") and no component climbs out: Windows
// drops trailing dots and spaces, so any component made only of dots and
// spaces with two dots or more ("..", "...", ". .") is taken as "..".
// Components are cut at character boundaries: the trail byte of a
// double-byte character may be 0x5C.
bool cnu_IsInside(const std::string& name)
{
    if (name.empty() || IsSep(name[0])) return false;
    int nDots = 0;
    bool bOnlyDots = true;
    for (const char* p = name.c_str();; ) {
        char c = *p;
        if (c == '\0' || IsSep(c)) {
            if (bOnlyDots && nDots >= 2) return false;
            if (c == '\0') return true;
            nDots = 0;
            bOnlyDots = true;
            p++;
            continue;
        }
        if (c == ':') return false;
        if (c == '.') nDots++;
        else if (c != ' ') bOnlyDots = false;
        p = SJIS_Next(p);
    }
}

// The name with the extension of its last component replaced by pExt; a
// last component without "." gets pExt appended.
std::string cnu_WithExt(const std::string& name, const char* pExt)
{
    size_t nDot = std::string::npos;
    for (const char* p = name.c_str(); *p != '\0'; p = SJIS_Next(p)) {
        if (IsSep(*p)) nDot = std::string::npos;
        else if (*p == '.') nDot = static_cast<size_t>(p - name.c_str());
    }
    return (nDot == std::string::npos ? name : name.substr(0, nDot)) + pExt;
}

// Writes nSize bytes of the pack, from its current position, to a new file.
// 1 when the whole file was written; otherwise no file is left behind (a
// cut copy must not pass for the file). The pack's position is not kept.
int cnu_CopyOut(FILE* in, int32_t nSize, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return 0;
    std::vector<char> buf(nSize < CNU_COPY_CHUNK ? nSize : CNU_COPY_CHUNK);
    int32_t nLeft = nSize;
    bool bOk = true;
    while (bOk && nLeft > 0) {
        size_t n = static_cast<size_t>(nLeft) < buf.size() ? static_cast<size_t>(nLeft) : buf.size();
        bOk = std::fread(buf.data(), 1, n, in) == n && std::fwrite(buf.data(), 1, n, out) == n;
        nLeft -= static_cast<int32_t>(n);
    }
    if (std::fclose(out) != 0) bOk = false;
    if (!bOk) std::remove(path.c_str());
    return bOk ? 1 : 0;
}

int cnu_WriteBuffer(const uint8_t* pData, int32_t nSize, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return 0;
    bool bOk = std::fwrite(pData, 1, static_cast<size_t>(nSize), out) == static_cast<size_t>(nSize);
    if (std::fclose(out) != 0) bOk = false;
    if (!bOk) std::remove(path.c_str());
    return bOk ? 1 : 0;
}

// The game executable: its LZSS stream goes to the work file "tmp", is
// decoded into "tmp2" and encoded again into the ".sbn" file, so that the
// stored file is the encoder's own output. 1 when the ".sbn" file was
// written whole; a damaged stream or a failed write leaves no ".sbn" of
// this pack and no work files.
int cnu_StoreSbn(FILE* in, int32_t nSize, const std::string& folder, const std::string& target)
{
    std::string tmp = folder + "tmp";
    std::string tmp2 = folder + "tmp2";
    if (!cnu_CopyOut(in, nSize, tmp)) return 0;
    int bOk = 0;
    if (SLIDE_OpenInFile(tmp.c_str()) && SLIDE_OpenOutFile(tmp2.c_str())) bOk = SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    if (!SLIDE_CloseOutFile()) bOk = 0;
    if (!bOk) LOG_Write("THREADM_UnpackContents::err::damaged executable stream\n");
    if (bOk) {
        bOk = 0;
        if (SLIDE_OpenInFile(tmp2.c_str()) && SLIDE_OpenOutFile(target.c_str())) bOk = SLIDE_EncodeFile();
        SLIDE_CloseInFile();
        if (!SLIDE_CloseOutFile()) bOk = 0;
        if (!bOk) std::remove(target.c_str());
    }
    std::remove(tmp.c_str());
    std::remove(tmp2.c_str());
    return bOk;
}

// A caption cut to its field without halving a double-byte character.
std::string cnu_FitCaption(const std::string& s)
{
    const int nMax = CLPD_SENTENCE_LEN - 1;
    int i = 0;
    const int n = static_cast<int>(s.size());
    while (i < n) {
        int w = SJIS_IsLead(static_cast<unsigned char>(s[i])) && i + 1 < n ? 2 : 1;
        if (i + w > nMax) break;
        i += w;
    }
    return s.substr(0, i);
}

// Records a path (and a caption) in a slot of the content; nothing when the
// content is unknown, the slot is past the last or the path does not fit.
bool cnu_Record(int nIdx, int nKind, int nSlot, const std::string& path, const std::string* pCaption)
{
    if (nIdx < 0) return false;
    if (nSlot >= CLPD_SLOT_MAX || path.size() >= CLPD_PATH_LEN) {
        LOG_Write("THREADM_UnpackContents::err::no room to record the file\n");
        return false;
    }
    if (!CONTENTSLIST_SetPath(nIdx, nKind, nSlot, path.c_str())) return false;
    // An empty caption clears the slot's old one: the slot now holds another file.
    if (pCaption != nullptr) CONTENTSLIST_SetSentence(nIdx, nKind, nSlot, cnu_FitCaption(*pCaption).c_str());
    return true;
}

struct EntryPos {
    int     cCmpType;
    int     cFileType;
    int32_t lDataSize;
    long    nDataOffset;
};

}  // namespace

int THREADM_UnpackContents(const char* pKeyName, const char* pFolder, const char* pTempPath, int bOldPack,
                           int bPack02)
{
    CMN_ASSERT(pKeyName != NULL && pFolder != NULL && pTempPath != NULL);
    if (pKeyName == nullptr || pFolder == nullptr || pTempPath == nullptr) return 0;
    StdFile in(std::fopen(pTempPath, "rb"));
    if (in.f == nullptr) return 0;

    // Everything about the pack is checked before the first file is written:
    // a pack cut short or with sizes that point past its end is refused whole.
    uint8_t fixed[CPD_LEN_FIXEDHEADER];
    if (std::fread(fixed, 1, 4, in.f) != 4 || std::memcmp(fixed, CPD_STR_PACKHEADER_ID, 4) != 0) return 0;
    if (std::fread(fixed + 4, 1, CPD_LEN_FIXEDHEADER - 4, in.f) != CPD_LEN_FIXEDHEADER - 4 ||
        std::fseek(in.f, 0, SEEK_END) != 0) {
        LOG_Write("THREADM_UnpackContents::err::pack header cut short\n");
        return 0;
    }
    const long nFileSize = std::ftell(in.f);
    const int32_t nTotal = GetInt32(fixed + 8);
    const int32_t nHeaderSize = GetInt32(fixed + 12);
    if (nFileSize < 0 || nTotal < CPD_LEN_FIXEDHEADER || nTotal > nFileSize || nHeaderSize < CPD_LEN_FIXEDHEADER ||
        nHeaderSize > nTotal) {
        LOG_Write("THREADM_UnpackContents::err::pack sizes do not fit the file\n");
        return 0;
    }
    std::vector<uint8_t> head(static_cast<size_t>(nHeaderSize));
    CpdHeader hdr;
    std::vector<CpdName> names;
    if (std::fseek(in.f, 0, SEEK_SET) != 0 || std::fread(head.data(), 1, head.size(), in.f) != head.size() ||
        !CPD_ReadHeader(head.data(), head.size(), &hdr) ||
        !CPD_ReadNames(head.data(), hdr, 2, CNU_TOKEN_CONTENTS, names)) {
        LOG_Write("THREADM_UnpackContents::err::pack names do not fit the header\n");
        return 0;
    }
    std::vector<EntryPos> entries;
    entries.reserve(names.size());
    int64_t nOff = nHeaderSize;
    for (size_t i = 0; i < names.size(); i++) {
        uint8_t eh[CPD_LEN_ENTRYHEADER];
        if (nTotal - nOff < CPD_LEN_ENTRYHEADER || std::fseek(in.f, static_cast<long>(nOff), SEEK_SET) != 0 ||
            std::fread(eh, 1, sizeof(eh), in.f) != sizeof(eh)) {
            LOG_Write("THREADM_UnpackContents::err::pack entries cut short\n");
            return 0;
        }
        EntryPos e;
        e.cCmpType = static_cast<int8_t>(eh[0]);
        e.cFileType = static_cast<int8_t>(eh[1]);
        e.lDataSize = GetInt32(eh + 2);
        e.nDataOffset = static_cast<long>(nOff + CPD_LEN_ENTRYHEADER);
        if (e.lDataSize <= 0 || e.lDataSize > nTotal - e.nDataOffset) {
            LOG_Write("THREADM_UnpackContents::err::pack entry size does not fit\n");
            return 0;
        }
        entries.push_back(e);
        nOff = e.nDataOffset + static_cast<int64_t>(e.lDataSize);
    }

    // The output paths; an entry whose name would leave the folder or not
    // fit the path buffer is passed over.
    const std::string folder = pFolder;
    std::vector<bool> usable(names.size());
    for (size_t i = 0; i < names.size(); i++) {
        const std::string& name = names[i].strName;
        usable[i] = cnu_IsInside(name) && folder.size() + name.size() + 4 < CNU_PATH_CONTENTS;
        if (!usable[i]) {
            std::string msg = "THREADM_UnpackContents::err::name refused[" + name + "]\n";
            LOG_Write(msg.c_str());
            continue;
        }
        CNTUNPACK_MakeFolders(folder + name, false);
    }

    const int nIdx = CONTENTSLIST_GetIndexByKey(pKeyName);
    int nReadme = 0, nKiyaku = 0, nManual = 0, nSound = 0, nExe = 0, nRom = 0;
    char strMsg[64];
    for (size_t i = 0; i < names.size(); i++) {
        std::snprintf(strMsg, sizeof(strMsg), "[%d]\n", static_cast<int>(i));
        CNTUNPACK_DebugOut(strMsg);
        const EntryPos& e = entries[i];
        if (!usable[i]) continue;
        if (std::fseek(in.f, e.nDataOffset, SEEK_SET) != 0) continue;
        const std::string& name = names[i].strName;
        const std::string* pCaption = &names[i].strCaption;
        if (e.cFileType < 0 || e.cFileType >= eCPD_FTYPE_MAX) {
            CMN_ASSERT(e.cFileType >= 0 && e.cFileType < eCPD_FTYPE_MAX);
            continue;
        }
        if (e.cCmpType == eCPD_FCT_NONE) {
            CMN_ASSERT(e.cFileType != eCPD_FTYPE_MAINEXE);
            if (!cnu_CopyOut(in.f, e.lDataSize, folder + name)) continue;
            switch (e.cFileType) {
            case eCPD_FTYPE_README:
                if (cnu_Record(nIdx, eCLPD_PATHTYPE_README, nReadme, name, pCaption)) nReadme++;
                break;
            case eCPD_FTYPE_KIYAKU:
                if (cnu_Record(nIdx, eCLPD_PATHTYPE_KIYAKU, nKiyaku, name, pCaption)) nKiyaku++;
                break;
            case eCPD_FTYPE_MANUAL:
                if (cnu_Record(nIdx, eCLPD_PATHTYPE_MANUAL, nManual, name, pCaption)) nManual++;
                break;
            case eCPD_FTYPE_MSXROM:
                cnu_Record(nIdx, eCLPD_PATHTYPE_MSXROM, nRom, folder + name, nullptr);
                break;
            default:
                break;
            }
        } else if (e.cCmpType == eCPD_FCT_SLIDE) {
            std::snprintf(strMsg, sizeof(strMsg), "filetype is [%d]\n", e.cFileType);
            LOG_Write(strMsg);
            if (e.cFileType == eCPD_FTYPE_SMD) {
                if (!cnu_CopyOut(in.f, e.lDataSize, folder + cnu_WithExt(name, ".smd"))) continue;
                if (cnu_Record(nIdx, eCLPD_PATHTYPE_KZDSOUND, nSound, name, pCaption)) nSound++;
            } else if (e.cFileType == eCPD_FTYPE_SBN) {
                if (!cnu_StoreSbn(in.f, e.lDataSize, folder, folder + cnu_WithExt(name, ".sbn"))) continue;
                if (cnu_Record(nIdx, eCLPD_PATHTYPE_MAINEXE, nExe, name, pCaption)) {
                    CONTENTSLIST_SetSlotValue(nIdx, nExe, bPack02 ? 2 : (bOldPack ? 1 : 0));
                    nExe++;
                    nRom = nExe;
                }
            } else {
                cnu_CopyOut(in.f, e.lDataSize, folder + "tmp");
            }
        } else {
            CMN_ASSERT(e.cCmpType == eCPD_FCT_NONE || e.cCmpType == eCPD_FCT_SLIDE);
        }
    }
    return 1;
}

int THREADM_UnpackVersionPack(const void* pBuf, int nHdrVersion, const char* pFolder, int nBufSize, int nHeaderSize)
{
    return THREADM_UnpackVersionPackEx(pBuf, nHdrVersion, pFolder, nBufSize, nHeaderSize, nullptr, nullptr);
}

int THREADM_UnpackVersionPackEx(const void* pBuf, int nHdrVersion, const char* pFolder, int nBufSize,
                                int nHeaderSize, const CntUnpackHooks* pHooks, int* pnFailed)
{
    if (pnFailed != nullptr) *pnFailed = 0;
    CMN_ASSERT(pBuf != NULL && pFolder != NULL && nBufSize > 0);
    if (pBuf == nullptr || pFolder == nullptr || nBufSize < CPD_LEN_MAGIC) return 0;
    if (std::memcmp(pBuf, CPD_STR_PACKHEADER_ID5, CPD_LEN_MAGIC) != 0) return 0;
    CMN_ASSERT(nHdrVersion == 2);
    if (nHdrVersion != 2) return 0;

    // The whole pack is checked before anything is written.
    const size_t nSize = static_cast<size_t>(nBufSize);
    CpdHeader hdr;
    std::vector<CpdName> names;
    if (!CPD_ReadHeader(pBuf, nSize, &hdr) || hdr.nHeaderSize != nHeaderSize || hdr.nTotalSize != nBufSize ||
        !CPD_ReadNames(pBuf, hdr, 1, CNU_TOKEN_VERSION, names)) {
        LOG_Write("THREADM_UnpackVersionPack::err::pack header does not fit\n");
        return 0;
    }
    std::vector<CpdEntry> entries(names.size());
    size_t nOff = static_cast<size_t>(hdr.nHeaderSize);
    for (size_t i = 0; i < names.size(); i++) {
        if (!CPD_ReadEntry(pBuf, nSize, &nOff, &entries[i])) {
            LOG_Write("THREADM_UnpackVersionPack::err::pack entries do not fit\n");
            return 0;
        }
    }

    const std::string folder = pFolder;
    std::vector<bool> usable(names.size());
    std::vector<bool> skipped(names.size());
    int nRefused = 0;
    for (size_t i = 0; i < names.size(); i++) {
        const std::string& name = names[i].strName;
        // An entry the reader leaves out is never written, so only its name's
        // safety counts, not whether its path would fit.
        bool bInside = cnu_IsInside(name);
        skipped[i] = bInside && pHooks != nullptr && pHooks->pfnSkip != nullptr &&
                     pHooks->pfnSkip(pHooks->pCtx, name.c_str());
        size_t nExtra = pHooks != nullptr && pHooks->nTempExtra > 0 ? static_cast<size_t>(pHooks->nTempExtra) : 0;
        usable[i] = bInside && !skipped[i] && folder.size() + name.size() + nExtra < CNU_PATH_VERSION;
        if (!usable[i] && !skipped[i]) {
            std::string msg = "THREADM_UnpackVersionPack::err::name refused[" + name + "]\n";
            LOG_Write(msg.c_str());
            nRefused++;
        }
    }
    // A strict reader takes a pack with one name outside the folder for a
    // hostile pack and writes none of it.
    if (nRefused > 0 && pHooks != nullptr && pHooks->bRefuseBadNames) {
        if (pnFailed != nullptr) *pnFailed = nRefused;
        return 0;
    }
    for (size_t i = 0; i < names.size(); i++) {
        if (!usable[i]) continue;
        CNTUNPACK_MakeFolders(folder + names[i].strName, true);
    }
    int nFailed = nRefused;
    for (size_t i = 0; i < names.size(); i++) {
        const CpdEntry& e = entries[i];
        if (!usable[i]) continue;
        CMN_ASSERT(e.cCmpType == eCPD_FCT_NONE);
        if (e.cCmpType != eCPD_FCT_NONE) continue;
        CMN_ASSERT(e.cFileType != eCPD_FTYPE_MAINEXE);
        std::string path = folder + names[i].strName;
        std::string msg = "create file[" + path + "]\n";
        LOG_Write(msg.c_str());
        int bOk = pHooks != nullptr && pHooks->pfnWrite != nullptr
                      ? pHooks->pfnWrite(pHooks->pCtx, path.c_str(), e.pData, e.lDataSize)
                      : cnu_WriteBuffer(e.pData, e.lDataSize, path);
        if (!bOk) {
            msg = "THREADM_UnpackVersionPack::err::cannot write[" + path + "]\n";
            LOG_Write(msg.c_str());
            nFailed++;
        }
    }
    if (pnFailed != nullptr) *pnFailed = nFailed;
    return 1;
}
