// A refused packet type on Windows: the member sees a box without owner,
// captioned "Msg", that names the type and the code (ZVQ:039).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "pkt.h"
#include "testdir.h"
#include "winprobe.h"

namespace {

TEST(PktBox, ARefusedTypeShowsTheZvq039Box)
{
    TestDir dir;
    char packet[8];
    const int32_t type = 28, size = 8;   // a client's own type coming back from the service
    std::memcpy(packet, &type, 4);
    std::memcpy(packet + 4, &size, 4);
    int nRet = -1;
    std::thread t([&] { nRet = PKT_AnalyPacket(nullptr, packet, sizeof(packet)); });
    HWND hBox = Probe_WaitWindow("#32770", "Msg", 20000);
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(Probe_MessageBoxText(hBox), "PKT_AnalyPacket::received abnormal packetid[28](ZVQ:039)");
    EXPECT_EQ(GetWindow(hBox, GW_OWNER), nullptr);
    Probe_PressButton(hBox, IDOK);
    t.join();
    EXPECT_EQ(nRet, PKT_ANALY_REFUSED);
}

}  // namespace
