// playrun under Wine: the player engine as chipplay.exe drives it (player
// thread, 32-ms tick, DirectSound) records a song that sounds like
// songrender's render of it, and an error raised by the song's driver while it
// plays (on the player thread, inside a tick) reaches the message box, the
// "error log" window and chipplay-error.log, after which the run ends by itself.
#include "run_program.h"
#include "testdir.h"
#include "wav_frames.h"
#include "winprobe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int kRate = 44100;
const int kTickFrames = kRate * 32 / 1000;   // 1411: one tick of the player
const int kWindow = kRate / 50;              // 20 ms: Envelope's window

// A copy of a test archive whose config.txt gets `edit` applied.
void CopyArchive(const std::string& from, const std::string& to, const std::string& find, const std::string& put)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(HostPath(from + "/*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << from;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = fd.cFileName;
        ASSERT_TRUE(CopyFileA(HostPath(from + "/" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) << name;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::string config = ReadAll(to + "\\config.txt");
    size_t at = config.find(find);
    ASSERT_NE(at, std::string::npos) << find;
    config.replace(at, find.size(), put);
    WriteAll(to + "\\config.txt", config);
}

TEST(Playrun, RecordingSoundsLikeSongrendersRender)
{
    TestDir dir;
    // Song 3 of the OPNA archive (FM, SSG, ADPCM and rhythm at once) with a
    // 3 s body and a 1 s fade-out: the recording ends by itself after 4 s.
    CopyArchive(std::string(MUSIC_DIR) + "/pc88_opna", dir.path() + "short", "title=everything,code=3,adpcm=1",
                "title=everything,code=3,adpcm=1,length=3000,fadeout=1000");
    ProgramResult played = RunProgram(HostPath(PLAYRUN), {"short", "3", "30", "rec.wav"});
    ASSERT_EQ(played.exitCode, 0) << played.out << played.err;
    EXPECT_NE(played.out.find("recording finished"), std::string::npos) << played.out;
    EXPECT_NE(played.out.find("state 4"), std::string::npos) << played.out;   // it said it was recording
    std::vector<int32_t> rec = WavFrames(ReadAll("rec.wav"));
    ASSERT_FALSE(rec.empty()) << "no 44100 Hz 16-bit stereo WAV";

    ProgramResult rendered = RunProgram(HostPath(SONGRENDER), {"short", "3", "3", "ref.wav"});
    ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
    std::vector<int32_t> ref = WavFrames(ReadAll("ref.wav"));
    ASSERT_EQ(ref.size(), static_cast<size_t>(3 * kRate * 2));

    // Body and fade: 4 s, give or take two ticks.
    EXPECT_NEAR(static_cast<double>(rec.size() / 2), 4.0 * kRate, 2.0 * kTickFrames);

    // Both start the song at the machine's time 0.
    size_t recStart = FirstSound(rec), refStart = FirstSound(ref);
    ASSERT_LT(refStart, static_cast<size_t>(kRate));
    EXPECT_NEAR(static_cast<double>(recStart), static_cast<double>(refStart), 2.0 * kTickFrames);

    // The body's 20-ms loudness, window by window, within 1 dB (the fade
    // after 3 s is the player's own and songrender has none).
    std::vector<double> a = Envelope(rec, recStart), b = Envelope(ref, refStart);
    size_t body = (3 * kRate - refStart) / kWindow - 1;
    ASSERT_GE(a.size(), body);
    ASSERT_GE(b.size(), body);
    // Windows in which a note starts or ends, in either recording, are left
    // out: the player renders in blocks of whatever the device takes, so an
    // edge may fall a few samples apart from songrender's (the offset below
    // says how far), sometimes into the next window.
    auto steady = [](const std::vector<double>& e, size_t w) {
        return std::fabs(e[w] - e[w - 1]) <= 3 && std::fabs(e[w + 1] - e[w]) <= 3;
    };
    int compared = 0;
    for (size_t w = 1; w + 1 < body; w++) {
        if (a[w] < -60 && b[w] < -60) continue;   // silence on both sides
        if (!steady(a, w) || !steady(b, w)) continue;
        compared++;
        EXPECT_NEAR(a[w], b[w], 1.0) << "20-ms window " << w << " after the first sound (offset "
                                     << static_cast<long>(recStart) - static_cast<long>(refStart) << " frames)";
    }
    std::printf("%d steady windows compared, start offset %ld frames\n", compared,
                static_cast<long>(recStart) - static_cast<long>(refStart));
    EXPECT_GT(compared, 60);   // most of the body, not just its silences and edges
}

TEST(Playrun, AnErrorDuringPlayReachesEveryOutputAndTheRunEnds)
{
    TestDir dir;
    std::string archive = HostPath(std::string(HOSTILE_DIR) + "/pc88-song-offset-past-chunk");
    HANDLE p = Probe_Start(HostPath(PLAYRUN), "playrun \"" + archive + "\" 1 5", dir.path());
    ASSERT_NE(p, nullptr);
    HWND box = Probe_WaitWindow("#32770", "TIV VELQA SOUND PLAYER (ERROR)", 30000);
    ASSERT_NE(box, nullptr) << "no error box";
    std::string text = Probe_MessageBoxText(box);
    EXPECT_EQ(text.rfind("[PC88]", 0), 0u) << text;

    // The log window shows it while the box is up: the box holds the player
    // thread (and the Player's lock), the window thread goes on pumping.
    HWND log = Probe_WaitWindow(nullptr, "error log", 30000);
    ASSERT_NE(log, nullptr) << "no error log window";
    HWND edit = FindWindowExA(log, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    std::string shown;
    EXPECT_TRUE(Probe_WaitFor([&] {
        char buf[4096] = {};
        SendMessageTimeoutA(edit, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                            nullptr);
        shown = buf;
        return IsWindowVisible(log) && shown.find(text.substr(0, text.size() - 1)) != std::string::npos;
    }, 30000)) << "the log window shows: " << shown;

    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(p, 30000), 0);   // no hang: the run goes on and ends by itself
    CloseHandle(p);
    Probe_KillAll();
    std::string logFile = ReadAll(dir.file("chipplay-error.log"));
    EXPECT_NE(logFile.find("OS: "), std::string::npos) << logFile;
    EXPECT_NE(logFile.find(text.substr(0, text.size() - 1)), std::string::npos) << logFile;
}

}   // namespace
