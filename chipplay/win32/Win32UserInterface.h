// Win32UserInterface: the player's windows and sound output on Windows. It
// owns the main window, the DirectSound device and, when "debug" of section
// "config" is not 0, the debug monitor window; the Player reaches them only
// through the UserInterface calls.
//
//   Win32UserInterface* ui = new Win32UserInterface(instance);
//   Player* player = new Player();
//   if (player->initialize(ui, argc, argv)) code = player->run();   // ui->initialize, ui->run
//   player->terminate();                                          // ui->terminate
//   delete player; delete ui;
//
// setStatus, setMask, notifyRecord, update and requestNext come from the
// player thread inside a tick; they reach the main window's own lock or
// post a message.
//
// terminate runs after the message loop has ended; windows that post the
// quit message as they go (the debug monitor always, the main window when
// the loop ended otherwise) would leave it for the next wait for messages,
// such as the box of an error reported during the shut-down, which would
// vanish unseen. terminate discards what its own teardown posted.
#pragma once

#include "UserInterface.h"
#include "Win32AudioDeviceDS.h"

#include <windows.h>

#include <string>

class Win32DebugMonitor;
class Win32MainWindow;

class Win32UserInterface : public UserInterface {
public:
    explicit Win32UserInterface(HINSTANCE instance);
    ~Win32UserInterface() override;

    bool initialize(Player* player, Config* config) override;
    bool terminate() override;
    int32_t run() override;
    std::string getTitle() override { return mTitle; }
    void setTitle(const std::string& text) override { mTitle = text; }
    AudioDevice* getAudioDevice() override { return mAudioDevice; }
    void setStatus(const PlayerStatus* status) override;
    void setMask(uint32_t mask) override;
    void notifyRecord(int32_t value) override;
    void update() override;
    void requestNext(bool repeatAll) override;

    Win32MainWindow* getMainWindow() { return mMainWindow; }
    Win32DebugMonitor* getDebugMonitor() { return mDebugMonitor; }

private:
    HINSTANCE mInstance;
    std::string mTitle;
    Player* _player;
    Config* _config;
    Win32MainWindow* mMainWindow;
    Win32AudioDeviceDS* mAudioDevice;
    Win32DebugMonitor* mDebugMonitor;
};
