// tivpack: makes and reads the service's packed files for the demo service
// and the tests, with the programs' own codec and pack format. Platform-free:
// it runs natively and, built for Windows, under Wine.
//
//   tivpack encode <in> <out>     <out> = the LZSS stream of <in> (.sbn, .smd)
//   tivpack decode <in> <out>     <out> = what the LZSS stream <in> holds
//   tivpack build <out> <magic> content|version <entry>...
//        a content pack (name and caption per file) or the client-version
//        pack (names only); each entry is "<type>,<s|z>,<file>,<name>[,<caption>]":
//        file type 0 to 13, s = stored or z = LZSS, the local file, its name
//        in the pack ("\" between folders) and its caption
//   tivpack list <pack> [content|version]
//        magic, sizes and one line per entry
//
// Exit code 0 on success, 1 on a failure (said on stderr), 2 on a wrong
// command line. A damaged stream is still decoded as far as it goes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cntpack.h"
#include "slide.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: tivpack encode <in> <out>\n"
                 "       tivpack decode <in> <out>\n"
                 "       tivpack build <out> <magic> content|version <type>,<s|z>,<file>,<name>[,<caption>]...\n"
                 "       tivpack list <pack> [content|version]\n");
    return 2;
}

int Code(bool bEncode, const char* pIn, const char* pOut)
{
    if (!SLIDE_OpenInFile(pIn)) {
        std::fprintf(stderr, "tivpack: cannot open %s\n", pIn);
        return 1;
    }
    if (!SLIDE_OpenOutFile(pOut)) {
        SLIDE_CloseInFile();
        std::fprintf(stderr, "tivpack: cannot create %s\n", pOut);
        return 1;
    }
    int ok = bEncode ? SLIDE_EncodeFile() : SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    ok &= SLIDE_CloseOutFile();
    if (!ok) {
        if (bEncode)
            std::fprintf(stderr, "tivpack: encoding %s into %s failed (unreadable, too large, or not written)\n",
                         pIn, pOut);
        else
            std::fprintf(stderr, "tivpack: %s is not a whole LZSS stream, or %s could not be written "
                         "(what decoded is kept)\n", pIn, pOut);
        return 1;
    }
    return 0;
}

bool ReadFileBytes(const char* pPath, std::vector<uint8_t>& out)
{
    out.clear();
    FILE* f = std::fopen(pPath, "rb");
    if (f == nullptr) return false;
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteFileBytes(const char* pPath, const std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(pPath, "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok &= std::fclose(f) == 0;
    return ok;
}

int TokensOf(const char* pKind)
{
    if (std::strcmp(pKind, "content") == 0) return 2;
    if (std::strcmp(pKind, "version") == 0) return 1;
    return 0;
}

// "<type>,<s|z>,<file>,<name>[,<caption>]"
bool ParseEntry(const std::string& arg, CpdFile& f, std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = arg.find(',', start);
        parts.push_back(arg.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 4 && parts.size() != 5) return false;
    char* pEnd = nullptr;
    long type = std::strtol(parts[0].c_str(), &pEnd, 10);
    if (parts[0].empty() || *pEnd != '\0') return false;
    if (parts[1] != "s" && parts[1] != "z") return false;
    f.cFileType = static_cast<int>(type < 0 || type > 255 ? -1 : type);
    f.cCmpType = parts[1] == "z" ? eCPD_FCT_SLIDE : eCPD_FCT_NONE;
    path = parts[2];
    f.strName = parts[3];
    f.strCaption = parts.size() == 5 ? parts[4] : "";
    return true;
}

int Build(int argc, char** argv)
{
    const char* pOut = argv[2];
    const char* pMagic = argv[3];
    int nTokens = TokensOf(argv[4]);
    if (nTokens == 0) return Usage();
    std::vector<CpdFile> files;
    for (int i = 5; i < argc; i++) {
        CpdFile f;
        std::string path;
        if (!ParseEntry(argv[i], f, path)) {
            std::fprintf(stderr, "tivpack: entry \"%s\" is not <type>,<s|z>,<file>,<name>[,<caption>]\n", argv[i]);
            return 2;
        }
        if (!ReadFileBytes(path.c_str(), f.data)) {
            std::fprintf(stderr, "tivpack: cannot read %s\n", path.c_str());
            return 1;
        }
        files.push_back(std::move(f));
    }
    std::vector<uint8_t> pack;
    if (!CPD_Build(pMagic, nTokens, files, pack)) {
        std::fprintf(stderr, "tivpack: cannot make a pack of these entries (magic CNPFVR05, CNPFVRB5 or "
                     "CNPFVR02; types 0 to 13; names not empty; no \",\" or line end in names and captions; "
                     "no caption in a version pack; no empty stored file)\n");
        return 1;
    }
    if (!WriteFileBytes(pOut, pack)) {
        std::fprintf(stderr, "tivpack: cannot write %s\n", pOut);
        return 1;
    }
    return 0;
}

int List(const char* pPath, int nTokens)
{
    std::vector<uint8_t> pack;
    if (!ReadFileBytes(pPath, pack)) {
        std::fprintf(stderr, "tivpack: cannot read %s\n", pPath);
        return 1;
    }
    CpdHeader h;
    std::vector<CpdName> names;
    if (!CPD_ReadHeader(pack.data(), pack.size(), &h) ||
        !CPD_ReadNames(pack.data(), h, nTokens, nTokens == 2 ? 2047 : 259, names)) {
        std::fprintf(stderr, "tivpack: %s is not a %s pack (bad header or names)\n", pPath,
                     nTokens == 2 ? "content" : "version");
        return 1;
    }
    std::printf("%s total %ld header %ld files %ld\n", h.strMagic, static_cast<long>(h.nTotalSize),
                static_cast<long>(h.nHeaderSize), static_cast<long>(h.nFileCnt));
    size_t off = h.nHeaderSize;
    for (size_t i = 0; i < names.size(); i++) {
        CpdEntry e;
        if (!CPD_ReadEntry(pack.data(), pack.size(), &off, &e)) {
            std::fprintf(stderr, "tivpack: %s: entry %u (%s) runs past the end\n", pPath,
                         static_cast<unsigned>(i), names[i].strName.c_str());
            return 1;
        }
        std::printf("%u type %d %s %ld %s,%s\n", static_cast<unsigned>(i), e.cFileType,
                    e.cCmpType == eCPD_FCT_NONE ? "stored" : e.cCmpType == eCPD_FCT_SLIDE ? "lzss" : "unknown",
                    static_cast<long>(e.lDataSize), names[i].strName.c_str(), names[i].strCaption.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "encode") == 0) return Code(true, argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return Code(false, argv[2], argv[3]);
    if (argc >= 5 && std::strcmp(argv[1], "build") == 0) return Build(argc, argv);
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "list") == 0) {
        int nTokens = argc == 4 ? TokensOf(argv[3]) : 2;
        if (nTokens == 0) return Usage();
        return List(argv[2], nTokens);
    }
    return Usage();
}
