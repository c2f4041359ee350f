// The socket layer on a real loopback connection: a listener of the test's
// own on 127.0.0.64 (a free port) plays the service, with blocking calls,
// while the layer's socket reports to a window of the test through
// WSAAsyncSelect and the test pumps that window's messages.
#include <winsock.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "cmnutil.h"
#include "commu.h"
#include "pkt.h"
#include "refstore.h"
#include "testdir.h"

namespace {

const UINT WMU_SOCKET = WM_APP + 7;
const char kAddr[] = "127.0.0.64";
const long kEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;

std::vector<int> g_events;   // FD_* of our socket, in arrival order
WPARAM g_sock = 0;            // the socket the notifications name

LRESULT CALLBACK OwnerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WMU_SOCKET) {
        int nEvent = COMMU_OnNotify(wParam, lParam);
        if (nEvent != 0) {
            g_events.push_back(nEvent);
            g_sock = wParam;
        }
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

bool Seen(int nEvent)
{
    for (int e : g_events)
        if (e == nEvent) return true;
    return false;
}

// Runs the owner's messages until done() or 10 s have passed.
template <typename F>
bool Pump(F done)
{
    DWORD t0 = GetTickCount();
    while (!done()) {
        if (GetTickCount() - t0 > 10000) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
    return true;
}

std::string Int32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

// The service's end: blocking sockets with a receive timeout, so a fault
// ends the test instead of hanging it.
class Peer {
public:
    Peer()
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = inet_addr(kAddr);
        a.sin_port = 0;
        bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        listen(m_listen, 1);
        int n = sizeof(a);
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &n);
        m_port = ntohs(a.sin_port);
    }
    ~Peer()
    {
        Close();
        closesocket(m_listen);
    }
    int Port() const { return m_port; }
    bool Accept()
    {
        m_conn = accept(m_listen, nullptr, nullptr);
        if (m_conn == INVALID_SOCKET) return false;
        int ms = 10000;
        setsockopt(m_conn, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof(ms));
        return true;
    }
    std::string RecvExact(size_t n)
    {
        std::string s;
        char buf[65536];
        while (s.size() < n) {
            int want = static_cast<int>(std::min(sizeof(buf), n - s.size()));
            int r = recv(m_conn, buf, want, 0);
            if (r <= 0) break;
            s.append(buf, r);
        }
        return s;
    }
    void Send(const std::string& s) { send(m_conn, s.data(), static_cast<int>(s.size()), 0); }
    void Close()
    {
        if (m_conn != INVALID_SOCKET) closesocket(m_conn);
        m_conn = INVALID_SOCKET;
    }

private:
    SOCKET m_listen = INVALID_SOCKET;
    SOCKET m_conn = INVALID_SOCKET;
    int    m_port = 0;
};

class CommuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_events.clear();
        g_sock = 0;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CommuTestOwner";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(0, "CommuTestOwner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(m_hWnd, nullptr);
        ASSERT_EQ(COMMU_Init(), 1);
        m_peer = new Peer();
    }
    void TearDown() override
    {
        COMMU_CloseSocket();
        delete m_peer;
        COMMU_Term();
        DestroyWindow(m_hWnd);
    }
    // Connected, accepted and writable.
    void Connect()
    {
        ASSERT_EQ(COMMU_Connect2(kAddr, m_peer->Port(), WMU_SOCKET, m_hWnd, kEvents), 1);
        ASSERT_TRUE(m_peer->Accept());
        ASSERT_TRUE(Pump([] { return COMMU_IsConnected() && COMMU_IsWritable(); }));
    }
    // Reads packets from the layer until one whole packet has arrived.
    std::string ReceivePacket()
    {
        std::string got;
        int nType = -1;
        Pump([&] {
            if (COMMU_IsConnected() && COMMU_IsReadable()) {
                char buf[1024];
                int n = 0, nErr = -1;
                COMMU_SetReadable(0);
                if (COMMU_Receive2(&n, &nErr, buf, sizeof(buf))) got.append(buf, n);
            }
            return PKT_AnalyPacket(&nType, got.data(), static_cast<int>(got.size())) != PKT_ANALY_SIZE;
        });
        return got;
    }
    HWND  m_hWnd = nullptr;
    Peer* m_peer = nullptr;
    TestDir m_dir;   // the log lands here
};

TEST_F(CommuTest, NotificationsSetTheFlags)
{
    ASSERT_EQ(COMMU_Connect2(kAddr, m_peer->Port(), WMU_SOCKET, m_hWnd, kEvents), 1);
    // Connected as soon as the connect is under way; nothing to read or write yet.
    EXPECT_EQ(COMMU_IsConnected(), 1);
    EXPECT_EQ(COMMU_IsReadable(), 0);
    EXPECT_EQ(COMMU_IsWritable(), 0);
    ASSERT_TRUE(m_peer->Accept());
    ASSERT_TRUE(Pump([] { return Seen(FD_CONNECT); }));
    EXPECT_EQ(COMMU_IsWritable(), 1);
    EXPECT_EQ(COMMU_IsReadable(), 0);
    // FD_WRITE alone makes it writable again; another socket's notification
    // changes nothing.
    COMMU_SetWritable(0);
    PostMessageA(m_hWnd, WMU_SOCKET, g_sock + 1, WSAMAKESELECTREPLY(FD_WRITE, 0));
    ASSERT_TRUE(Pump([] { MSG m; return !PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE); }));
    EXPECT_EQ(COMMU_IsWritable(), 0);
    EXPECT_EQ(COMMU_IsOurSocket(g_sock + 1), 0);
    EXPECT_EQ(COMMU_IsOurSocket(g_sock), 1);
    PostMessageA(m_hWnd, WMU_SOCKET, g_sock, WSAMAKESELECTREPLY(FD_WRITE, 0));
    ASSERT_TRUE(Pump([] { return COMMU_IsWritable() != 0; }));

    // 2000 bytes arrive: FD_READ, and a 1024-byte buffer takes at most 1023 and a NUL.
    m_peer->Send(std::string(2000, 'r'));
    ASSERT_TRUE(Pump([] { return COMMU_IsReadable() != 0; }));
    EXPECT_TRUE(Seen(FD_READ));
    Sleep(100);   // let the rest of the 2000 bytes arrive too
    char buf[1024];
    std::memset(buf, 'X', sizeof(buf));
    int n = 0, nErr = -1;
    ASSERT_EQ(COMMU_Receive2(&n, &nErr, buf, sizeof(buf)), 1);
    EXPECT_EQ(nErr, 0);
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(buf[n], '\0');
    EXPECT_EQ(std::string(buf, n), std::string(1023, 'r'));
}

TEST_F(CommuTest, AnUpdatePacketReachesThePeerScrambled)
{
    Connect();
    char pkt[300];
    int nSize = 0, nErr = -1;
    ASSERT_EQ(PKT_Make_Update(&nSize, pkt, sizeof(pkt), "member01", "secret", 1, 1, 0), 1);
    ASSERT_EQ(COMMU_Send(&nErr, pkt, nSize), 1);
    EXPECT_EQ(nErr, 0);
    std::string got = m_peer->RecvExact(265);
    ASSERT_EQ(got.size(), 265u);
    // The peer's reading: header, then the body unscrambled with the store's key.
    EXPECT_EQ(ref::ReadInt(got, 0), 17);
    EXPECT_EQ(ref::ReadInt(got, 4), 265);
    std::string plain(256, '\0');
    int nPlain = 0;
    ASSERT_EQ(CMNUTIL_Decode(got.data() + 8, 257, CMNUTIL_KEY, &plain[0], &nPlain), 1);
    ASSERT_EQ(nPlain, 256);
    std::string id("member01"), pass("secret");
    EXPECT_EQ(plain.substr(0, 128), id + std::string(128 - id.size(), '\0'));
    EXPECT_EQ(plain.substr(128, 128), pass + std::string(128 - pass.size(), '\0'));
    EXPECT_EQ(got.substr(8), ref::Scramble(plain));
}

TEST_F(CommuTest, APurchasePacketIsReadBack)
{
    Connect();
    std::string body = ref::Scramble(Int32(4242) + "GAME0001");
    std::string packet = Int32(ePKTYPE_BUYGAME_ANDSTATUS) + Int32(static_cast<int32_t>(8 + body.size())) + body;
    m_peer->Send(packet);
    std::string got = ReceivePacket();
    ASSERT_EQ(got, packet);
    int nType = -1;
    ASSERT_EQ(PKT_AnalyPacket(&nType, got.data(), static_cast<int>(got.size())), PKT_ANALY_OK);
    EXPECT_EQ(nType, ePKTYPE_BUYGAME_ANDSTATUS);
    int nErr = -1;
    int32_t nFirst = 0;
    char* p = PKT_Get_BuyGameAndStatus(&nErr, &nFirst, got.data(), static_cast<int>(got.size()));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(nErr, 0);
    EXPECT_EQ(nFirst, 4242);
    EXPECT_EQ(std::string(p + 4), "GAME0001");
    std::free(p);
}

TEST_F(CommuTest, APeerCloseGivesItsErrorAndClearsTheFlags)
{
    Connect();
    m_peer->Close();
    ASSERT_TRUE(Pump([] { return Seen(FD_CLOSE); }));
    ASSERT_EQ(COMMU_IsReadable(), 1);
    char buf[64];
    int n = -1, nErr = -1;
    EXPECT_EQ(COMMU_Receive2(&n, &nErr, buf, sizeof(buf)), 0);
    EXPECT_EQ(nErr, COMMU_ERR_CLOSED);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(COMMU_IsConnected(), 0);
    EXPECT_EQ(COMMU_IsReadable(), 0);
    EXPECT_EQ(COMMU_IsWritable(), 0);
    // The layer connects again afterwards, with fresh flags.
    ASSERT_EQ(COMMU_Connect2(kAddr, m_peer->Port(), WMU_SOCKET, m_hWnd, kEvents), 1);
    EXPECT_EQ(COMMU_IsReadable(), 0);
    EXPECT_EQ(COMMU_IsWritable(), 0);
    ASSERT_TRUE(m_peer->Accept());
    ASSERT_TRUE(Pump([] { return COMMU_IsWritable() != 0; }));
}

TEST_F(CommuTest, ASendLargerThanTheSocketBuffersGoesWhole)
{
    Connect();
    // More than the socket buffers hold: the send runs into a full buffer
    // and must go on once the peer reads, until every byte is gone.
    std::string data(24 * 1024 * 1024, '\0');
    for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<char>((i * 131) >> 7);
    std::string got;
    std::thread reader([&] {
        Sleep(300);
        got = m_peer->RecvExact(data.size());
    });
    int nErr = -1;
    int bRet = COMMU_Send(&nErr, data.data(), static_cast<int>(data.size()));
    reader.join();
    EXPECT_EQ(bRet, 1);
    EXPECT_EQ(nErr, 0);
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
    EXPECT_EQ(COMMU_IsConnected(), 1);
}

TEST_F(CommuTest, ASendThatWouldBlockBeforeAnyByteIsTheSendError)
{
    Connect();
    ASSERT_TRUE(Pump([] { return g_sock != 0; }));
    // Fill the socket's buffers behind the layer's back while the peer reads
    // nothing: the owner still believes the socket writable.
    std::string fill(64 * 1024, 'f');
    int nFilled = 0;
    for (int i = 0; i < 4096; i++) {
        int r = send(static_cast<SOCKET>(g_sock), fill.data(), static_cast<int>(fill.size()), 0);
        if (r == SOCKET_ERROR) break;
        nFilled += r;
    }
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK) << nFilled << " bytes filled";
    ASSERT_EQ(COMMU_IsWritable(), 1);
    int nErr = -1;
    EXPECT_EQ(COMMU_Send(&nErr, "packet", 6), 0);
    EXPECT_EQ(nErr, COMMU_ERR_SEND);
    EXPECT_EQ(COMMU_IsConnected(), 0);
    EXPECT_EQ(COMMU_IsWritable(), 0);
}

TEST_F(CommuTest, FailuresAreReported)
{
    // Started once only; no connect or close without a started layer.
    EXPECT_EQ(COMMU_Init(), 0);
    int nListenPort = m_peer->Port();
    delete m_peer;   // its sockets do not outlive the cleanup
    m_peer = nullptr;
    COMMU_Term();
    EXPECT_EQ(COMMU_Connect2(kAddr, nListenPort, WMU_SOCKET, m_hWnd, kEvents), 0);
    EXPECT_EQ(COMMU_CloseSocket(), 0);
    ASSERT_EQ(COMMU_Init(), 1);
    m_peer = new Peer();
    // A port nobody listens on: the connect starts, its notification carries
    // the refusal, and the layer closes the socket.
    int nPort = 0;
    {
        Peer gone;
        nPort = gone.Port();
    }
    ASSERT_EQ(COMMU_Connect2(kAddr, nPort, WMU_SOCKET, m_hWnd, kEvents), 1);
    ASSERT_TRUE(Pump([] { return Seen(FD_CONNECT); }));
    EXPECT_EQ(COMMU_IsConnected(), 0);
    // A peer that went away: the send fails with its error and closes.
    Connect();
    m_peer->Close();
    ASSERT_TRUE(Pump([] { return Seen(FD_CLOSE); }));
    int nErr = -1;
    std::string junk(64 * 1024, 'j');
    int bRet = 1;
    for (int i = 0; i < 50 && bRet; i++) bRet = COMMU_Send(&nErr, junk.data(), static_cast<int>(junk.size()));
    EXPECT_EQ(bRet, 0);
    EXPECT_EQ(nErr, COMMU_ERR_SEND);
    EXPECT_EQ(COMMU_IsConnected(), 0);
}

}  // namespace
