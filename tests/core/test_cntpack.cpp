#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cntpack.h"
#include "slide.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Le32(int32_t n)
{
    std::string s;
    for (int k = 0; k < 4; k++) s += static_cast<char>(static_cast<uint32_t>(n) >> (8 * k));
    return s;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Printable form of a layout for failure messages.
std::string Show(const std::string& s)
{
    std::string out;
    char t[8];
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else { std::snprintf(t, sizeof(t), "\\x%02x", c); out += t; }
    }
    return out;
}

CpdFile File(const std::string& name, const std::string& caption, int type, int cmp, const std::string& data)
{
    return CpdFile{ name, caption, type, cmp, B(data) };
}

TEST(ContentPack, BuiltLayoutByteForByte)
{
    // A stored read-me with a Shift-JIS caption ("ソ" ends in 0x5C) and an
    // LZSS game executable in a subfolder with an empty caption.
    std::vector<CpdFile> files = {
        File("readme.txt", "ソフト説明", eCPD_FTYPE_README, eCPD_FCT_NONE, "hi"),
        File("game\\a.exe", "", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "abc"),
    };
    Bytes pack;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID5, 2, files, pack), 1);

    std::string names = std::string("readme.txt,") + "ソフト説明" + ",game\\a.exe,,";
    std::string entries = std::string("\x00\x01", 2) + Le32(2) + "hi" +
                          std::string("\x01\x0b", 2) + Le32(8) + std::string("\x03\x00\x00\x00\x07" "abc", 8);
    std::string head = "CNPFVR05" + Le32(static_cast<int32_t>(20 + names.size() + entries.size())) +
                       Le32(static_cast<int32_t>(20 + names.size())) + Le32(2);
    std::string expected = head + names + entries;
    EXPECT_EQ(Show(Str(pack)), Show(expected));
}

TEST(ContentPack, ReadsBackWhatWasBuilt)
{
    struct Case { const char* magic; int tokens; std::vector<CpdFile> files; };
    std::string big(70000, 'x');
    const Case cases[] = {
        { CPD_STR_PACKHEADER_ID5, 2, { File("readme.txt", "ソフト説明", eCPD_FTYPE_README, eCPD_FCT_NONE, "hi"),
                                       File("manual\\m1.html", "", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "<p>"),
                                       File("game\\bin\\a.exe", "本体", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, big),
                                       File("music.zip", "BGM", eCPD_FTYPE_SMD, eCPD_FCT_SLIDE, "") } },
        { CPD_STR_PACKHEADER_IDB5, 2, { File("a.rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, big) } },
        { CPD_STR_PACKHEADER_ID02, 2, {} },     // no files at all
        { CPD_STR_PACKHEADER_ID5, 1, { File("version.txt", "", 3, eCPD_FCT_NONE, "tiv_launcher.exe,5,p,\r\n"),
                                       File("skin\\main.bmp", "", 5, eCPD_FCT_NONE, "BM") } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.magic) + ", " + std::to_string(c.files.size()) + " files");
        Bytes pack;
        ASSERT_EQ(CPD_Build(c.magic, c.tokens, c.files, pack), 1);
        CpdHeader h;
        ASSERT_EQ(CPD_ReadHeader(pack.data(), pack.size(), &h), 1);
        EXPECT_STREQ(h.strMagic, c.magic);
        EXPECT_EQ(h.nTotalSize, static_cast<int32_t>(pack.size()));
        EXPECT_EQ(h.nFileCnt, static_cast<int32_t>(c.files.size()));
        std::vector<CpdName> names;
        ASSERT_EQ(CPD_ReadNames(pack.data(), h, c.tokens, 2047, names), 1);
        ASSERT_EQ(names.size(), c.files.size());
        size_t off = h.nHeaderSize;
        for (size_t i = 0; i < c.files.size(); i++) {
            const CpdFile& f = c.files[i];
            EXPECT_EQ(names[i].strName, f.strName);
            EXPECT_EQ(names[i].strCaption, f.strCaption);
            CpdEntry e;
            ASSERT_EQ(CPD_ReadEntry(pack.data(), pack.size(), &off, &e), 1) << f.strName;
            EXPECT_EQ(e.cCmpType, f.cCmpType) << f.strName;
            EXPECT_EQ(e.cFileType, f.cFileType) << f.strName;
            Bytes data(e.pData, e.pData + e.lDataSize), plain;
            if (f.cCmpType == eCPD_FCT_SLIDE) EXPECT_EQ(SLIDE_DecodeBuffer(data.data(), data.size(), plain), 1);
            else plain = data;
            EXPECT_TRUE(plain == f.data) << f.strName;
        }
        EXPECT_EQ(off, pack.size()) << "entries end where the pack ends";
    }
}

TEST(ContentPack, DamagedPacksAreRefused)
{
    std::vector<CpdFile> files = { File("a.txt", "A", eCPD_FTYPE_README, eCPD_FCT_NONE, "hello"),
                                   File("b.txt", "", eCPD_FTYPE_KIYAKU, eCPD_FCT_NONE, "terms") };
    Bytes good;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID5, 2, files, good), 1);
    const std::string s = Str(good);
    const int32_t nHdr = 20 + 15;
    ASSERT_EQ(s.substr(20, 15), "a.txt,A,b.txt,,");

    // Header and names.
    struct Case { const char* what; std::string pack; int tokens; bool bHeader; };
    const Case cases[] = {
        { "not a pack", "XNPF" + s.substr(4), 2, false },
        { "shorter than the fixed header", s.substr(0, 19), 2, false },
        { "header size below 20", s.substr(0, 12) + Le32(19) + s.substr(16), 2, false },
        { "header size past the end", s.substr(0, 12) + Le32(static_cast<int32_t>(s.size()) + 1) + s.substr(16), 2, false },
        { "negative file count", s.substr(0, 16) + Le32(-1) + s.substr(20), 2, false },
        { "more files than names", s.substr(0, 16) + Le32(3) + s.substr(20), 2, true },
        { "name not ended by a comma", s.substr(0, 12) + Le32(nHdr - 1) + s.substr(16), 2, true },
        { "empty name", s.substr(0, 12) + Le32(nHdr - 5) + s.substr(16, 4) + ",A,b.txt,," + s.substr(nHdr), 2, true },
    };
    for (const Case& c : cases) {
        CpdHeader h;
        int r = CPD_ReadHeader(c.pack.data(), c.pack.size(), &h);
        EXPECT_EQ(r, c.bHeader ? 1 : 0) << c.what;
        std::vector<CpdName> names;
        if (r) {
            EXPECT_EQ(CPD_ReadNames(c.pack.data(), h, c.tokens, 2047, names), 0) << c.what;
        }
    }
    CpdHeader h;
    std::vector<CpdName> names;
    ASSERT_EQ(CPD_ReadHeader(good.data(), good.size(), &h), 1);
    EXPECT_EQ(CPD_ReadNames(good.data(), h, 2, 4, names), 0) << "token longer than allowed";
    EXPECT_EQ(CPD_ReadNames(good.data(), h, 2, 5, names), 1) << "tokens of the longest allowed length";

    // Entries: the good ones read; then the first one's data size changed.
    size_t nAt = nHdr;
    CpdEntry first;
    ASSERT_EQ(CPD_ReadEntry(good.data(), good.size(), &nAt, &first), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.pData), first.lDataSize), "hello");
    struct EntryCase { const char* what; int32_t lSize; };
    const EntryCase entryCases[] = { { "data past the end", 1000 }, { "empty data", 0 }, { "negative size", -6 } };
    for (const EntryCase& c : entryCases) {
        std::string p = s.substr(0, nHdr + 2) + Le32(c.lSize) + s.substr(nHdr + 6);
        size_t off = nHdr;
        CpdEntry e;
        EXPECT_EQ(CPD_ReadEntry(p.data(), p.size(), &off, &e), 0) << c.what;
        EXPECT_EQ(off, static_cast<size_t>(nHdr)) << c.what;
    }
    size_t off = good.size() - 3;
    CpdEntry e;
    EXPECT_EQ(CPD_ReadEntry(good.data(), good.size(), &off, &e), 0) << "entry head cut";
}

TEST(ContentPack, BuilderRefusesWhatReadersCouldNotCut)
{
    struct Case { const char* what; const char* magic; int tokens; CpdFile f; };
    const Case cases[] = {
        { "unknown magic", "CNPFVR04", 2, File("a", "", 1, 0, "x") },
        { "comma in a name", CPD_STR_PACKHEADER_ID5, 2, File("a,b", "", 1, 0, "x") },
        { "line end in a caption", CPD_STR_PACKHEADER_ID5, 2, File("a", "x\r\ny", 1, 0, "x") },
        { "caption in the client-version pack", CPD_STR_PACKHEADER_ID5, 1, File("a", "c", 1, 0, "x") },
        { "empty name", CPD_STR_PACKHEADER_ID5, 2, File("", "", 1, 0, "x") },
        { "file type 14", CPD_STR_PACKHEADER_ID5, 2, File("a", "", 14, 0, "x") },
        { "compression 2", CPD_STR_PACKHEADER_ID5, 2, File("a", "", 1, 2, "x") },
        { "empty stored file", CPD_STR_PACKHEADER_ID5, 2, File("a", "", 1, 0, "") },
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_EQ(CPD_Build(c.magic, c.tokens, { c.f }, out), 0) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

}  // namespace
