// playrun: plays one song of a music archive through the player engine, as
// chipplay.exe drives it (the player thread, the 32-ms tick, DirectSound
// 256 ms ahead), with a console for a user interface.
//
//   playrun <archive> <song> <seconds> [out.wav]
//
//   archive   a folder, a ".kzd" or ".zip" file (as the player's own argument)
//   song      the N-th entry (from 1) of section "title"
//   seconds   how long to run (fractions allowed); the run also ends when the
//             song asks for the next one or its recording is finished
//   out.wav   record the song (the player's own recording: it ends after the fade)
//
// Once a second one line goes to standard output:
//   t <s> pos <mm:ss.t>/<mm:ss.t> state <n> lead <ms> min <ms> late <n>
// (state 1 play, 2 stop, 3 pause, 4 record; lead: how far the written sound
// ran ahead of the play cursor at the last tick, min: the smallest since the
// start, late: ticks that found the cursor already past what was written).
// The last line sums up the same figures with "end" and adds the process's
// CPU time per wall-clock second since the song started ("cpu <s/s>", all
// threads: the player, the timer, DirectSound's mixer; start-up not counted). Errors go where the
// player's always go (chipplay-error.log in the current folder, the "error
// log" window, a message box) and also to standard error.
// Exit codes: 0 done, 1 the engine could not start, 2 a wrong command line.
//
// A hidden window gives DirectSound its cooperative level and the program its
// message loop; the console interface only prints and posts. The lines come
// from a thread of their own: asking the player for its time takes the
// Player's lock, which the player thread holds through a whole tick, also
// while an error box of that tick is open. The window thread must keep
// pumping meanwhile (the "error log" window is refreshed through it).

#include "Config.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "Player.h"
#include "UserInterface.h"
#include "Win32AudioDeviceDS.h"
#include "Win32LogWindow.h"
#include "Win32System.h"
#include "Win32Window.h"
#include "X1Driver.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: playrun <archive> <song> <seconds> [out.wav]\n";

// Posted by the player thread; the window thread acts on them.
const UINT kSongOver = WM_APP + 1;
const UINT kRecordDone = WM_APP + 2;
const UINT kTimeUp = WM_APP + 3;

// The player's errors reach the console as well as the usual outputs.
class ConsoleSystem : public Win32System {
protected:
    void showErrorBox(const char* text) override
    {
        std::fputs(text, stderr);
        std::fflush(stderr);
        Win32System::showErrorBox(text);
    }
};

class ConsoleUI;

class HiddenWindow : public Win32Window {
public:
    explicit HiddenWindow(ConsoleUI* ui) : mUI(ui) {}
    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    ConsoleUI* mUI;
};

class ConsoleUI : public UserInterface {
public:
    ConsoleUI(int song, double seconds, const std::string& wav)
        : mSong(song), mSeconds(seconds), mWav(wav), mPlayer(nullptr), mConfig(nullptr), mWindow(this),
          mTitle("TIV VELQA PLAYER"), mSongOverPosted(false), mRecordResult(0), mStart(0), mStartCpu(0), mEnded(false),
          mStopReporter(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~ConsoleUI() override { CloseHandle(mStopReporter); }

    bool initialize(Player* player, Config* config) override
    {
        mPlayer = player;
        mConfig = config;
        WNDCLASSEXA wc = {};
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TIV PLAYRUN";
        if (!mWindow.registerClass(wc)) return false;
        if (!mWindow.create("TIV PLAYRUN", "playrun", WS_OVERLAPPED, 0, 0, 0, 100, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr))
            return false;
        return mDevice.create(mWindow.getHandle(), Player::SAMPLE_RATE);
    }

    bool terminate() override
    {
        mDevice.destroy();
        mWindow.destroy();
        return true;
    }

    int32_t run() override
    {
        const std::vector<ConfigEntry*>* titles = mConfig->getEntries("title");
        if (titles == nullptr || mSong < 1 || mSong > static_cast<int>(titles->size())) {
            std::fprintf(stderr, "playrun: the archive has no song %d\n", mSong);
            return 1;
        }
        mStart = GetTickCount();
        mStartCpu = CpuSeconds();
        if (!mPlayer->play((*titles)[static_cast<size_t>(mSong - 1)], !mWav.empty(), mWav)) {
            std::fprintf(stderr, "playrun: song %d did not start\n", mSong);
            return 1;
        }
        HANDLE reporter = CreateThread(nullptr, 0, &ConsoleUI::reporterProc, this, 0, nullptr);
        MSG msg;
        while (!mEnded && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        SetEvent(mStopReporter);
        if (reporter != nullptr) {
            WaitForSingleObject(reporter, INFINITE);
            CloseHandle(reporter);
        }
        print("end");
        mPlayer->stop(false);
        std::printf("cpu %.4f s/s over %.1f s\n", (CpuSeconds() - mStartCpu) / WallSeconds(), WallSeconds());
        if (mRecordResult.load() == RECORD_ERROR) return 1;
        return 0;
    }

    std::string getTitle() override { return mTitle; }
    void setTitle(const std::string& text) override { mTitle = text; }
    AudioDevice* getAudioDevice() override { return &mDevice; }
    void setStatus(const PlayerStatus*) override {}
    void setMask(uint32_t) override {}
    void update() override {}

    void notifyRecord(int32_t value) override
    {
        if (value >= 0) return;
        mRecordResult = value;
        PostMessageA(mWindow.getHandle(), kRecordDone, 0, 0);
    }

    void requestNext(bool) override
    {
        // Asked again every tick until another song starts: one notice is enough.
        if (!mSongOverPosted.exchange(true)) PostMessageA(mWindow.getHandle(), kSongOver, 0, 0);
    }

    // On the window thread.
    void onTimeUp() { mEnded = true; }
    void onSongOver()
    {
        std::printf("song over\n");
        mEnded = true;
    }
    void onRecordDone()
    {
        std::printf(mRecordResult.load() == RECORD_FINISHED ? "recording finished\n" : "recording failed\n");
        mEnded = true;
    }

private:
    // Once a second a line, until the time is up or the run ends otherwise.
    static DWORD WINAPI reporterProc(void* arg)
    {
        ConsoleUI* self = static_cast<ConsoleUI*>(arg);
        while (WaitForSingleObject(self->mStopReporter, 1000) == WAIT_TIMEOUT) {
            self->print("t");
            if (static_cast<double>(GetTickCount() - self->mStart) / 1000.0 >= self->mSeconds) {
                PostMessageA(self->mWindow.getHandle(), kTimeUp, 0, 0);
                break;
            }
        }
        return 0;
    }

    static std::string Clock(int64_t us)
    {
        char text[32];
        int64_t tenths = us / 100000;
        std::snprintf(text, sizeof text, "%02lld:%02lld.%lld", static_cast<long long>(tenths / 600),
                      static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
        return text;
    }
    static double CpuSeconds()
    {
        FILETIME created, exited, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
        ULARGE_INTEGER k, u;
        k.LowPart = kernel.dwLowDateTime;
        k.HighPart = kernel.dwHighDateTime;
        u.LowPart = user.dwLowDateTime;
        u.HighPart = user.dwHighDateTime;
        return static_cast<double>(k.QuadPart + u.QuadPart) / 1e7;
    }
    double WallSeconds() const { return static_cast<double>(GetTickCount() - mStart) / 1000.0; }
    static double Ms(int32_t frames) { return frames * 1000.0 / Player::SAMPLE_RATE; }

    void print(const char* what)
    {
        int64_t position = 0, total = 0;
        mPlayer->getTime(&position, &total);
        int32_t smallest = mDevice.getSmallestLead();
        std::printf("%s %.1f pos %s/%s state %d lead %.1f min %.1f late %lld\n", what,
                    static_cast<double>(GetTickCount() - mStart) / 1000.0, Clock(position).c_str(),
                    Clock(total).c_str(), mPlayer->getState(), Ms(mDevice.getLead()),
                    smallest == INT32_MAX ? 0.0 : Ms(smallest), static_cast<long long>(mDevice.getLateTicks()));
        std::fflush(stdout);
    }

    int mSong;
    double mSeconds;
    std::string mWav;
    Player* mPlayer;
    Config* mConfig;
    HiddenWindow mWindow;
    Win32AudioDeviceDS mDevice;
    std::string mTitle;
    std::atomic<bool> mSongOverPosted;
    std::atomic<int32_t> mRecordResult;
    DWORD mStart;   // differences of GetTickCount survive its wrap
    double mStartCpu;
    bool mEnded;
    HANDLE mStopReporter;
};

LRESULT HiddenWindow::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kTimeUp:
        mUI->onTimeUp();
        return 0;
    case kSongOver:
        mUI->onSongOver();
        return 0;
    case kRecordDone:
        mUI->onRecordDone();
        return 0;
    default:
        return Win32Window::wndProc(hwnd, msg, wParam, lParam);
    }
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    char* end = nullptr;
    long song = std::strtol(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || song < 1 || song > 9999) {
        std::fprintf(stderr, "playrun: the song must be a number from 1, not '%s'\n%s", argv[2], kUsage);
        return 2;
    }
    double seconds = std::strtod(argv[3], &end);
    if (*argv[3] == '\0' || *end != '\0' || !(seconds > 0) || seconds > 36000) {
        std::fprintf(stderr, "playrun: the seconds must be a number above 0, not '%s'\n%s", argv[3], kUsage);
        return 2;
    }
    std::string wav = argc == 5 ? argv[4] : "";

    RegisterPC88Drivers();
    RegisterX1Drivers();
    ConsoleSystem* system = new ConsoleSystem();
    System::setInstance(system);
    Win32LogWindow* log = new Win32LogWindow(GetModuleHandleA(nullptr));
    log->startErrorLog(*system);
    ConsoleUI* ui = new ConsoleUI(static_cast<int>(song), seconds, wav);
    Player* player = new Player();
    const char* args[] = {"playrun", argv[1]};
    int code = 1;
    if (player->initialize(ui, 2, args)) code = player->run();
    else std::fprintf(stderr, "playrun: the player could not start with %s\n", argv[1]);
    player->terminate();
    delete player;
    delete ui;
    log->stopErrorLog(*system);
    delete log;
    System::terminate();
    return code;
}
