// Packets: the framing check, the readers on exact-size heap buffers (so the
// sanitizers see any byte read past a packet) and the writers byte for byte
// against packets laid out here by hand and scrambled by the tests' own
// model of the scrambling.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "list.h"
#include "pkt.h"
#include "refstore.h"
#include "testdir.h"

namespace {

std::string Int32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

std::string Header(int32_t type, int32_t size) { return Int32(type) + Int32(size); }

// A text in a zero-filled field of n bytes.
std::string Field(const std::string& s, size_t n)
{
    std::string f(n, '\0');
    std::memcpy(&f[0], s.data(), s.size());
    return f;
}

// A scrambled packet as the service would send it.
std::string Sealed(int32_t type, const std::string& plainBody)
{
    std::string body = ref::Scramble(plainBody);
    return Header(type, static_cast<int32_t>(8 + body.size())) + body;
}

// The packet in a heap block of exactly its size.
struct Exact {
    explicit Exact(const std::string& s) : v(s.begin(), s.end()) {}
    const void* data() const { return v.empty() ? nullptr : v.data(); }
    int size() const { return static_cast<int>(v.size()); }
    std::vector<char> v;
};

struct Notice {
    static std::vector<std::string> texts;
    static std::vector<std::string> captions;
    static void Show(const char* pText, const char* pCaption)
    {
        texts.push_back(pText);
        captions.push_back(pCaption);
    }
};
std::vector<std::string> Notice::texts;
std::vector<std::string> Notice::captions;

class PktTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Notice::texts.clear();
        Notice::captions.clear();
        PktHostIf host = { &Notice::Show };
        PKT_SetHost(&host);
    }
    void TearDown() override { PKT_SetHost(nullptr); }
    TestDir dir;   // the log lands here
};

TEST_F(PktTest, AnalyPacketChecksSizeBeforeType)
{
    // A header that says 20 bytes, received as 16: keep reading, no message.
    std::string p = Header(ePKTYPE_BUYGAME, 20) + std::string(8, 'x');
    Exact e(p);
    int nType = -7;
    EXPECT_EQ(PKT_AnalyPacket(&nType, e.data(), e.size()), PKT_ANALY_SIZE);
    EXPECT_EQ(nType, -7);
    // Fewer bytes than a header (every length) and lying sizes: never read
    // past the data, never a message.
    for (int n = 0; n < 8; n++) {
        Exact s(Header(ePKTYPE_USERFULL, n).substr(0, n));
        EXPECT_EQ(PKT_AnalyPacket(&nType, s.data(), n), PKT_ANALY_SIZE) << n << " bytes";
    }
    Exact neg(Header(ePKTYPE_USERFULL, -8));
    EXPECT_EQ(PKT_AnalyPacket(&nType, neg.data(), -8), PKT_ANALY_SIZE);
    EXPECT_EQ(PKT_AnalyPacket(&nType, neg.data(), 8), PKT_ANALY_SIZE);
    EXPECT_TRUE(Notice::texts.empty());
}

TEST_F(PktTest, AnalyPacketAcceptsOnlyTheServiceTypes)
{
    const std::vector<int32_t> accepted = { 0, 1, 3, 4, 7, 8, 9, 10, 11, 13, 15, 16, 21, 23, 24, 25, 29 };
    for (int32_t t = -3; t <= 33; t++) {
        Exact e(Header(t, 8));
        int nType = -99;
        bool ok = std::find(accepted.begin(), accepted.end(), t) != accepted.end();
        EXPECT_EQ(PKT_AnalyPacket(&nType, e.data(), e.size()), ok ? PKT_ANALY_OK : PKT_ANALY_REFUSED) << "type " << t;
        EXPECT_EQ(nType, ok ? t : -99) << "type " << t;
    }
    for (int32_t t : { INT_MIN, INT_MAX }) {
        Exact e(Header(t, 12) + "abcd");
        EXPECT_EQ(PKT_AnalyPacket(nullptr, e.data(), e.size()), PKT_ANALY_REFUSED);
    }
    // One message per refused packet, with its type.
    EXPECT_EQ(Notice::texts.size(), 37u - accepted.size() + 2u);
    Notice::texts.clear();
    Exact client(Header(2, 8));
    EXPECT_EQ(PKT_AnalyPacket(nullptr, client.data(), client.size()), PKT_ANALY_REFUSED);
    ASSERT_EQ(Notice::texts.size(), 1u);
    EXPECT_EQ(Notice::texts[0], "PKT_AnalyPacket::received abnormal packetid[2](ZVQ:039)");
    EXPECT_EQ(Notice::captions[0], "Msg");
}

TEST_F(PktTest, IntReaders)
{
    struct Case {
        const char* what;
        std::string packet;
        int nSize;            // received; -1: the packet's length
        bool bValid;          // which reader
        int nError;
        int32_t nResult;
    };
    const Case cases[] = {
        { "invalid id: result", Header(3, 12) + Int32(-5), -1, false, 0, -5 },
        { "invalid id: longer body", Header(3, 16) + Int32(7) + "zzzz", -1, false, 0, 7 },
        { "invalid id: size differs", Header(3, 16) + Int32(7), -1, false, 1, 16 },
        { "invalid id: wrong type", Header(4, 12) + Int32(7), -1, false, 4, 16 },
        { "invalid id: no room for the result", Header(3, 8), -1, false, 1, 16 },
        { "invalid id: 11 bytes", Header(3, 11) + "abc", -1, false, 1, 16 },
        { "invalid id: short of a header", Header(3, 12).substr(0, 6), -1, false, 1, 16 },
        { "invalid id: negative size", Header(3, -12) + Int32(1), -12, false, 1, 16 },
        { "valid id: result", Header(4, 12) + Int32(0x01020304), -1, true, 0, 0x01020304 },
        { "valid id: size differs", Header(4, 12) + Int32(9) + "z", -1, true, 1, 0 },
        { "valid id: wrong type", Header(3, 12) + Int32(9), -1, true, 5, 0 },
        { "valid id: no room for the result", Header(4, 10) + "ab", -1, true, 1, 0 },
    };
    for (const Case& c : cases) {
        Exact e(c.packet);
        int nSize = c.nSize == -1 ? e.size() : c.nSize;
        ASSERT_LE(nSize, e.size()) << c.what;   // never claim more than the block holds
        int nErr = -1;
        int32_t r = c.bValid ? PKT_Get_ValidIdPassword(&nErr, e.data(), nSize)
                             : PKT_Get_InvalidIdPassword(&nErr, e.data(), nSize);
        EXPECT_EQ(nErr, c.nError) << c.what;
        EXPECT_EQ(r, c.nResult) << c.what;
    }
}

using BuyReader = char* (*)(int*, int32_t*, const void*, int);

TEST_F(PktTest, PurchaseReadersUnscrambleTheBody)
{
    const struct { int32_t type; BuyReader read; } readers[] = {
        { 7, PKT_Get_BuyGame }, { 11, PKT_Get_BuyGameAndStatus },
        { 16, PKT_Get_BuyGameOrial }, { 21, PKT_Get_BuyGameMusicTiv },
    };
    // lSize 17: a 9-byte scrambled body, 8 plain bytes.
    const std::string plain = Int32(0x11223344) + "ABCD";
    for (const auto& r : readers) {
        Exact e(Sealed(r.type, plain));
        ASSERT_EQ(e.size(), 17);
        int nErr = -1;
        int32_t nFirst = 0;
        char* p = r.read(&nErr, &nFirst, e.data(), e.size());
        ASSERT_NE(p, nullptr) << "type " << r.type;
        EXPECT_EQ(nErr, 0);
        EXPECT_EQ(nFirst, 0x11223344);
        EXPECT_EQ(std::string(p, 8), plain);
        EXPECT_EQ(p[8], '\0');   // the block is the body's length: the plain bytes end in a NUL
        std::free(p);
        // Any other type is not this reader's.
        Exact other(Sealed(r.type == 7 ? 11 : 7, plain));
        nFirst = 5;
        EXPECT_EQ(r.read(&nErr, &nFirst, other.data(), other.size()), nullptr);
        EXPECT_EQ(nErr, 3);
        EXPECT_EQ(nFirst, 5);
    }
}

TEST_F(PktTest, PurchaseReadersRefuseShortAndLyingPackets)
{
    struct Case {
        const char* what;
        std::string packet;
        int nSize;
        int nError;
    };
    const std::string ok = Sealed(7, Int32(1) + "x");
    const Case cases[] = {
        { "size differs from lSize", ok, static_cast<int>(ok.size()) - 1, 1 },
        { "no body", Header(7, 8), 8, 2 },
        { "header only, cut", Header(7, 8).substr(0, 5), 5, 1 },
        { "one-byte body", Header(7, 9) + "a", 9, 2 },
        { "body without room for the int32", Sealed(7, "abc"), 12, 2 },
        { "negative size", Header(7, -9) + "a", -9, 1 },
    };
    for (const Case& c : cases) {
        Exact e(c.packet);
        int nErr = -1;
        int32_t nFirst = 77;
        char* p = PKT_Get_BuyGame(&nErr, &nFirst, e.data(), std::min(c.nSize, e.size()));
        EXPECT_EQ(p, nullptr) << c.what;
        EXPECT_EQ(nErr, c.nError) << c.what;
        EXPECT_EQ(nFirst, 77) << c.what;
        std::free(p);
    }
}

TEST_F(PktTest, ProductReadersConvertEucJpToShiftJis)
{
    // "ゲームA" and a half-width katakana in EUC-JP; the Shift-JIS bytes of the same.
    const std::string euc = "ok,\xA5\xB2\xA1\xBC\xA5\xE0" "A,\x8E\xB1,";
    const std::string sjis = "ok,\x83\x51\x81\x5B\x83\x80" "A,\xB1,";
    for (int32_t type : { 24, 29 }) {
        Exact e(Sealed(type, euc + std::string(1, '\0')));
        int nErr = -1;
        char* p = type == 24 ? PKT_Get_ValidIdProductId(&nErr, e.data(), e.size())
                             : PKT_Get_ValidIdProductIdContractId(&nErr, e.data(), e.size());
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(nErr, 0);
        EXPECT_EQ(std::string(p), sjis);
        std::free(p);
    }
    // A text without its own NUL still ends inside the block, and a lead
    // byte at the very end is not paired with what lies beyond.
    Exact cut(Sealed(24, "ab\xA5"));
    int nErr = -1;
    char* p = PKT_Get_ValidIdProductId(&nErr, cut.data(), cut.size());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p).substr(0, 2), "ab");
    std::free(p);
    Exact wrong(Sealed(24, "ab"));
    EXPECT_EQ(PKT_Get_ValidIdProductIdContractId(&nErr, wrong.data(), wrong.size()), nullptr);
    EXPECT_EQ(nErr, 3);
    Exact empty(Header(24, 9) + "q");
    EXPECT_EQ(PKT_Get_ValidIdProductId(&nErr, empty.data(), empty.size()), nullptr);
    EXPECT_EQ(nErr, 2);
}

// What a writer put in a buffer that held 0xCC everywhere before.
struct Written {
    std::string bytes;
    int nSize = -1;
    int ret = -1;
};

const size_t kBuf = 400;

template <typename F>
Written Write(F f, size_t nBuf = kBuf)
{
    std::vector<char> buf(nBuf, '\xCC');
    Written w;
    w.ret = f(buf.data(), static_cast<int>(nBuf), &w.nSize);
    w.bytes.assign(buf.begin(), buf.end());
    return w;
}

void ExpectPacket(const Written& w, const std::string& expect, const char* what)
{
    EXPECT_EQ(w.ret, 1) << what;
    EXPECT_EQ(w.nSize, static_cast<int>(expect.size())) << what;
    EXPECT_EQ(w.bytes.substr(0, expect.size()), expect) << what;
    EXPECT_EQ(w.bytes.substr(expect.size()), std::string(w.bytes.size() - expect.size(), '\xCC')) << what;
}

TEST_F(PktTest, WritersLayOutAndScrambleTheirFixedPackets)
{
    const std::string id = "member01", pass = "secret", code = "ABCDEFGHIJKL";
    ExpectPacket(Write([&](char* b, int n, int* s) {
                     return PKT_Make_IdPassword(s, b, n, id.c_str(), pass.c_str(), 0x0A0B0C0D, -2, code.c_str());
                 }),
                 Header(2, 285) + ref::Scramble(Int32(0x0A0B0C0D) + Int32(-2) + Field(id, 128) + Field(pass, 128) + code),
                 "id and password");

    const std::string upd = Field(id, 128) + Field(pass, 128);
    const struct { unsigned char variant; int second; int32_t type, typeDate; } kinds[] = {
        { 0, 0, 5, 6 }, { 0, 1, 5, 6 }, { 2, 0, 5, 6 }, { 1, 0, 17, 19 }, { 1, 1, 18, 20 }, { 1, 7, 18, 20 },
    };
    for (const auto& k : kinds) {
        for (int account : { 0, 1 }) {
            ExpectPacket(Write([&](char* b, int n, int* s) {
                             return PKT_Make_Update(s, b, n, id.c_str(), pass.c_str(), account, k.variant, k.second);
                         }),
                         Header(k.type, 265) + ref::Scramble(upd), "update");
            ExpectPacket(Write([&](char* b, int n, int* s) {
                             return PKT_Make_UpdateWithDate(s, b, n, id.c_str(), pass.c_str(), "20261211", account,
                                                            k.variant, k.second);
                         }),
                         Header(k.typeDate, 277) + ref::Scramble(upd + Field("20261211", 12)), "update with date");
        }
    }
    ExpectPacket(Write([&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, "a\\b.bin", 3, 4096); }),
                 Header(12, 145) + ref::Scramble(Int32(3) + Int32(4096) + Field("a\\b.bin", 128)), "download");
    // The longest texts that fit: 127 characters and the terminator.
    const std::string id127(127, 'i'), name127(127, 'n'), date11(11, '9');
    ExpectPacket(Write([&](char* b, int n, int* s) {
                     return PKT_Make_UpdateWithDate(s, b, n, id127.c_str(), id127.c_str(), date11.c_str(), 1, 1, 0);
                 }),
                 Header(19, 277) + ref::Scramble(Field(id127, 128) + Field(id127, 128) + Field(date11, 12)), "longest");
    ExpectPacket(Write([&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, name127.c_str(), 0, 1); }, 145),
                 Header(12, 145) + ref::Scramble(Int32(0) + Int32(1) + Field(name127, 128)), "download, exact buffer");
}

TEST_F(PktTest, WritersRefuseWhatDoesNotFitAndWriteNothing)
{
    const std::string s128(128, 'x'), s12(12, 'c'), s11(11, 'c'), s13(13, 'c'), d12(12, '2');
    const char* id = "member01";
    using W = std::function<int(char*, int, int*)>;
    const struct { const char* what; W write; size_t nBuf; } cases[] = {
        { "id of 128", [&](char* b, int n, int* s) { return PKT_Make_IdPassword(s, b, n, s128.c_str(), "p", 1, 2, s12.c_str()); }, kBuf },
        { "empty password", [&](char* b, int n, int* s) { return PKT_Make_IdPassword(s, b, n, id, "", 1, 2, s12.c_str()); }, kBuf },
        { "code of 11", [&](char* b, int n, int* s) { return PKT_Make_IdPassword(s, b, n, id, "p", 1, 2, s11.c_str()); }, kBuf },
        { "code of 13", [&](char* b, int n, int* s) { return PKT_Make_IdPassword(s, b, n, id, "p", 1, 2, s13.c_str()); }, kBuf },
        { "id buffer of 285", [&](char* b, int n, int* s) { return PKT_Make_IdPassword(s, b, n, id, "p", 1, 2, s12.c_str()); }, 285 },
        { "update password of 128", [&](char* b, int n, int* s) { return PKT_Make_Update(s, b, n, id, s128.c_str(), 0, 0, 0); }, kBuf },
        { "update empty id", [&](char* b, int n, int* s) { return PKT_Make_Update(s, b, n, "", "p", 0, 0, 0); }, kBuf },
        { "update account flag 2", [&](char* b, int n, int* s) { return PKT_Make_Update(s, b, n, id, "p", 2, 0, 0); }, kBuf },
        { "update buffer of 265", [&](char* b, int n, int* s) { return PKT_Make_Update(s, b, n, id, "p", 0, 0, 0); }, 265 },
        { "date of 12", [&](char* b, int n, int* s) { return PKT_Make_UpdateWithDate(s, b, n, id, "p", d12.c_str(), 0, 0, 0); }, kBuf },
        { "empty date", [&](char* b, int n, int* s) { return PKT_Make_UpdateWithDate(s, b, n, id, "p", "", 0, 0, 0); }, kBuf },
        { "dated id of 128", [&](char* b, int n, int* s) { return PKT_Make_UpdateWithDate(s, b, n, s128.c_str(), "p", "1", 0, 0, 0); }, kBuf },
        { "dated account flag -1", [&](char* b, int n, int* s) { return PKT_Make_UpdateWithDate(s, b, n, id, "p", "1", -1, 0, 0); }, kBuf },
        { "dated buffer of 277", [&](char* b, int n, int* s) { return PKT_Make_UpdateWithDate(s, b, n, id, "p", "1", 0, 0, 0); }, 277 },
        { "file name of 128", [&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, s128.c_str(), 1, 1); }, kBuf },
        { "empty file name", [&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, "", 1, 1); }, kBuf },
        { "data length 0", [&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, "f", 1, 0); }, kBuf },
        { "download buffer of 144", [&](char* b, int n, int* s) { return PKT_Make_Download(s, b, n, "f", 1, 1); }, 144 },
    };
    for (const auto& c : cases) {
        Written w = Write(c.write, c.nBuf);
        EXPECT_EQ(w.ret, 0) << c.what;
        EXPECT_EQ(w.nSize, 0) << c.what;
        EXPECT_EQ(w.bytes, std::string(c.nBuf, '\xCC')) << c.what;
    }
}

struct Lists {
    LIST codes, plays;
    Lists() { LIST_Init(&codes); LIST_Init(&plays); }
    ~Lists() { LIST_Free(&codes); LIST_Free(&plays); }
    void Code(const std::string& c)
    {
        char* p = static_cast<char*>(std::calloc(c.size() + 1, 1));
        std::memcpy(p, c.data(), c.size());
        LIST_Add(&codes, p);
    }
    void Play(const char* a, const char* b, const char* c, const char* d)
    {
        PktPlayIf* p = static_cast<PktPlayIf*>(std::calloc(1, sizeof(PktPlayIf)));
        std::strcpy(p->strText1, a);
        std::strcpy(p->strText2, b);
        std::strcpy(p->strText3, c);
        std::strcpy(p->strText4, d);
        LIST_Add(&plays, p);
    }
};

// n is the writer's size out-parameter: read here, after the call.
std::string Report(char* p, const int& n)
{
    std::string s = p != nullptr ? std::string(p, n) : std::string();
    std::free(p);
    return s;
}

TEST_F(PktTest, ReportsCarryTheirTextPlainOrScrambled)
{
    Lists l;
    l.Code("ABCDEFGHIJKL");
    l.Code("MNOPQRSTUVWX");
    int n = -1;
    // Without play-time entries the text ends right after the last code's comma.
    std::string text = "5,-6,member01,txt,7,2,0,ABCDEFGHIJKL,MNOPQRSTUVWX,";
    EXPECT_EQ(Report(PKT_Make_Report(&n, "member01", "txt", 5, -6, &l.codes, 7, &l.plays), n),
              Header(22, static_cast<int32_t>(8 + text.size() + 1)) + text + std::string(1, '\0'));
    EXPECT_EQ(Report(PKT_Make_Report2(&n, "member01", "txt", 5, -6, &l.codes, 7, nullptr), n),
              Header(28, static_cast<int32_t>(8 + text.size() + 1)) + ref::Scramble(text));

    l.Play("u1", "p1", "2026/12/11", "30");
    l.Play("u2", "", "x", "0");
    text = "5,-6,member01,txt,7,2,2,ABCDEFGHIJKL,MNOPQRSTUVWX,,u1,p1,2026/12/11,30,,u2,,x,0,";
    EXPECT_EQ(Report(PKT_Make_Report(&n, "member01", "txt", 5, -6, &l.codes, 7, &l.plays), n),
              Header(22, static_cast<int32_t>(8 + text.size() + 1)) + text + std::string(1, '\0'));
    EXPECT_EQ(n, static_cast<int>(8 + text.size() + 1));
    EXPECT_EQ(Report(PKT_Make_Report2(&n, "member01", "txt", 5, -6, &l.codes, 7, &l.plays), n),
              Header(28, static_cast<int32_t>(8 + text.size() + 1)) + ref::Scramble(text));
}

TEST_F(PktTest, ReportsRefuseBadArgumentsAndTextsOf6144BytesOrMore)
{
    Lists l;
    l.Code("ABCDEFGHIJKL");
    int n = -1;
    // "1,2,u,<t2>,3,1,0,ABCDEFGHIJKL," is 26 bytes and the second text.
    const std::string fits(6143 - 26, 't'), over(6144 - 26, 't');
    std::string p = Report(PKT_Make_Report(&n, "u", fits.c_str(), 1, 2, &l.codes, 3, nullptr), n);
    EXPECT_EQ(p.size(), 8u + 6143u + 1u);
    for (auto make : { PKT_Make_Report, PKT_Make_Report2 }) {
        n = -1;
        EXPECT_EQ(make(&n, "u", over.c_str(), 1, 2, &l.codes, 3, nullptr), nullptr);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(make(&n, "", "t", 1, 2, &l.codes, 3, nullptr), nullptr);
        Lists none;
        EXPECT_EQ(make(&n, "u", "t", 1, 2, &none.codes, 3, nullptr), nullptr);
        Lists bad;
        bad.Code("SHORT");
        EXPECT_EQ(make(&n, "u", "t", 1, 2, &bad.codes, 3, nullptr), nullptr);
    }
    // Play-time texts that fill their fields whole still end at the field.
    Lists full;
    full.Code("ABCDEFGHIJKL");
    PktPlayIf* e = static_cast<PktPlayIf*>(std::malloc(sizeof(PktPlayIf)));
    std::memset(e, 'z', sizeof(PktPlayIf));
    LIST_Add(&full.plays, e);
    p = Report(PKT_Make_Report(&n, "u", "t", 1, 2, &full.codes, 3, &full.plays), n);
    EXPECT_EQ(p.substr(8), "1,2,u,t,3,1,1,ABCDEFGHIJKL,," + std::string(129, 'z') + "," + std::string(65, 'z') + "," +
                               std::string(2048, 'z') + "," + std::string(129, 'z') + "," + std::string(1, '\0'));
}

}  // namespace
