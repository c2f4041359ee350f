// UserInterface: the player's only way to the windows and the sound output.
// The Windows implementation is Win32UserInterface; tests give the player a
// small one of their own.
//
//   Player* player = new Player();
//   player->initialize(ui, argc, argv);   // calls ui->initialize(player, config)
//   int code = player->run();             // ui->run(): the message loop
//   player->terminate();                  // calls ui->terminate()
//
// Threads: initialize, terminate, run, the title and getAudioDevice are
// called on the window thread. setStatus, update, notifyRecord and
// requestNext come from the player thread inside a tick while it holds the
// Player's lock: they must only copy, draw under their own lock or post a
// message, and never call back into the Player from that thread.
#pragma once

#include "Object.h"

#include <cstdint>
#include <string>

class AudioDevice;
class Config;
class Player;
struct PlayerStatus;

class UserInterface : public virtual Object {
public:
    // Recording progress values other than 0..100 (notifyRecord).
    enum { RECORD_FINISHED = -2, RECORD_ERROR = -3 };

    // Operations in this order.
    virtual bool initialize(Player* player, Config* config) = 0;   // build the windows and the device
    virtual bool terminate() = 0;                                   // destroy them
    virtual int32_t run() = 0;                                      // the message loop; the exit code
    virtual std::string getTitle() = 0;
    virtual void setTitle(const std::string& text) = 0;
    virtual AudioDevice* getAudioDevice() = 0;
    virtual void setStatus(const PlayerStatus* status) = 0;         // the snapshot, to be copied
    virtual void setMask(uint32_t mask) = 0;                        // the channel mute mask changed
    virtual void notifyRecord(int32_t value) = 0;                   // 0..100, -2 finished, -3 error
    virtual void update() = 0;                                      // redraw after a tick
    virtual void requestNext(bool repeatAll) = 0;                   // the song's time is over
};
