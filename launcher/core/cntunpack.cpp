#include "cntunpack.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cmnassert.h"
#include "cmnfile.h"
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

bool IsSep(char c) { return c == '\\' || c == '/'; }

// The packed form's name, as every program names it (CMNFILE_PackedName).
std::string cnu_WithExt(const std::string& name, const char* pExt)
{
    std::string out(name.size() + std::strlen(pExt) + 1, '\0');
    if (!CMNFILE_PackedName(&out[0], static_cast<int>(out.size()), name.c_str(), pExt)) return name + pExt;
    out.resize(std::strlen(out.c_str()));
    return out;
}

bool cnu_Stopped(const int* pbStop) { return pbStop != nullptr && __atomic_load_n(pbStop, __ATOMIC_RELAXED) != 0; }

// The folder part of a path, its last separator included ("" for none).
std::string cnu_FolderOf(const std::string& path)
{
    size_t nEnd = 0;
    for (const char* p = path.c_str(); *p != '\0'; p = SJIS_Next(p)) {
        if (IsSep(*p)) nEnd = static_cast<size_t>(p - path.c_str()) + 1;
    }
    return path.substr(0, nEnd);
}

// A name of our own beside the target, short (so it stays within the path
// limit whenever the target does) and numbered per entry, so that the
// entries of one pack never share one.
std::string cnu_SideName(const std::string& target, size_t nEntry, const char* pKind)
{
    char tail[32];
    std::snprintf(tail, sizeof(tail), "~tiv%u.%s", static_cast<unsigned>(nEntry), pKind);
    return cnu_FolderOf(target) + tail;
}

// Writes nSize bytes of the pack, from its current position, to a new file.
// 1 when the whole file was written; otherwise no file is left behind (a
// cut copy must not pass for the file). The pack's position is not kept.
// A stop asked for between two chunks ends the copy as a failure.
int cnu_CopyOut(FILE* in, int32_t nSize, const std::string& path, const int* pbStop)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return 0;
    std::vector<char> buf(nSize < CNU_COPY_CHUNK ? nSize : CNU_COPY_CHUNK);
    int32_t nLeft = nSize;
    bool bOk = true;
    while (bOk && nLeft > 0) {
        size_t n = static_cast<size_t>(nLeft) < buf.size() ? static_cast<size_t>(nLeft) : buf.size();
        bOk = !cnu_Stopped(pbStop) && std::fread(buf.data(), 1, n, in) == n && std::fwrite(buf.data(), 1, n, out) == n;
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
// decoded into "tmp2" and encoded again into pOut, so that the stored file
// is the encoder's own output. 1 when pOut was written whole; a damaged
// stream or a failed write leaves neither pOut nor the work files.
int cnu_StoreSbn(FILE* in, int32_t nSize, const std::string& folder, const std::string& out, const int* pbStop)
{
    std::string tmp = folder + "tmp";
    std::string tmp2 = folder + "tmp2";
    if (!cnu_CopyOut(in, nSize, tmp, pbStop)) return 0;
    int bOk = 0;
    if (SLIDE_OpenInFile(tmp.c_str()) && SLIDE_OpenOutFile(tmp2.c_str())) bOk = SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    if (!SLIDE_CloseOutFile()) bOk = 0;
    if (!bOk) LOG_Write("THREADM_UnpackContents::err::damaged executable stream\n");
    if (bOk && !cnu_Stopped(pbStop)) {
        bOk = 0;
        if (SLIDE_OpenInFile(tmp2.c_str()) && SLIDE_OpenOutFile(out.c_str())) bOk = SLIDE_EncodeFile();
        SLIDE_CloseInFile();
        if (!SLIDE_CloseOutFile()) bOk = 0;
    } else {
        bOk = 0;
    }
    if (!bOk) std::remove(out.c_str());
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

// What one file of the pack will note in the content's record once every
// file is in place: a path (and a caption) in a slot, and for an executable
// the slot value.
struct PendingRecord {
    int         nKind;
    int         nSlot;
    std::string strPath;
    bool        bCaption;
    std::string strCaption;
    int         nSlotValue;   // -1: none
};

// Plans a path (and a caption) in a slot of the content; false when the
// content is unknown, the slot is past the last or the path does not fit.
bool cnu_Plan(std::vector<PendingRecord>& plan, int nIdx, int nKind, int nSlot, const std::string& path,
              const std::string* pCaption, int nSlotValue = -1)
{
    if (nIdx < 0) return false;
    if (nSlot >= CLPD_SLOT_MAX || path.size() >= CLPD_PATH_LEN) {
        LOG_Write("THREADM_UnpackContents::err::no room to record the file\n");
        return false;
    }
    PendingRecord r;
    r.nKind = nKind;
    r.nSlot = nSlot;
    r.strPath = path;
    r.bCaption = pCaption != nullptr;
    // An empty caption clears the slot's old one: the slot now holds another file.
    if (pCaption != nullptr) r.strCaption = cnu_FitCaption(*pCaption);
    r.nSlotValue = nSlotValue;
    plan.push_back(r);
    return true;
}

struct EntryPos {
    int     cCmpType;
    int     cFileType;
    int32_t lDataSize;
    long    nDataOffset;
};

// One file of the pack on its way in: written whole under strTemp, then moved
// over strTarget; the installed file (if any) waits under strBackup until
// every file of the pack is in place.
struct Staged {
    std::string strTarget, strTemp, strBackup;
    bool bAside = false;   // the old file went to strBackup
    bool bIn = false;      // the new file is at strTarget
};

// Puts every staged file in place, or none: a move that fails (a target
// open in another program, a full disk) brings back the files already
// replaced, in the reverse order. The temporaries are gone either way.
bool cnu_Commit(std::vector<Staged>& staged)
{
    size_t nDone = 0;
    bool bOk = true;
    for (; nDone < staged.size(); nDone++) {
        Staged& s = staged[nDone];
        if (CNTUNPACK_Exists(s.strTarget)) {
            std::remove(s.strBackup.c_str());
            if (!CNTUNPACK_Replace(s.strTarget, s.strBackup)) { bOk = false; break; }
            s.bAside = true;
        }
        if (!CNTUNPACK_Replace(s.strTemp, s.strTarget)) { bOk = false; break; }
        s.bIn = true;
    }
    if (!bOk) {
        std::string msg = "THREADM_UnpackContents::err::cannot replace[" + staged[nDone].strTarget + "]\n";
        LOG_Write(msg.c_str());
        for (size_t k = nDone + 1; k-- > 0; ) {
            Staged& s = staged[k];
            if (s.bIn) std::remove(s.strTarget.c_str());
            if (s.bAside && !CNTUNPACK_Replace(s.strBackup, s.strTarget)) {
                msg = "THREADM_UnpackContents::err::cannot bring back[" + s.strTarget + "]\n";
                LOG_Write(msg.c_str());
            }
        }
    }
    for (Staged& s : staged) {
        std::remove(s.strTemp.c_str());
        if (bOk && s.bAside) std::remove(s.strBackup.c_str());
    }
    return bOk;
}

// One file of the client pack: written whole beside its target, then moved
// over it, so that a failure leaves the old file rather than a cut one.
int cnu_WriteReplace(const uint8_t* pData, int32_t nSize, const std::string& path, size_t nEntry)
{
    std::string temp = cnu_SideName(path, nEntry, "new");
    if (!cnu_WriteBuffer(pData, nSize, temp)) return 0;
    if (CNTUNPACK_Replace(temp, path)) return 1;
    std::remove(temp.c_str());
    return 0;
}

void cnu_Discard(const std::vector<Staged>& staged)
{
    for (const Staged& s : staged) std::remove(s.strTemp.c_str());
}

}  // namespace

int THREADM_UnpackContents(const char* pKeyName, const char* pFolder, const char* pTempPath, int bOldPack,
                           int bPack02, const int* pbStop)
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
    const int32_t nTotal = CPD_GetInt32(fixed + 8);
    const int32_t nHeaderSize = CPD_GetInt32(fixed + 12);
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
        e.lDataSize = CPD_GetInt32(eh + 2);
        e.nDataOffset = static_cast<long>(nOff + CPD_LEN_ENTRYHEADER);
        if (e.lDataSize <= 0 || e.lDataSize > nTotal - e.nDataOffset) {
            LOG_Write("THREADM_UnpackContents::err::pack entry size does not fit\n");
            return 0;
        }
        // A kind of file or of packing this reader does not know cannot be
        // put anywhere: the pack is not one it can install.
        if (e.cFileType < 0 || e.cFileType >= eCPD_FTYPE_MAX ||
            (e.cCmpType != eCPD_FCT_NONE && e.cCmpType != eCPD_FCT_SLIDE)) {
            LOG_Write("THREADM_UnpackContents::err::unknown kind of entry\n");
            return 0;
        }
        entries.push_back(e);
        nOff = e.nDataOffset + static_cast<int64_t>(e.lDataSize);
    }

    // Every name must stay inside the folder and fit the path buffer: a pack
    // with one that does not is not installed at all (a game with a file
    // missing is no game).
    const std::string folder = pFolder;
    for (size_t i = 0; i < names.size(); i++) {
        const std::string& name = names[i].strName;
        if (!CMNFILE_IsSafeRelPath(name.c_str()) || folder.size() + name.size() + 4 >= CNU_PATH_CONTENTS) {
            std::string msg = "THREADM_UnpackContents::err::name refused[" + name + "]\n";
            LOG_Write(msg.c_str());
            return 0;
        }
    }
    for (size_t i = 0; i < names.size(); i++) {
        if (!CNTUNPACK_MakeFolders(folder + names[i].strName, false)) {
            std::string msg = "THREADM_UnpackContents::err::cannot make the folder of[" + names[i].strName + "]\n";
            LOG_Write(msg.c_str());
            return 0;
        }
    }

    // Every file is written whole under a temporary name beside its target
    // before any installed file is touched; a failure or a stop on the way
    // leaves the installed files and the record as they were.
    const int nIdx = CONTENTSLIST_GetIndexByKey(pKeyName);
    int nReadme = 0, nKiyaku = 0, nManual = 0, nSound = 0, nExe = 0, nRom = 0;
    std::vector<Staged> staged;
    std::vector<PendingRecord> plan;
    char strMsg[64];
    for (size_t i = 0; i < names.size(); i++) {
        std::snprintf(strMsg, sizeof(strMsg), "[%d]\n", static_cast<int>(i));
        CNTUNPACK_DebugOut(strMsg);
        const EntryPos& e = entries[i];
        const std::string& name = names[i].strName;
        const std::string* pCaption = &names[i].strCaption;
        Staged s;
        if (e.cCmpType == eCPD_FCT_NONE) s.strTarget = folder + name;
        else if (e.cFileType == eCPD_FTYPE_SMD) s.strTarget = folder + cnu_WithExt(name, ".smd");
        else if (e.cFileType == eCPD_FTYPE_SBN) s.strTarget = folder + cnu_WithExt(name, ".sbn");
        else s.strTarget = folder + "tmp";
        s.strTemp = cnu_SideName(s.strTarget, i, "new");
        s.strBackup = cnu_SideName(s.strTarget, i, "old");
        if (e.cCmpType == eCPD_FCT_SLIDE) {
            std::snprintf(strMsg, sizeof(strMsg), "filetype is [%d]\n", e.cFileType);
            LOG_Write(strMsg);
        }
        int bOk = !cnu_Stopped(pbStop) && std::fseek(in.f, e.nDataOffset, SEEK_SET) == 0;
        if (bOk) {
            bOk = e.cCmpType == eCPD_FCT_SLIDE && e.cFileType == eCPD_FTYPE_SBN
                      ? cnu_StoreSbn(in.f, e.lDataSize, folder, s.strTemp, pbStop)
                      : cnu_CopyOut(in.f, e.lDataSize, s.strTemp, pbStop);
        }
        if (!bOk) {
            std::string msg = cnu_Stopped(pbStop) ? std::string("THREADM_UnpackContents::stopped\n")
                                                  : "THREADM_UnpackContents::err::cannot write[" + s.strTarget + "]\n";
            LOG_Write(msg.c_str());
            cnu_Discard(staged);
            return 0;
        }
        staged.push_back(s);
        if (e.cCmpType == eCPD_FCT_NONE) {
            CMN_ASSERT(e.cFileType != eCPD_FTYPE_MAINEXE);
            switch (e.cFileType) {
            case eCPD_FTYPE_README:
                if (cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_README, nReadme, name, pCaption)) nReadme++;
                break;
            case eCPD_FTYPE_KIYAKU:
                if (cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_KIYAKU, nKiyaku, name, pCaption)) nKiyaku++;
                break;
            case eCPD_FTYPE_MANUAL:
                if (cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_MANUAL, nManual, name, pCaption)) nManual++;
                break;
            case eCPD_FTYPE_MSXROM:
                cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_MSXROM, nRom, folder + name, nullptr);
                break;
            default:
                break;
            }
        } else if (e.cFileType == eCPD_FTYPE_SMD) {
            if (cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_KZDSOUND, nSound, name, pCaption)) nSound++;
        } else if (e.cFileType == eCPD_FTYPE_SBN) {
            if (cnu_Plan(plan, nIdx, eCLPD_PATHTYPE_MAINEXE, nExe, name, pCaption, bPack02 ? 2 : (bOldPack ? 1 : 0))) {
                nExe++;
                nRom = nExe;
            }
        }
    }
    // The last point where a stop is taken: from here on the files are moved
    // in (a few renames) and recorded.
    if (cnu_Stopped(pbStop)) {
        LOG_Write("THREADM_UnpackContents::stopped\n");
        cnu_Discard(staged);
        return 0;
    }
    if (!cnu_Commit(staged)) return 0;
    for (const PendingRecord& r : plan) {
        if (!CONTENTSLIST_SetPath(nIdx, r.nKind, r.nSlot, r.strPath.c_str())) continue;
        if (r.bCaption) CONTENTSLIST_SetSentence(nIdx, r.nKind, r.nSlot, r.strCaption.c_str());
        if (r.nSlotValue >= 0) CONTENTSLIST_SetSlotValue(nIdx, r.nSlot, r.nSlotValue);
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
        bool bInside = CMNFILE_IsSafeRelPath(name.c_str());
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
                      : cnu_WriteReplace(e.pData, e.lDataSize, path, i);
        if (!bOk) {
            msg = "THREADM_UnpackVersionPack::err::cannot write[" + path + "]\n";
            LOG_Write(msg.c_str());
            nFailed++;
        }
    }
    if (pnFailed != nullptr) *pnFailed = nFailed;
    return 1;
}
