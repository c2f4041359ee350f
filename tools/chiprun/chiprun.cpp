// chiprun: runs one sound chip on a VM without a CPU from a script of timed
// register accesses, prints the interrupt line's edges and the reads, and
// writes what the chip played as a 44100 Hz 16-bit stereo WAV file.
//
//   chiprun <ay38910|ym2203|ym2608|ym2151> <script> <out.wav> [adpcm image]
//
// Script: one command a line, times in microseconds of VM time (never going
// back), numbers after the command in hexadecimal; '#' starts a comment.
//   0 w 07 3e      data 0x3e to register 0x07 (YM2608 bank 1: 100-1ff)
//   0 a 2e         the address alone (the OPN family's prescaler select)
//   10000 r 08     read a register (AY: any; OPN, OPNA: SSG; OPNA 1xx: bank 1)
//   10000 s        read the status port
//   10000 x        read the YM2608's extended status
//   0 m 3f         the chip's channel mask (bit i mutes channel i)
//   500000 end     stop here (else at the last command)
// Output lines: "<time> irq <0|1>", "<time> read <reg> <value>",
// "<time> status <value>", then "frames <count>". The ADPCM image (YM2608
// only) is copied to the start of the ADPCM RAM before the script runs.
// Exit codes: 0 done, 1 a bad script, file or chip, 2 a wrong command line.
#include "AY38910.h"
#include "YM2151.h"
#include "YM2203.h"
#include "YM2608.h"

#include "VM.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const int64_t kRenderStep = 10000;   // 441 frames: whole frames every step
const int32_t kMaxFrames = 44100;    // asked of the VM at each step
const int32_t kAdpcmBytes = 256 * 1024;

// One chip behind the same few operations.
class Target {
public:
    virtual ~Target() {}
    virtual bool init() = 0;
    virtual Chip* chip() = 0;
    virtual void write(uint32_t reg, uint8_t data) = 0;
    virtual void address(uint8_t a) = 0;
    virtual uint8_t readReg(uint32_t reg) = 0;
    virtual uint8_t status() = 0;
    virtual bool statusEx(uint8_t*) { return false; }
    virtual bool line() { return false; }
    virtual int64_t nextTimer() { return -1; }
    virtual uint8_t* adpcm() { return nullptr; }
    virtual bool bank1() { return false; }
};

template <class C>
class FmTarget : public Target {
public:
    FmTarget(VM* vm, uint32_t clock) : mChip(vm), mClock(clock) {}
    bool init() override { return mChip.init(mClock, 44100); }
    Chip* chip() override { return &mChip; }
    void write(uint32_t reg, uint8_t data) override
    {
        const uint8_t port = reg >= 0x100 ? 2 : 0;
        mChip.write(port, static_cast<uint8_t>(reg));
        mChip.write(port + 1, data);
    }
    void address(uint8_t a) override { mChip.write(0, a); }
    uint8_t readReg(uint32_t reg) override
    {
        const uint8_t port = reg >= 0x100 ? 2 : 0;
        mChip.write(port, static_cast<uint8_t>(reg));
        return mChip.read(port + 1);
    }
    uint8_t status() override { return mChip.read(0); }
    bool line() override { return mChip.getInterruptLine(); }
    int64_t nextTimer() override { return mChip.getTimer().nextTime(); }

protected:
    C mChip;
    uint32_t mClock;
};

class OpnaTarget : public FmTarget<YM2608> {
public:
    using FmTarget<YM2608>::FmTarget;
    bool statusEx(uint8_t* value) override
    {
        *value = mChip.read(2);
        return true;
    }
    uint8_t* adpcm() override { return mChip.getAdpcmMemory(); }
    bool bank1() override { return true; }
};

class AyTarget : public Target {
public:
    explicit AyTarget(VM* vm) : mChip(vm) {}
    bool init() override { return mChip.init(2000000, 44100); }
    Chip* chip() override { return &mChip; }
    void write(uint32_t reg, uint8_t data) override
    {
        mChip.write(0, static_cast<uint8_t>(reg));
        mChip.write(1, data);
    }
    void address(uint8_t a) override { mChip.write(0, a); }
    uint8_t readReg(uint32_t reg) override
    {
        mChip.write(0, static_cast<uint8_t>(reg));
        return mChip.read(1);
    }
    uint8_t status() override { return mChip.read(0); }

private:
    AY38910 mChip;
};

struct Command {
    int line;
    int64_t time;
    char op;            // w a r s x m e(nd)
    uint32_t value;
    uint32_t data;
};

bool ParseHex(const char* text, uint32_t limit, uint32_t* value)
{
    if (text == nullptr || *text == 0) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 16);
    if (*end != 0 || v > limit) return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

bool ParseScript(const char* path, bool bank1, std::vector<Command>* commands)
{
    FILE* f = std::fopen(path, "r");
    if (f == nullptr) {
        std::fprintf(stderr, "chiprun: cannot open %s\n", path);
        return false;
    }
    char text[256];
    int number = 0;
    int64_t last = 0;
    bool ok = true;
    while (ok && std::fgets(text, sizeof(text), f) != nullptr) {
        number++;
        if (char* hash = std::strchr(text, '#')) *hash = 0;
        const char* word[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
        int words = 0;
        for (char* t = std::strtok(text, " \t\r\n"); t != nullptr; t = std::strtok(nullptr, " \t\r\n")) {
            if (words == 5) {
                words = 6;
                break;
            }
            word[words++] = t;
        }
        if (words == 0) continue;
        Command c = {number, 0, 0, 0, 0};
        char* end = nullptr;
        long long time = std::strtoll(word[0], &end, 10);
        const uint32_t regLimit = bank1 ? 0x1FF : 0xFF;
        bool good = *end == 0 && time >= 0 && time >= last && time <= 3600LL * 1000000 && words >= 2;
        if (good) {
            const std::string op = word[1];
            c.time = time;
            if (op == "w" && words == 4) {
                c.op = 'w';
                good = ParseHex(word[2], regLimit, &c.value) && ParseHex(word[3], 0xFF, &c.data);
            } else if (op == "a" && words == 3) {
                c.op = 'a';
                good = ParseHex(word[2], 0xFF, &c.value);
            } else if (op == "r" && words == 3) {
                c.op = 'r';
                good = ParseHex(word[2], regLimit, &c.value);
            } else if (op == "s" && words == 2) {
                c.op = 's';
            } else if (op == "x" && words == 2 && bank1) {
                c.op = 'x';
            } else if (op == "m" && words == 3) {
                c.op = 'm';
                good = ParseHex(word[2], 0xFFFFFFFFu, &c.value);
            } else if (op == "end" && words == 2) {
                c.op = 'e';
            } else {
                good = false;
            }
        }
        if (!good) {
            std::fprintf(stderr, "chiprun: %s line %d: bad command\n", path, number);
            ok = false;
            break;
        }
        last = c.time;
        commands->push_back(c);
    }
    std::fclose(f);
    return ok;
}

bool LoadAdpcm(const char* path, uint8_t* ram)
{
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "chiprun: cannot open %s\n", path);
        return false;
    }
    std::vector<uint8_t> data(kAdpcmBytes + 1);
    size_t n = std::fread(data.data(), 1, data.size(), f);
    std::fclose(f);
    if (n > static_cast<size_t>(kAdpcmBytes)) {
        std::fprintf(stderr, "chiprun: %s is larger than the 256 KiB ADPCM RAM\n", path);
        return false;
    }
    std::memcpy(ram, data.data(), n);
    return true;
}

void Put32(uint8_t* at, uint32_t v)
{
    for (int i = 0; i < 4; i++) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool WriteWav(const char* path, const std::vector<int16_t>& samples)
{
    // The whole file in one block, the samples stored by index: a render of
    // minutes is millions of bytes.
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out(44 + static_cast<size_t>(bytes));
    uint8_t* h = out.data();
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + bytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put32(h + 20, 1 | (2 << 16));     // PCM, two channels
    Put32(h + 24, 44100);
    Put32(h + 28, 44100 * 4);
    Put32(h + 32, 4 | (16 << 16));    // block 4 bytes, 16 bits
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, bytes);
    uint8_t* d = h + 44;
    for (size_t i = 0; i < samples.size(); i++) {
        const uint16_t s = static_cast<uint16_t>(samples[i]);
        d[2 * i] = static_cast<uint8_t>(s & 0xFF);
        d[2 * i + 1] = static_cast<uint8_t>(s >> 8);
    }
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "chiprun: cannot write %s\n", path);
        return false;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "chiprun: cannot write %s\n", path);
        return false;
    }
    return true;
}

class Runner {
public:
    Runner(VM* vm, Target* target)
        : mVM(vm), mTarget(target), mLine(false), mNextRender(kRenderStep), mBuffer(2 * kMaxFrames)
    {
    }

    // Runs the VM to `time`, stopping at every chip-timer expiry to note
    // edges and at every render step to take the mixed frames.
    void advanceTo(int64_t time)
    {
        while (mVM->getTime() < time) {
            int64_t step = time < mNextRender ? time : mNextRender;
            const int64_t timer = mTarget->nextTimer();
            if (timer > mVM->getTime() && timer < step) step = timer;
            mVM->run(step - mVM->getTime());
            noteLine();
            if (mVM->getTime() >= mNextRender) {
                render();
                mNextRender += kRenderStep;
            }
        }
    }

    void noteLine()
    {
        if (mTarget->line() == mLine) return;
        mLine = !mLine;
        std::printf("%lld irq %d\n", static_cast<long long>(mVM->getTime()), mLine ? 1 : 0);
    }

    // Takes what the step mixed (441 frames; at most a second's worth is
    // asked for) into the one buffer the runner keeps for it.
    void render()
    {
        int32_t written = 0;
        mVM->render(mBuffer.data(), kMaxFrames, &written);
        const size_t at = mSamples.size();
        mSamples.resize(at + 2 * static_cast<size_t>(written));
        for (int32_t i = 0; i < 2 * written; i++) mSamples[at + i] = static_cast<int16_t>(mBuffer[i]);
    }

    const std::vector<int16_t>& samples() const { return mSamples; }

private:
    VM* mVM;
    Target* mTarget;
    bool mLine;
    int64_t mNextRender;
    std::vector<int32_t> mBuffer;
    std::vector<int16_t> mSamples;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: chiprun <ay38910|ym2203|ym2608|ym2151> <script> <out.wav> [adpcm image]\n");
        return 2;
    }
    VM vm;
    std::unique_ptr<Target> target;
    const std::string name = argv[1];
    if (name == "ay38910")
        target.reset(new AyTarget(&vm));
    else if (name == "ym2203")
        target.reset(new FmTarget<YM2203>(&vm, 3993600));
    else if (name == "ym2608")
        target.reset(new OpnaTarget(&vm, 7987200));
    else if (name == "ym2151")
        target.reset(new FmTarget<YM2151>(&vm, 4000000));
    if (!target) {
        std::fprintf(stderr, "chiprun: unknown chip %s\n", argv[1]);
        return 2;
    }
    std::vector<Command> commands;
    if (!ParseScript(argv[2], target->bank1(), &commands)) return 1;
    if (!target->init()) {
        std::fprintf(stderr, "chiprun: the %s cannot be set up\n", argv[1]);
        return 1;
    }
    vm.addChip(target->chip());
    if (argc == 5) {
        if (target->adpcm() == nullptr) {
            std::fprintf(stderr, "chiprun: only the ym2608 takes an ADPCM image\n");
            return 2;
        }
        if (!LoadAdpcm(argv[4], target->adpcm())) return 1;
    }

    Runner runner(&vm, target.get());
    int64_t end = commands.empty() ? 0 : commands.back().time;
    for (const Command& c : commands) {
        runner.advanceTo(c.time);
        switch (c.op) {
        case 'w':
            target->write(c.value, static_cast<uint8_t>(c.data));
            break;
        case 'a':
            target->address(static_cast<uint8_t>(c.value));
            break;
        case 'r':
            std::printf("%lld read %02x %02x\n", static_cast<long long>(c.time), c.value, target->readReg(c.value));
            break;
        case 's':
            std::printf("%lld status %02x\n", static_cast<long long>(c.time), target->status());
            break;
        case 'x': {
            uint8_t v = 0;
            target->statusEx(&v);
            std::printf("%lld status-ex %02x\n", static_cast<long long>(c.time), v);
            break;
        }
        case 'm':
            target->chip()->setMask(c.value);
            break;
        default:
            end = c.time;
            break;
        }
        runner.noteLine();
        if (c.op == 'e') break;
    }
    runner.advanceTo(end);
    runner.render();
    std::printf("frames %lu\n", static_cast<unsigned long>(runner.samples().size() / 2));
    if (!WriteWav(argv[3], runner.samples())) return 1;
    return 0;
}
