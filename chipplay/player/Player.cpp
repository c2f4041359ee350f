#include "Player.h"

#include "Archive.h"
#include "AudioDevice.h"
#include "Config.h"
#include "FFT.h"
#include "File.h"
#include "MusicArchive.h"
#include "RequestQueue.h"
#include "System.h"
#include "Thread.h"
#include "Trace.h"
#include "UserInterface.h"
#include "VM.h"
#include "WaveWriter.h"

#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <thread>

namespace {

const char kSource[] = "player/Player.cpp";

// Song times are milliseconds in the archive's configuration. The product
// is taken in 64 bits (a length past 35:47 would wrap in 32) and nothing
// negative survives: a negative length or fade-out is none.
int64_t Microseconds(int32_t milliseconds)
{
    return milliseconds < 0 ? 0 : static_cast<int64_t>(milliseconds) * 1000;
}

// Recording progress in percent; past 100 during the fade.
int32_t Percent(int64_t position, int64_t length)
{
    const int64_t p = position * 100 / length;
    return p > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(p);
}

}  // namespace

Player::Player()
    : mInitialized(false),
      mState(STATE_STOP),
      mArchive(nullptr),
      mConfig(nullptr),
      mDeleteArchive(false),
      mUI(nullptr),
      mThread(nullptr),
      mReqQ(nullptr),
      mVM(nullptr),
      mSampleRate(SAMPLE_RATE),
      mLatency(LATENCY_US),
      mMaxFrames(MAX_FRAMES),
      mRenderBuffer(new int32_t[static_cast<size_t>(MAX_FRAMES) * 2]()),
      mAutoAdvance(true),
      mRepeatAll(false),
      mPhase(PHASE_NONE),
      mPhaseTime(0),
      mPlayTime(0),
      mLength(60000000),
      mFadeOut(2000000),
      mWait(1000000),
      mNoStop(false),
      mFFT(nullptr),
      mWaveWriter(nullptr),
      mStatusIndex(0)
{
    Trace("[Player]インスタンス生成\n");
}

Player::~Player()
{
    delete mFFT;
    delete mWaveWriter;
    delete mThread;
    delete mReqQ;
    delete mConfig;
    delete mArchive;
    delete mVM;
    delete[] mRenderBuffer;
}

bool Player::initialize(UserInterface* _ui, int argc, const char* const argv[])
{
    SYSTEM_CHECK(kSource, _ui != NULL, false);
    mUI = _ui;
    std::string folder = "testdata";
    std::string screenshot = "testdata.bmp";

    // The player's own settings beside the program: they name the music and
    // merge over the archive's configuration below.
    File* systemFile = System::openFile("config.txt", File::MODE_READ);
    if (systemFile != nullptr) {
        Config* systemConfig = new (std::nothrow) Config();
        if (systemConfig == nullptr) {
            System::error("[Player]システム設定情報領域の確保に失敗しました\n");
            delete systemFile;
            return false;
        }
        if (!systemConfig->load(systemFile)) {
            System::error("[Player]システム設定ファイルの読み込みに失敗しました\n");
            delete systemConfig;
            delete systemFile;
            return false;
        }
        folder = systemConfig->getString("config", "folder", folder);
        screenshot = systemConfig->getString("config", "screenshot", screenshot);
        delete systemConfig;
    }

    int named = 0;
    for (int i = 1; i < argc; i++) {
        if (argv[i] == nullptr) continue;
        if (std::strcmp(argv[i], "-d") == 0) {
            mDeleteArchive = true;
        } else if (named == 0) {
            folder = argv[i];
            named++;
        } else if (named == 1) {
            screenshot = argv[i];
            named++;
        }
    }

    mArchive = OpenMusicArchive(folder);
    if (mArchive == nullptr) {
        System::error("[Player]データファイルが見つかりません\n");
        delete systemFile;
        return false;
    }

    mConfig = new (std::nothrow) Config();
    if (mConfig == nullptr) {
        System::error("[Player]設定情報領域の確保に失敗しました\n");
        delete systemFile;
        return false;
    }
    File* file = mArchive->openFile("config.txt", File::MODE_READ);
    if (file == nullptr) {
        System::error("[Player]設定ファイルが見つかりません\n");
        delete systemFile;
        return false;
    }
    const bool loaded = mConfig->load(file);
    delete file;
    if (!loaded) {
        System::error("[Player]設定ファイルの読み込みに失敗しました\n");
        delete systemFile;
        return false;
    }
    if (systemFile != nullptr) {
        systemFile->seek(0, File::SEEK_FROM_START);
        const bool merged = mConfig->load(systemFile);
        delete systemFile;
        if (!merged) {
            System::error("[Player]システム設定ファイルの読み込みに失敗しました\n");
            return false;
        }
    }
    mConfig->addEntry("config", "folder", folder, true);
    mConfig->addEntry("config", "screenshot", screenshot, true);

    mVM = new (std::nothrow) VM();
    if (mVM == nullptr) {
        System::error("[Player]仮想マシンの生成に失敗しました\n");
        return false;
    }
    if (!mVM->load(mConfig, mArchive)) {
        System::error("[Player]仮想マシンの初期化に失敗しました\n");
        return false;
    }
    if (!mUI->initialize(this, mConfig)) {
        System::error("[Player]UIの初期化に失敗しました\n");
        return false;
    }
    mFFT = new (std::nothrow) FFT(512, PlayerStatus::SPECTRUM_BANDS, 0, 20000, mSampleRate);
    if (mFFT == nullptr) {
        System::error("[Player]FFTモジュールの初期化に失敗しました\n");
        return false;
    }
    mWaveWriter = new (std::nothrow) WaveWriter();
    if (mWaveWriter == nullptr) {
        System::error("[Player]wav書き出しモジュールの初期化に失敗しました\n");
        return false;
    }
    mReqQ = new (std::nothrow) RequestQueue(QUEUE_CAPACITY);
    if (mReqQ == nullptr) {
        System::error("[Player]リクエストキューの生成に失敗しました\n");
        return false;
    }

    mThread = System::createThread(threadProc, this, false);
    if (mThread == nullptr) {
        System::error("[Player]スレッドの生成に失敗しました\n");
        return false;
    }
    mThread->setPriority(Thread::PRIORITY_HIGHEST);
    mReqQ->put(RequestQueue::INIT_OUTPUT);

    if (!System::setTickHandler(TICK_PERIOD_US, tickHandler, this)) {
        System::error("[Player]tickハンドラの登録に失敗しました\n");
        return false;
    }
    mInitialized = true;
    return true;
}

bool Player::terminate()
{
    mInitialized = false;
    if (!System::setTickHandler(0, nullptr, nullptr)) {
        System::error("[Player]tickハンドラの解除に失敗しました\n");
        return false;
    }
    if (mReqQ != nullptr) {
        // The ring may be full of ticks while the player thread stands behind
        // an error box: the quit word must still get in, or join waits for
        // ever. Every word the thread takes makes room.
        while (!mReqQ->put(RequestQueue::QUIT)) {
            if (mThread == nullptr) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (mThread != nullptr) {
        mThread->join();
        // Gone for good: a second terminate neither waits for it nor
        // retries a quit word nobody will take.
        delete mThread;
        mThread = nullptr;
    }
    SYSTEM_CHECK(kSource, mUI != NULL, false);
    if (!mUI->terminate()) {
        System::error("[Player]UIの終了に失敗しました\n");
        return false;
    }
    if (mDeleteArchive && mArchive != nullptr) {
        const std::string path = mArchive->getPath();
        // A folder is no file: deleting it as one fails and leaves it.
        if (!path.empty()) System::deleteFile(path);
    }
    return true;
}

int32_t Player::run()
{
    SYSTEM_CHECK(kSource, mInitialized != false, -1);
    SYSTEM_CHECK(kSource, mConfig != NULL, -1);
    SYSTEM_CHECK(kSource, mUI != NULL, -1);
    return mUI->run();
}

int32_t Player::getState()
{
    ObjectLocker hold(*this);
    return mState;
}

bool Player::play(ConfigEntry* _ent, bool record, const std::string& path)
{
    SYSTEM_CHECK(kSource, _ent != NULL, false);
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    if (!mInitialized) return false;
    const std::string title = _ent->getString("title", "");
    const int32_t code = _ent->getInt("code", 0);
    const int32_t length = _ent->getInt("length", 60000);
    const int32_t fadeOut = _ent->getInt("fadeout", 2000);
    const int32_t wait = _ent->getInt("wait", 1000);

    ObjectLocker hold(*this);
    if (mState == STATE_RECORD) mWaveWriter->close();
    if (record) {
        // A file that cannot be made is reported by the first tick's write.
        File* file = System::openFile(path.empty() ? title + ".wav" : path, File::MODE_WRITE);
        if (file != nullptr) mWaveWriter->open(file, mSampleRate);
    }
    if (mState == STATE_PAUSE) {
        AudioDevice* dev = mUI != nullptr ? mUI->getAudioDevice() : nullptr;
        SYSTEM_CHECK(kSource, dev != NULL, false);
        dev->play();
    }
    mPhaseTime = 0;
    mPlayTime = 0;
    mPhase = PHASE_BODY;
    mState = record ? STATE_RECORD : STATE_PLAY;
    mLength = Microseconds(length);
    if (mLength == 0) mLength = 1;   // the fade starts on the next tick
    mFadeOut = Microseconds(fadeOut);
    mNoStop = wait == -1;
    mWait = mNoStop ? 0 : Microseconds(wait);
    return mVM->play(code, _ent);
}

void Player::pause()
{
    SYSTEM_CHECK(kSource, mVM != NULL, );
    if (!mInitialized) return;
    ObjectLocker hold(*this);
    if (mState == STATE_PAUSE) {
        mState = STATE_PLAY;
    } else if (mState == STATE_PLAY) {
        mState = STATE_PAUSE;
    }
}

bool Player::stop(bool keepPlaying)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    if (!mInitialized) return false;
    ObjectLocker hold(*this);
    if (mState == STATE_RECORD) {
        mWaveWriter->close();
        mState = STATE_PLAY;
    }
    if (!keepPlaying) {
        mState = STATE_STOP;
        mVM->stop();
        mPlayTime = 0;
        mLength = 0;
    }
    mPhase = PHASE_NONE;
    return true;
}

void Player::getTime(int64_t* position, int64_t* total)
{
    ObjectLocker hold(*this);
    if (position != nullptr) *position = mPlayTime;
    if (total != nullptr) *total = mLength;
}

int32_t Player::getMaxVolume()
{
    SYSTEM_CHECK(kSource, mUI != NULL, 0);
    AudioDevice* dev = mUI->getAudioDevice();
    SYSTEM_CHECK(kSource, dev != NULL, 0);
    return dev->getMaxVolume();
}

int32_t Player::getMinVolume()
{
    SYSTEM_CHECK(kSource, mUI != NULL, 0);
    AudioDevice* dev = mUI->getAudioDevice();
    SYSTEM_CHECK(kSource, dev != NULL, 0);
    return dev->getMinVolume();
}

bool Player::setVolume(int32_t volume)
{
    SYSTEM_CHECK(kSource, mUI != NULL, false);
    AudioDevice* dev = mUI->getAudioDevice();
    SYSTEM_CHECK(kSource, dev != NULL, false);
    return dev->setVolume(volume);
}

bool Player::setTempo(int32_t tempo)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    return mVM->setSpeed(tempo);
}

int32_t Player::getTempo()
{
    SYSTEM_CHECK(kSource, mVM != NULL, 0);
    return mVM->getSpeed();
}

int32_t Player::getChipCount()
{
    SYSTEM_CHECK(kSource, mVM != NULL, 0);
    return mVM->getChipCount();
}

ChipInfo* Player::getChipState(int32_t index)
{
    SYSTEM_CHECK(kSource, mVM != NULL, nullptr);
    return mVM->getChipState(index);
}

uint32_t Player::getMask()
{
    SYSTEM_CHECK(kSource, mVM != NULL, 0);
    return mVM->getMask();
}

bool Player::setMask(uint32_t mask)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    SYSTEM_CHECK(kSource, mUI != NULL, false);
    if (!mVM->setMask(mask)) return false;
    mUI->setMask(mask);
    return true;
}

bool Player::dump(DebugMonitor* monitor, int32_t page)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    return mVM->dump(monitor, page);
}

void Player::tickHandler(void* _param)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    Player* player = static_cast<Player*>(_param);
    SYSTEM_CHECK(kSource, player->mReqQ != NULL, );
    // A full ring loses the tick; the next one makes the time up, since
    // the device's writable space has grown meanwhile.
    player->mReqQ->put(RequestQueue::TICK);
}

int Player::threadProc(void* _arg)
{
    SYSTEM_CHECK(kSource, _arg != NULL, -1);
    Player* player = static_cast<Player*>(_arg);
    AudioDevice* dev = nullptr;
    for (;;) {
        const int32_t word = player->mReqQ->get();
        if (word == RequestQueue::QUIT) break;
        if (word == RequestQueue::INIT_OUTPUT) {
            SYSTEM_CHECK(kSource, player->mUI != NULL, -1);
            dev = player->mUI->getAudioDevice();
            // Fill the device once before it starts, so it never plays
            // an empty buffer.
            if (!player->onTick()) System::abort();
            if (dev != nullptr) dev->play();
        } else if (word == RequestQueue::TICK) {
            // A device that fails ends the program; by now the recording
            // is closed and no lock is held, so the window thread paints on
            // behind the error box.
            if (!player->onTick()) System::abort();
        }
    }
    if (dev == nullptr) dev = player->mUI != nullptr ? player->mUI->getAudioDevice() : nullptr;
    if (dev != nullptr) dev->stop();
    return -1;
}

bool Player::onTick()
{
    SYSTEM_CHECK(kSource, mUI != NULL, true);
    SYSTEM_CHECK(kSource, mVM != NULL, true);
    AudioDevice* dev = mUI->getAudioDevice();
    SYSTEM_CHECK(kSource, dev != NULL, true);

    // The device is asked and fed outside the Player's lock: its failure
    // shows a box on this thread, and the window thread needs the lock to
    // paint and to stop a recording. The render buffer is this thread's own.
    const int32_t rate = dev->getSampleRate();
    int32_t frames = 0;
    if (!dev->getWritableFrames(mLatency, &frames)) {
        failRecording();
        return false;
    }
    int32_t n = 0;
    {
        ObjectLocker hold(*this);
        int64_t elapsed = 0;
        if (frames > 0) {
            if (mState == STATE_PAUSE) {
                // The device keeps playing silence; the machine stands still.
                n = frames < mMaxFrames ? frames : mMaxFrames;
                std::memset(mRenderBuffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(n));
            } else {
                // The block ends where the body or the fade ends, so the fade
                // starts and a recording ends at their own time, however
                // late the tick came and however much the device takes.
                int32_t want = frames;
                const int64_t left = phaseTimeLeft();
                if (left > 0) {
                    const int32_t upTo = mVM->timeToSamples(left, rate);
                    if (upTo > 0 && upTo < want) want = upTo;
                }
                const int64_t span = mVM->samplesToTime(want, rate);
                const int64_t t0 = mVM->getTime();
                mVM->run(span);
                elapsed = mVM->getTime() - t0;
                mVM->render(mRenderBuffer, mMaxFrames, &n);
            }
            mFFT->feed(mRenderBuffer, n);
        }
        updateStatus(mRenderBuffer, n);

        if (mState == STATE_RECORD && !mWaveWriter->write(mRenderBuffer, n)) {
            // A full disk or a file past what the header holds: the recording
            // ends with its error and the song plays on.
            mState = STATE_PLAY;
            finishRecording(false);
        }
        updateTime(elapsed);
    }
    if (frames > 0 && !dev->write(mRenderBuffer, n)) {
        failRecording();
        return false;
    }
    return true;
}

void Player::finishRecording(bool complete)
{
    // A file whose last bytes or sizes did not reach the disk is no
    // finished recording.
    if (!mWaveWriter->close()) complete = false;
    mUI->notifyRecord(complete ? UserInterface::RECORD_FINISHED : UserInterface::RECORD_ERROR);
}

void Player::failRecording()
{
    ObjectLocker hold(*this);
    if (mState != STATE_RECORD) return;
    mState = STATE_PLAY;
    finishRecording(false);
}

void Player::updateStatus(const int32_t* buffer, int32_t frames)
{
    PlayerStatus& slot = mStatus[mStatusIndex];
    // The slot was filled eight ticks ago: what the device plays now.
    mUI->setStatus(&slot);
    mUI->update();

    const bool running = mState == STATE_PLAY || mState == STATE_RECORD;
    for (int32_t i = 0; i < MAX_TRACK; i++) {
        ChannelStatus* c = mVM->getChannel(i);
        if (c == nullptr) continue;
        slot.channel[i] = *c;
        if (c->level >= 128) {
            c->level = 127;
        } else if (c->level != 0 && running) {
            c->level = c->level > c->decay ? c->level - c->decay : 0;
        }
    }

    const int32_t kWave = PlayerStatus::WAVE_FRAMES;
    const PlayerStatus& previous = mStatus[(mStatusIndex + STATUS_RING - 1) % STATUS_RING];
    int32_t wave[kWave];
    int32_t at = 0;
    if (frames < kWave) {
        for (int32_t i = frames; i < kWave; i++) wave[at++] = previous.wave[i];
    } else {
        buffer += 2 * static_cast<int64_t>(frames - kWave);
        frames = kWave;
    }
    for (int32_t i = 0; i < frames; i++) {
        wave[at++] = static_cast<int32_t>((static_cast<int64_t>(buffer[2 * i]) + buffer[2 * i + 1]) / 2);
    }
    std::memcpy(slot.wave, wave, sizeof wave);

    mFFT->getSpectrum(slot.spectrum);
    mStatusIndex = (mStatusIndex + 1) % STATUS_RING;
}

int64_t Player::phaseTimeLeft() const
{
    if (mState != STATE_RECORD && !(mState == STATE_PLAY && mAutoAdvance)) return 0;
    if (mPhase == PHASE_BODY) return mLength - mPhaseTime;
    if (mPhase == PHASE_FADE) return mFadeOut - mPhaseTime;
    return 0;
}

void Player::updateTime(int64_t elapsed)
{
    if (mState != STATE_PLAY && mState != STATE_RECORD) return;
    mPlayTime += elapsed;
    if (!mAutoAdvance && mState != STATE_RECORD) return;
    mPhaseTime += elapsed;

    if (mPhase == PHASE_BODY) {
        if (mState == STATE_RECORD) mUI->notifyRecord(Percent(mPlayTime, mLength));
        if (mPhaseTime >= mLength) {
            mPhaseTime = 0;
            mPhase = PHASE_FADE;
            if (mFadeOut != 0) mVM->fade(true, mFadeOut);
        }
        return;
    }
    if (mPhase == PHASE_FADE) {
        if (mState == STATE_RECORD) mUI->notifyRecord(Percent(mPlayTime, mLength));
        if (mPhaseTime >= mFadeOut) {
            if (mState == STATE_PLAY) {
                if (!mNoStop) mVM->stop();
                mPlayTime = 0;
                mLength = mWait;
                mPhaseTime = 0;
                mPhase = PHASE_GAP;
            } else if (mState == STATE_RECORD) {
                mPhase = PHASE_NONE;
                mState = STATE_PLAY;
                finishRecording(true);
                stop(false);
                return;
            }
        }
    }
    if (mPhase == PHASE_GAP) {
        if (mPhaseTime >= mWait && mState == STATE_PLAY) mUI->requestNext(mRepeatAll);
    }
}
