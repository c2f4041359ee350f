// The Player end to end over the player_phases archive of tests/music: the
// real player thread, request queue, machine, driver and Z80 program, with
// the tick fired by the test and a device that takes a fixed number of
// frames a tick (441 = 10 ms, so every tick moves the song by 10000 us).
#include "Config.h"
#include "Player.h"
#include "RegisterDrivers.h"
#include "RequestQueue.h"
#include "X1Driver.h"
#include "player_fakes.h"
#include "run_program.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const int32_t kBlock = 441;   // 10 ms a tick

std::string PhasesDir()
{
    return std::string(MUSIC_DIR) + "/player_phases";
}

// The song's position after whole ticks of 10 ms. The machine runs each
// span to the end of the instruction that crosses it, so its clock (and
// with it the position) may stand a few microseconds past the span's end.
#define EXPECT_TIME(actual, expected)                  \
    do {                                               \
        const int64_t a_ = (actual), e_ = (expected);  \
        EXPECT_GE(a_, e_);                             \
        EXPECT_LE(a_, e_ + 50);                        \
    } while (0)

uint32_t Le32(const std::string& b, size_t at)
{
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// One player with its own test system; a test runs one after another (each
// replaces the installed System).
struct Rig {
    PlayerTestSystem* sys;
    std::unique_ptr<FakeUI> ui;
    std::unique_ptr<Player> player;
    bool terminated = false;

    Rig() : sys(new PlayerTestSystem())
    {
        System::terminate();
        System::setInstance(sys);
        RegisterX1Drivers();
        ui.reset(new FakeUI());
        player.reset(new Player());
    }
    ~Rig()
    {
        if (!terminated && player) player->terminate();
        for (const std::string& a : sys->assertions()) ADD_FAILURE() << "assertion " << a;
        player.reset();
        ui.reset();
        System::terminate();
    }

    // Initialises with these arguments after the program name; the first
    // tick (filling the device before it starts) has run when it returns.
    bool start(std::vector<std::string> args = {PhasesDir()})
    {
        std::vector<const char*> argv = {"chipplay"};
        for (const std::string& a : args) argv.push_back(a.c_str());
        if (!player->initialize(ui.get(), static_cast<int>(argv.size()), argv.data())) return false;
        return ui->waitUpdates(1) && (player->getState(), true);
    }

    // Fires n ticks, each waited for to its end: the write to the device,
    // which comes last when the device takes frames, and the Player's lock,
    // which the tick holds for everything else.
    void tick(int n = 1)
    {
        for (int i = 0; i < n; i++) {
            const int next = ui->updates() + 1;
            const int writes = ui->device.writes() + (ui->device.framesPerTick > 0 ? 1 : 0);
            ASSERT_TRUE(sys->fire());
            ASSERT_TRUE(ui->waitUpdates(next)) << "tick " << next << " never ran";
            ASSERT_TRUE(ui->device.waitWrites(writes)) << "tick " << next << " never wrote";
            player->getState();
        }
    }
    int ticks() { return ui->updates() - 1; }   // after the first one

    ConfigEntry* song(int n)
    {
        const std::vector<ConfigEntry*>* titles = ui->config->getEntries("title");
        return (*titles)[static_cast<size_t>(n - 1)];
    }
    bool play(int n, bool record = false, const std::string& path = "")
    {
        return player->play(song(n), record, path);
    }
    int64_t position()
    {
        int64_t p = -1;
        player->getTime(&p, nullptr);
        return p;
    }
    int64_t total()
    {
        int64_t t = -1;
        player->getTime(nullptr, &t);
        return t;
    }
    bool quit()
    {
        terminated = true;
        return player->terminate();
    }
};

// Songs of player_phases (tests/music/player_phases/config.txt).
enum {
    SONG_PHASES = 1,       // 300 ms, fade-out 200 ms, wait 100 ms
    SONG_NO_WAIT = 2,      // 300 ms, 200 ms, wait -1
    SONG_NO_FADE = 3,      // 300 ms, fade-out 0, wait 200 ms
    SONG_LENGTH_0 = 4,     // 0, 100 ms, 100 ms
    SONG_40_MINUTES = 5,   // 2400000 ms
    SONG_BAD_TITLE = 6,    // a title no file name can hold, Shift-JIS past 260 bytes
    SONG_BARE = 7,         // neither title nor length
    SONG_NEGATIVE = 8,     // -1000, -5, -7
    SONG_RECORD = 9,       // 2000 ms, fade-out 0
};

struct PhaseCase {
    const char* name;
    std::function<void(const TestDir&)> run;
};

// The full course: body 30 ticks, fade 20 ticks, gap 10 ticks, then the
// next song is asked for every tick until one starts.
void Phases(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_PHASES));
    r.ui->device.framesPerTick = kBlock;
    r.tick(30);
    EXPECT_TIME(r.position(), 300000);
    EXPECT_EQ(r.total(), 300000);
    r.tick(20);   // the fade ends: the gap shows from 0 of the wait
    EXPECT_TIME(r.position(), 0);
    EXPECT_EQ(r.total(), 100000);
    EXPECT_TRUE(r.ui->nextAt.empty());
    r.tick(12);
    ASSERT_EQ(r.ui->nextAt.size(), 3u);
    EXPECT_EQ(r.ui->nextAt[0], 1 + 60);
    // The machine was stopped for the gap: channel 0's key is off in the
    // snapshot of eight ticks ago.
    EXPECT_EQ(r.ui->statuses.back().channel[0].level, 0);
    EXPECT_EQ(r.player->getState(), Player::STATE_PLAY);
}

void DeviceAhead(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_PHASES));
    r.tick(5);   // the device is full: 0 frames a tick
    EXPECT_TIME(r.position(), 0);
    EXPECT_TRUE(r.ui->device.samples.empty());
    r.ui->device.framesPerTick = kBlock;
    r.tick(1);
    EXPECT_TIME(r.position(), 10000);
    EXPECT_EQ(r.ui->device.samples.size(), 2u * kBlock);
}

// Played straight through, and with a pause in the middle: apart from the
// silence of the pause the device hears the same frames, since the
// machine stood still.
void Pause(const TestDir&)
{
    std::vector<int32_t> straight;
    {
        Rig s;
        ASSERT_TRUE(s.start());
        ASSERT_TRUE(s.play(SONG_PHASES));
        s.ui->device.framesPerTick = kBlock;
        s.tick(20);
        straight = s.ui->device.samples;
    }
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_PHASES));
    r.ui->device.framesPerTick = kBlock;
    r.tick(10);
    r.player->pause();
    EXPECT_EQ(r.player->getState(), Player::STATE_PAUSE);
    r.tick(5);
    EXPECT_TIME(r.position(), 100000);
    r.player->pause();
    EXPECT_EQ(r.player->getState(), Player::STATE_PLAY);
    r.tick(10);
    EXPECT_TIME(r.position(), 200000);
    std::vector<int32_t> heard = r.ui->device.samples;
    const std::vector<int32_t>& blocks = r.ui->device.blocks;
    ASSERT_EQ(blocks.size(), 25u);
    size_t from = 0;
    for (size_t b = 0; b < 10; b++) from += 2 * static_cast<size_t>(blocks[b]);
    const size_t paused = 5 * 2 * kBlock;
    for (size_t b = 10; b < 15; b++) EXPECT_EQ(blocks[b], kBlock);
    for (size_t i = from; i < from + paused; i++) ASSERT_EQ(heard[i], 0) << "sample " << i;
    heard.erase(heard.begin() + static_cast<std::ptrdiff_t>(from), heard.begin() + static_cast<std::ptrdiff_t>(from + paused));
    EXPECT_TRUE(heard == straight);
    EXPECT_NE(*std::max_element(heard.begin(), heard.end()), 0);
}

// Wait -1: no gap and no stop: the next song is asked for in the tick the
// fade ends, and the machine keeps running (channel 0 holds its note).
void WaitMinusOne(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_NO_WAIT));
    r.ui->device.framesPerTick = kBlock;
    r.tick(49);
    EXPECT_TRUE(r.ui->nextAt.empty());
    r.tick(1);
    ASSERT_EQ(r.ui->nextAt.size(), 1u);
    EXPECT_EQ(r.ui->nextAt[0], 1 + 50);
    EXPECT_EQ(r.total(), 0);
    r.tick(9);
    EXPECT_EQ(r.ui->statuses.back().channel[0].level, 127);   // still keyed, aged
}

// Fade-out 0: the tick after the body moves to the gap.
void FadeOutZero(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_NO_FADE));
    r.ui->device.framesPerTick = kBlock;
    r.tick(30);
    EXPECT_EQ(r.total(), 300000);
    r.tick(1);
    EXPECT_TIME(r.position(), 0);
    EXPECT_EQ(r.total(), 200000);
    r.tick(20);
    ASSERT_EQ(r.ui->nextAt.size(), 1u);
    EXPECT_EQ(r.ui->nextAt[0], 1 + 51);
    // No fade ever ran: the body's last block is as loud as ever.
    const std::vector<int32_t>& s = r.ui->device.samples;
    EXPECT_NE(*std::max_element(s.begin() + 29 * 2 * kBlock, s.begin() + 30 * 2 * kBlock), 0);
}

void AutoAdvanceOff(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    r.player->setAutoAdvance(false);
    ASSERT_TRUE(r.play(SONG_PHASES));
    r.ui->device.framesPerTick = kBlock;
    r.tick(80);
    EXPECT_TIME(r.position(), 800000);
    EXPECT_EQ(r.total(), 300000);
    EXPECT_TRUE(r.ui->nextAt.empty());
    const std::vector<int32_t>& s = r.ui->device.samples;
    EXPECT_NE(*std::max_element(s.end() - 2 * kBlock, s.end()), 0) << "faded or stopped";

    // A recording runs its phases all the same: 300 ms, no fade, finished.
    ASSERT_TRUE(r.play(SONG_NO_FADE, true, "off.wav"));
    r.tick(31);
    ASSERT_FALSE(r.ui->records.empty());
    EXPECT_EQ(r.ui->records.back(), UserInterface::RECORD_FINISHED);
    EXPECT_EQ(r.player->getState(), Player::STATE_STOP);
}

// Length 0 is a body of 1 us: the fade starts with the first tick; the
// gap follows its 100 ms.
void LengthZero(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_LENGTH_0));
    EXPECT_EQ(r.total(), 1);
    r.ui->device.framesPerTick = kBlock;
    r.tick(1);
    EXPECT_EQ(r.total(), 1);
    r.tick(10);
    EXPECT_EQ(r.total(), 100000);
    EXPECT_TIME(r.position(), 0);
}

// Negative times count as 0 and a wait below -1 as 0: a body of 1 us, no
// fade, no gap: the next song is asked for in the second tick.
void NegativeTimes(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_NEGATIVE));
    EXPECT_EQ(r.total(), 1);
    r.ui->device.framesPerTick = kBlock;
    r.tick(2);
    EXPECT_EQ(r.total(), 0);
    ASSERT_EQ(r.ui->nextAt.size(), 1u);
    EXPECT_EQ(r.ui->nextAt[0], 1 + 2);
}

void StopWhileRecording(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_RECORD, true, "rec.wav"));
    EXPECT_EQ(r.player->getState(), Player::STATE_RECORD);
    r.ui->device.framesPerTick = kBlock;
    r.tick(20);
    ASSERT_TRUE(r.player->stop(false));
    EXPECT_EQ(r.player->getState(), Player::STATE_STOP);
    EXPECT_EQ(r.total(), 0);
    const std::string wav = ReadAll(dir.file("rec.wav"));
    ASSERT_GE(r.ui->device.samples.size(), 20u * 2 * kBlock);
    ASSERT_EQ(wav.size(), 44 + 2 * r.ui->device.samples.size());
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    const std::vector<int32_t>& heard = r.ui->device.samples;
    for (size_t i = 0; i < heard.size(); i++) {
        const uint16_t v = static_cast<uint8_t>(wav[44 + 2 * i]) | static_cast<uint8_t>(wav[45 + 2 * i]) << 8;
        ASSERT_EQ(static_cast<int16_t>(v), heard[i]) << "sample " << i;
    }
    ASSERT_EQ(r.ui->records.size(), 20u);
    EXPECT_EQ(r.ui->records.back(), 200000 * 100 / 2000000);
}

// The first snapshot the window gets is a cleared one; the ring then hands
// over what was heard eight ticks before.
void FirstStatusCleared(const TestDir& dir)
{
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_PHASES));
    r.ui->device.framesPerTick = kBlock;
    r.tick(12);
    ASSERT_EQ(r.ui->statuses.size(), 13u);
    const PlayerStatus cleared;
    const PlayerStatus& first = r.ui->statuses[0];
    EXPECT_EQ(0, std::memcmp(first.wave, cleared.wave, sizeof cleared.wave));
    EXPECT_EQ(0, std::memcmp(first.spectrum, cleared.spectrum, sizeof cleared.spectrum));
    for (int i = 0; i < MAX_TRACK; i++) {
        EXPECT_EQ(first.channel[i].level, 0);
        EXPECT_EQ(first.channel[i].note, 57);
        EXPECT_EQ(first.channel[i].pan, ChannelStatus::PAN_BOTH);
    }
    // The snapshot of the tenth tick (handed over at the eighteenth) is not
    // there yet; the one of the second tick after play is, with sound in it.
    const PlayerStatus& late = r.ui->statuses[11];
    EXPECT_NE(*std::max_element(std::begin(late.wave), std::end(late.wave)), 0);
    EXPECT_NE(*std::max_element(std::begin(late.spectrum), std::end(late.spectrum)), 0);
    // Its wave is the last 128 frames of that tick's block, as mono.
    const int32_t* block = r.ui->device.samples.data() + 2 * kBlock * 2;
    for (int i = 0; i < 128; i++) {
        const int32_t* f = block + 2 * (kBlock - 128 + i);
        ASSERT_EQ(late.wave[i], (f[0] + f[1]) / 2) << i;
    }
}

// "-d": a folder stays; a music archive file goes, after the interface
// is gone.
void DeleteFlag(const TestDir& dir)
{
    namespace fs = std::filesystem;
    const std::string folder = dir.file("songs");
    fs::copy(PhasesDir(), folder, fs::copy_options::recursive);
    {
        Rig d;
        ASSERT_TRUE(d.start({"-d", folder}));
        EXPECT_TRUE(d.quit());
        EXPECT_EQ(d.ui->terminates, 1);
    }
    EXPECT_TRUE(fs::exists(folder + "/config.txt"));

    const std::string kzd = dir.file("packed.kzd");
    fs::copy_file(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd", kzd);
    {
        Rig d;
        ASSERT_TRUE(d.start({dir.file("packed"), "-d"}));
        EXPECT_TRUE(fs::exists(kzd));
        EXPECT_TRUE(d.quit());
    }
    EXPECT_FALSE(fs::exists(kzd));
}

TEST(PlayerPhases, TableOfCases)
{
    const PhaseCase cases[] = {
        {"song length, fade-out and wait", Phases},
        {"the device already ahead", DeviceAhead},
        {"pause", Pause},
        {"wait -1", WaitMinusOne},
        {"fade-out 0", FadeOutZero},
        {"automatic advance off", AutoAdvanceOff},
        {"length 0", LengthZero},
        {"negative length, fade-out and wait", NegativeTimes},
        {"stop while recording", StopWhileRecording},
        {"the first status cleared", FirstStatusCleared},
        {"-d on a folder and on an archive", DeleteFlag},
    };
    TestDir dir;
    for (const PhaseCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.run(dir);
    }
}


// 2,400,000 ms is 2,400,000,000 us: past 32 bits, a wrapped product would
// end the song at once and report negative progress.
TEST(PlayerTimes, FortyMinutesLastFortyMinutes)
{
    for (bool record : {false, true}) {
        SCOPED_TRACE(record ? "recording" : "playing");
        TestDir dir;
        Rig r;
        ASSERT_TRUE(r.start());
        ASSERT_TRUE(r.play(SONG_40_MINUTES, record, "forty.wav"));
        EXPECT_EQ(r.total(), 2400000000LL);
        r.ui->device.framesPerTick = Player::MAX_FRAMES;   // two seconds a tick
        r.tick(10);
        EXPECT_TIME(r.position(), 20000000);
        EXPECT_EQ(r.total(), 2400000000LL);
        EXPECT_EQ(r.player->getState(), record ? Player::STATE_RECORD : Player::STATE_PLAY);
        if (record) {
            ASSERT_EQ(r.ui->records.size(), 10u);
            EXPECT_EQ(r.ui->records.front(), 0);
            EXPECT_EQ(r.ui->records.back(), 0);   // 20 s of 40 min is 0 %
        }
    }
}

// The entries whose title or times the archive leaves out or gets wrong.
TEST(PlayerTimes, EntriesWithoutTitleOrWithAnUnwritableOne)
{
    TestDir dir;
    Rig r;
    ASSERT_TRUE(r.start());
    // Neither title nor length: 60 s, the defaults.
    ASSERT_TRUE(r.play(SONG_BARE));
    EXPECT_EQ(r.total(), 60000000);

    // Recording under a title no file can be named after (a folder that
    // does not exist, characters a file name cannot hold, more than 260
    // bytes of Shift-JIS): the file does not open, the first tick ends the
    // recording with its error and the song plays on.
    const std::string title = r.song(SONG_BAD_TITLE)->getString("title", "");
    ASSERT_GT(title.size(), 260u);
    EXPECT_EQ(title.compare(0, 12, "a/b:c*?\"<>|\\"), 0);
    ASSERT_TRUE(r.play(SONG_BAD_TITLE, true, ""));
    r.ui->device.framesPerTick = kBlock;
    r.tick(1);
    EXPECT_EQ(r.ui->records, std::vector<int32_t>({UserInterface::RECORD_ERROR}));
    EXPECT_EQ(r.player->getState(), Player::STATE_PLAY);
    r.tick(3);
    EXPECT_TIME(r.position(), 40000);
    EXPECT_EQ(r.ui->records.size(), 1u);
}

// A disk that fills up in the middle of a recording: the tick whose block
// does not fit ends the recording with -3 (never "finished"), the file keeps
// correct sizes for what it holds and the song plays on.
// A device that takes more than a tick's worth at a time (late ticks on a
// busy machine) still gets a recording of the song's body and fade, no
// more: the blocks end where the body and the fade end.
TEST(PlayerRecord, ARecordingEndsWithItsFadeWhateverTheDeviceTakes)
{
    TestDir dir;
    {
        Rig r;
        ASSERT_TRUE(r.start());
        ASSERT_TRUE(r.play(SONG_PHASES, true, "phases.wav"));
        r.ui->device.framesPerTick = 3 * kBlock + 100;   // 32 ms, out of step with 300 and 200 ms
        for (int i = 0; i < 40 && r.player->getState() == Player::STATE_RECORD; i++) r.tick();
        ASSERT_EQ(r.player->getState(), Player::STATE_STOP);
        ASSERT_FALSE(r.ui->records.empty());
        EXPECT_EQ(r.ui->records.back(), UserInterface::RECORD_FINISHED);
    }
    const std::string wav = ReadAll(dir.file("phases.wav"));
    ASSERT_GE(wav.size(), 44u);
    const size_t frames = (wav.size() - 44) / 4, want = 44100 * 500 / 1000;   // body 300 ms, fade 200 ms
    EXPECT_GE(frames, want);
    // A block may come out a frame longer (the machine stands a microsecond
    // past its span; see below): a frame a block at most.
    EXPECT_LE(frames, want + 20);
}

TEST(PlayerRecord, ShortWriteEndsTheRecordingWithItsError)
{
    TestDir dir;
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_RECORD, true, "fake:10000"));   // room for 44 + 5 blocks
    r.ui->device.framesPerTick = kBlock;
    r.tick(10);
    ASSERT_EQ(r.ui->records.size(), 6u);
    EXPECT_EQ(r.ui->records[4], 50000 * 100 / 2000000);
    EXPECT_EQ(r.ui->records[5], UserInterface::RECORD_ERROR);
    EXPECT_EQ(r.player->getState(), Player::STATE_PLAY);
    EXPECT_TIME(r.position(), 100000);
}

// A close that fails (the disk fills up with the last buffered bytes or the
// sizes cannot be patched) is a failed recording, never "finished".
TEST(PlayerRecord, AFailedCloseIsAFailedRecording)
{
    TestDir dir;
    Rig r;
    ASSERT_TRUE(r.start());
    ASSERT_TRUE(r.play(SONG_RECORD, true, "fake-close-fails:1000000"));
    r.ui->device.framesPerTick = kBlock;
    r.tick(201);   // 2000 ms of body, then the fade of 0 ends the recording
    ASSERT_FALSE(r.ui->records.empty());
    EXPECT_EQ(r.ui->records.back(), UserInterface::RECORD_ERROR);
    EXPECT_EQ(std::count(r.ui->records.begin(), r.ui->records.end(), UserInterface::RECORD_FINISHED), 0);
    EXPECT_EQ(r.player->getState(), Player::STATE_STOP);
}

// The child of the death test below: records three ticks, then breaks the
// device. Every message of the failure comes where the program shows its
// box; the window thread must be able to take the Player's lock then, or
// the player's window freezes behind the box (exit code 7). The abort ends
// the process with exit code 1.
[[noreturn]] void FailDeviceWhileRecording(const std::string& wav, bool position)
{
    Rig r;
    if (!r.start() || !r.play(SONG_RECORD, true, wav)) std::_Exit(3);
    r.ui->device.framesPerTick = kBlock;
    r.tick(3);
    r.sys->onError = [&](const std::string&) {
        std::atomic<bool> got{false};
        std::thread probe([&] {
            r.player->getState();
            got = true;
        });
        for (int i = 0; i < 500 && !got; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!got) {
            std::fputs("the Player's lock is held while the error is shown\n", stderr);
            std::fflush(stderr);
            std::_Exit(7);
        }
        probe.join();
    };
    (position ? r.ui->device.positionFails : r.ui->device.writeFails) = true;
    r.sys->fire();
    std::this_thread::sleep_for(std::chrono::seconds(60));
    std::_Exit(9);
}

// An audio device that fails mid-recording ends the program, but the WAV
// is closed first with sizes that describe what it holds, and the error is
// shown without the lock the window thread needs. (One death test a TEST:
// the child runs the test body again up to its own statement.)
void ExpectTheRecordingClosed(bool position, size_t blocks)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TestDir dir;
    const std::string wav = dir.file("rec.wav");
    EXPECT_EXIT(FailDeviceWhileRecording(wav, position), ::testing::ExitedWithCode(1), "");
    const std::string b = ReadAll(wav);
    ASSERT_EQ(b.size(), 44 + blocks * kBlock * 4);
    EXPECT_EQ(Le32(b, 4), b.size() - 8) << "RIFF size";
    EXPECT_EQ(Le32(b, 40), b.size() - 44) << "data size";
}

// A lost play position stops the tick before it renders: three blocks.
TEST(PlayerDeviceDeathTest, ALostPositionClosesTheRecordingFirst)
{
    ExpectTheRecordingClosed(true, 3);
}

// A refused write comes after the tick recorded its block: four.
TEST(PlayerDeviceDeathTest, ARefusedWriteClosesTheRecordingFirst)
{
    ExpectTheRecordingClosed(false, 4);
}

// terminate while the player thread stands inside a tick (behind an error
// box) and the timer has filled the request ring: the quit word waits for
// room instead of being dropped, so the join ends.
TEST(PlayerQueue, TerminateWithAFullQueueEnds)
{
    TestDir dir;
    Rig r;
    ASSERT_TRUE(r.start());
    r.ui->hold(true);
    ASSERT_TRUE(r.sys->fire());
    ASSERT_TRUE(r.ui->waitUpdates(2));   // the thread is now held in the tick
    for (int i = 0; i < Player::QUEUE_CAPACITY + 100; i++) r.sys->fire();
    std::future<bool> done = std::async(std::launch::async, [&] { return r.quit(); });
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    r.ui->hold(false);
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "terminate never returned: the quit word was lost";
        std::_Exit(1);
    }
    EXPECT_TRUE(done.get());
    // Every tick that found room ran: the held one, the first fill and
    // capacity - 1 queued ones.
    EXPECT_EQ(r.ui->updates(), 2 + Player::QUEUE_CAPACITY - 1);
    EXPECT_EQ(r.ui->device.stops, 1);
    EXPECT_EQ(r.ui->terminates, 1);
    EXPECT_EQ(r.sys->period(), 0);
}

TEST(PlayerStart, MessagesAndTheTick)
{
    TestDir dir;
    {
        Rig r;
        EXPECT_FALSE(r.start({dir.file("nothing-here")}));
        EXPECT_EQ(r.sys->errors(), std::vector<std::string>({"[Player]データファイルが見つかりません\n"}));
        EXPECT_EQ(r.ui->initializes, 0);
    }
    {
        // The player's own config.txt names the music; the command line
        // wins over it, and both land in the merged configuration.
        WriteAll(dir.file("config.txt"), "[config]\nfolder=" + PhasesDir() + "\nscreenshot=shot.bmp\n[info]\ntitle02=mine\n");
        Rig r;
        ASSERT_TRUE(r.start({}));
        EXPECT_EQ(r.ui->config->getString("config", "folder", ""), PhasesDir());
        EXPECT_EQ(r.ui->config->getString("config", "screenshot", ""), "shot.bmp");
        EXPECT_EQ(r.ui->config->getString("info", "title02", ""), "mine");
        EXPECT_EQ(r.ui->config->getString("info", "driver", ""), "x1/psg");
        EXPECT_EQ(r.sys->period(), Player::TICK_PERIOD_US);
        for (int i = 0; i < 3000 && r.ui->device.plays == 0; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(r.ui->device.plays, 1);   // after the first fill
        EXPECT_EQ(r.player->run(), 0);
        EXPECT_TRUE(r.sys->errors().empty());
    }
    std::remove(dir.file("config.txt").c_str());
    {
        Rig r;
        ASSERT_TRUE(r.start({PhasesDir(), "other.bmp", "ignored"}));
        EXPECT_EQ(r.ui->config->getString("config", "screenshot", ""), "other.bmp");
        ASSERT_TRUE(r.player->setMask(0x5));
        EXPECT_EQ(r.player->getMask(), 0x5u);
        EXPECT_EQ(r.ui->masks, std::vector<uint32_t>({0x5}));
        EXPECT_TRUE(r.player->setVolume(-300));
        EXPECT_EQ(r.ui->device.volume, -300);
        EXPECT_EQ(r.player->getMinVolume(), -10000);
    }
}

int16_t Sample(const std::string& wav, size_t i)
{
    return static_cast<int16_t>(static_cast<uint8_t>(wav[44 + 2 * i]) | static_cast<uint8_t>(wav[45 + 2 * i]) << 8);
}

// The RMS of the 20-ms window w of a WAV, in dB of full scale.
double WindowDb(const std::string& wav, size_t w)
{
    const size_t frames = 882;
    double sum = 0;
    for (size_t i = 2 * w * frames; i < 2 * (w + 1) * frames; i++) sum += double(Sample(wav, i)) * Sample(wav, i);
    return 10 * std::log10(sum / (2 * frames) / (32768.0 * 32768.0) + 1e-12);
}

// A recording made with a device that takes whole 441-frame blocks from
// machine time 0, against songrender's WAV of the same song.
//
// They agree byte for byte until the player first renders a frame ahead of
// its machine. Both advance the machine 10 ms at a time, but the player (as
// it must: the device's request is a span of time) runs the machine by a
// span from where it stands and renders everything due, while songrender
// runs it to the exact time of its next frame and cuts each render at the
// step. The Z80 ends a slice with the instruction that crosses the span's
// end, so now and then the machine stands a microsecond past it; the
// render rounds that up to a 442nd frame, made before the machine has
// reached its end. A register write that falls in such a frame sounds a
// frame later than in songrender, and a tone keeps that offset of its
// phase: the two then differ at waveform edges, by a frame, while their
// loudness over time stays the same. Run to the same frame times (as a
// trial of this test did) the player's samples equal songrender's exactly.
TEST(PlayerRecord, RecordingMatchesSongrender)
{
    TestDir dir;
    size_t exactFrames = 0;
    size_t longBlocks = 0;
    {
        Rig r;
        ASSERT_TRUE(r.start());   // the first fill takes nothing: machine time stays 0
        ASSERT_TRUE(r.play(SONG_RECORD, true, "player.wav"));
        r.ui->device.framesPerTick = kBlock;
        // 2000 ms of body, and the tick whose fade of 0 ends the recording.
        r.tick(201);
        ASSERT_FALSE(r.ui->records.empty());
        EXPECT_EQ(r.ui->records.back(), UserInterface::RECORD_FINISHED);
        EXPECT_EQ(r.player->getState(), Player::STATE_STOP);
        // Up to and with the first block that came out a frame longer.
        bool ahead = false;
        for (int32_t frames : r.ui->device.blocks) {
            if (!ahead) exactFrames += static_cast<size_t>(frames);
            if (frames != kBlock) {
                ahead = true;
                longBlocks++;
            }
        }
    }
    const std::string mine = ReadAll(dir.file("player.wav"));
    ASSERT_EQ(mine.size(), 44 + (201 * kBlock + longBlocks) * 4);

    ProgramResult run = RunProgram(HostPath(SONGRENDER), {HostPath(PhasesDir()), "9", "2.01", "songrender.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string theirs = ReadAll(dir.file("songrender.wav"));
    ASSERT_EQ(theirs.size(), 44 + 201 * kBlock * 4);

    // The header's sizes differ by the extra frames; the format is the same.
    EXPECT_EQ(mine.substr(8, 32), theirs.substr(8, 32));
    const size_t same = std::min(exactFrames, mine.size());
    EXPECT_EQ(mine.substr(44, 4 * same), theirs.substr(44, 4 * same)) << "the first " << same << " frames";
    EXPECT_GT(exactFrames, 2u * kBlock) << "the song's start is compared";

    // The same song throughout: every 20 ms of the recording is as loud as
    // songrender's within 1 dB, and there is sound.
    size_t loud = 0;
    for (size_t w = 0; w < 201 * kBlock / 882; w++) {
        const double a = WindowDb(mine, w), b = WindowDb(theirs, w);
        if (b > -90) {
            loud++;
            EXPECT_NEAR(a, b, 1.0) << "window " << w;
        }
    }
    EXPECT_GT(loud, 90u);
}

}  // namespace
