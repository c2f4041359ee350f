#include "Win32UserInterface.h"

#include "Config.h"
#include "System.h"
#include "Win32MainWindow.h"

#include <new>

namespace {
const char kSource[] = "win32/Win32UserInterface.cpp";
}

Win32UserInterface::Win32UserInterface(HINSTANCE instance)
    : mInstance(instance), mTitle("TIV VELQA PLAYER"), _player(nullptr), _config(nullptr),
      mMainWindow(new (std::nothrow) Win32MainWindow()), mAudioDevice(new (std::nothrow) Win32AudioDeviceDS())
{
}

Win32UserInterface::~Win32UserInterface()
{
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
    // The debug monitor ("debug" of section "config") is not part of this
    // program yet: the setting is read and has no window to open.
    return true;
}

bool Win32UserInterface::terminate()
{
    SYSTEM_CHECK(kSource, mMainWindow != NULL, false);
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
