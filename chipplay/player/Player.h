// Player: the heart of the music player. It opens the data source (a music
// archive or a folder), merges its configuration with the player's own,
// owns the sound machine (VM) and runs the player thread: every 32 ms the
// thread advances the machine by exactly the time the audio device can take,
// renders it, writes it to the device, feeds the spectrum and the WAV
// recorder and hands the user interface a snapshot that lags by the output
// latency (eight ticks of 32 ms = 256 ms), so the window shows what is heard.
//
//   RegisterPC88Drivers(); RegisterX1Drivers();   // the program's drivers, before initialize
//   Player* player = new Player();
//   if (player->initialize(ui, argc, argv)) code = player->run();
//   player->terminate();
//   delete player;
//
// Command line: chipplay [-d] [folder] [screenshot]; "-d" deletes the music
// archive after every window and the sound output are gone (a folder stays).
//
// A song runs through phases while playing with automatic advance on, and
// always while recording: 1 body ("length") -> 2 fade ("fadeout"; the
// machine fades) -> 3 gap ("wait"; the machine is stopped unless wait is -1)
// -> the user interface is asked for the next song every tick until it
// starts one. A recording ends after the fade and never enters the gap.
// Times are int64 microseconds; a negative length or fade-out counts as 0,
// a wait below -1 as 0, and a length of 0 as 1 us.
//
// Threads: the window thread calls every public operation; the timer thread
// only puts a tick into the request queue; the player thread runs the ticks
// under the Player's lock (then the VM's and the main window's, in that
// order), except the audio device's calls, made outside it so that a device
// error box never holds the window thread up. The flags auto-advance and
// repeat-all are read and written without a lock.
#pragma once

#include "Object.h"
#include "PlayerStatus.h"

#include <cstdint>
#include <string>

class Archive;
class Config;
class ConfigEntry;
class DebugMonitor;
class FFT;
class RequestQueue;
class Thread;
class UserInterface;
class VM;
class WaveWriter;
struct ChipInfo;

class Player : public virtual Object {
public:
    enum { STATE_PLAY = 1, STATE_STOP = 2, STATE_PAUSE = 3, STATE_RECORD = 4 };
    enum { PHASE_NONE = 0, PHASE_BODY = 1, PHASE_FADE = 2, PHASE_GAP = 3 };
    enum {
        SAMPLE_RATE = 44100,
        MAX_FRAMES = 88200,      // two seconds: the most one tick renders
        STATUS_RING = 8,         // snapshots: 8 ticks of 32 ms = the latency
        QUEUE_CAPACITY = 1024,
        TICK_PERIOD_US = 32000,
    };
    static constexpr int64_t LATENCY_US = 256000;

    Player();
    ~Player() override;

    bool initialize(UserInterface* _ui, int argc, const char* const argv[]);
    bool terminate();
    int32_t run();

    int32_t getState();
    bool play(ConfigEntry* _ent, bool record, const std::string& path);   // path "" = title + ".wav"
    void pause();
    bool stop(bool keepPlaying);
    void getTime(int64_t* position, int64_t* total);

    void setAutoAdvance(bool on) { mAutoAdvance = on; }
    bool getAutoAdvance() { return mAutoAdvance; }
    void setRepeatAll(bool on) { mRepeatAll = on; }
    bool getRepeatAll() { return mRepeatAll; }

    int32_t getMaxVolume();
    int32_t getMinVolume();
    bool setVolume(int32_t volume);

    bool setTempo(int32_t tempo);
    int32_t getTempo();
    int32_t getChipCount();
    ChipInfo* getChipState(int32_t index);
    uint32_t getMask();
    bool setMask(uint32_t mask);
    bool dump(DebugMonitor* monitor, int32_t page);

    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

private:
    static int threadProc(void* _arg);
    static void tickHandler(void* _param);
    // One tick; false when the audio device failed (the recording, if any,
    // is closed by then and the Player's lock released).
    bool onTick();
    // Closes the recording and tells the user interface how it ended.
    void finishRecording(bool complete);
    // Ends a recording in progress with its error (the device failed).
    void failRecording();
    void updateStatus(const int32_t* buffer, int32_t frames);
    void updateTime(int64_t elapsed);
    // Machine time until the body or the fade ends, where they run; 0 elsewhere.
    int64_t phaseTimeLeft() const;

    bool mInitialized;
    int32_t mState;
    Archive* mArchive;
    Config* mConfig;
    bool mDeleteArchive;
    UserInterface* mUI;
    Thread* mThread;
    RequestQueue* mReqQ;
    VM* mVM;
    int32_t mSampleRate;
    int64_t mLatency;
    int32_t mMaxFrames;
    int32_t* mRenderBuffer;   // mMaxFrames frames, left and right interleaved
    volatile bool mAutoAdvance;
    volatile bool mRepeatAll;
    int32_t mPhase;
    int64_t mPhaseTime;
    int64_t mPlayTime;
    int64_t mLength;
    int64_t mFadeOut;
    int64_t mWait;
    bool mNoStop;
    FFT* mFFT;
    WaveWriter* mWaveWriter;
    int32_t mStatusIndex;
    PlayerStatus mStatus[STATUS_RING];
};
