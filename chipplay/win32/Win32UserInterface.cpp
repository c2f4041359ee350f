#include "Win32UserInterface.h"

#include "Config.h"
#include "System.h"
#include "Win32DebugMonitor.h"
#include "Win32MainWindow.h"

#include <new>

namespace {
const char kSource[] = "win32/Win32UserInterface.cpp";

// Takes away, when it goes, a quit message that arrived while it lived; one
// that was already waiting is left alone.
class QuitDiscard {
public:
    QuitDiscard() : mWasWaiting(HasQuit(PM_NOREMOVE)) {}
    ~QuitDiscard()
    {
        if (!mWasWaiting) HasQuit(PM_REMOVE);
    }

private:
    static bool HasQuit(UINT how)
    {
        MSG msg;
        return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, how) != FALSE;
    }
    bool mWasWaiting;
};
}

Win32UserInterface::Win32UserInterface(HINSTANCE instance)
    : mInstance(instance), mTitle("TIV VELQA PLAYER"), _player(nullptr), _config(nullptr),
      mMainWindow(new (std::nothrow) Win32MainWindow()), mAudioDevice(new (std::nothrow) Win32AudioDeviceDS()),
      mDebugMonitor(nullptr)
{
}

Win32UserInterface::~Win32UserInterface()
{
    delete mDebugMonitor;
    delete mAudioDevice;
    delete mMainWindow;
}

bool Win32UserInterface::initialize(Player* player, Config* config)
{
    _player = player;
    _config = config;
    SYSTEM_CHECK(kSource, _player != NULL, false);
    SYSTEM_CHECK(kSource, _config != NULL, false);
    SYSTEM_CHECK(kSource, mMainWindow != NULL, false);
    SYSTEM_CHECK(kSource, mAudioDevice != NULL, false);
    if (!mMainWindow->create(mInstance, player, config)) return false;
    if (!mAudioDevice->create(mMainWindow->getHandle(), 44100)) return false;
    if (config->getInt("config", "debug", 0) != 0) {
        mDebugMonitor = new (std::nothrow) Win32DebugMonitor();
        SYSTEM_CHECK(kSource, mDebugMonitor != NULL, false);
        if (!mDebugMonitor->create("デバッグモニター", mInstance, player, 50, 0)) return false;
    }
    return true;
}

bool Win32UserInterface::terminate()
{
    SYSTEM_CHECK(kSource, mMainWindow != NULL, false);
    QuitDiscard discard;
    if (mDebugMonitor != nullptr && !mDebugMonitor->destroy()) return false;
    if (mAudioDevice != nullptr && !mAudioDevice->destroy()) return false;
    mMainWindow->release();
    return true;
}

int32_t Win32UserInterface::run()
{
    SYSTEM_CHECK(kSource, mMainWindow != NULL, -1);
    return mMainWindow->run();
}

void Win32UserInterface::setStatus(const PlayerStatus* status)
{
    if (mMainWindow != nullptr) mMainWindow->setStatus(status);
}

void Win32UserInterface::setMask(uint32_t mask)
{
    if (mMainWindow != nullptr) mMainWindow->setMask(mask);
}

void Win32UserInterface::notifyRecord(int32_t value)
{
    if (mMainWindow != nullptr) mMainWindow->notifyRecord(value);
}

void Win32UserInterface::update()
{
    if (mMainWindow != nullptr) mMainWindow->update();
}

void Win32UserInterface::requestNext(bool repeatAll)
{
    // The Player asks while a song plays; the window thread picks the song.
    if (mMainWindow != nullptr) mMainWindow->requestNext(repeatAll, true, true);
}
