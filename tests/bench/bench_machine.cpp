// Real-time factor of the whole sound machine: the busy YM2608 song
// (busy_opna/, the project's own Z80 program on "pc88/opna": six FM
// channels, SSG, ADPCM and rhythm all sounding, paced by the PC-8801's
// interrupt timers) loaded through VM::load and rendered in the player's
// 32-ms blocks. Prints emulated seconds per wall second and per CPU second.
//
//   bench_machine [emulated-seconds [archive-folder]]   (default 60 s, the song built beside it)
//
// Before the figure counts for anything the run must really sound
// everything: it counts the key-ons of each of the chip's 16 channels (FM
// 1-6, SSG 1-3, ADPCM, rhythm 1-6) and, after the timed run, renders two
// seconds of each part alone (the others masked); it fails (exit status 1)
// when a channel never keyed, a part is silent or the ADPCM sample is off
// its pitch.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Chip.h"
#include "Config.h"
#include "File.h"
#include "FolderArchive.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "VM.h"
#include "chip_measure.h"
#include "cputime.h"
#include "test_system.h"

namespace {

const char* const kChannelNames[16] = {"FM1", "FM2", "FM3", "FM4", "FM5",   "FM6",   "SSG1",  "SSG2",
                                       "SSG3", "ADPCM", "BD", "SD", "TOP", "HH", "TOM", "RIM"};

void PrintErrors(TestSystem* sys)
{
    for (const std::string& e : sys->errors()) fputs(e.c_str(), stderr);
}

// The player's block: 32 ms of output, 1411 frames at 44100 Hz.
const int32_t kBlock = 1411;

// A VM with the archive loaded and its first song playing, or null.
std::unique_ptr<VM> StartSong(Config& config, Archive& archive)
{
    std::unique_ptr<VM> vm(new VM());
    if (!vm->load(&config, &archive)) return nullptr;
    const std::vector<ConfigEntry*>* titles = config.getEntries("title");
    if (titles == nullptr || titles->empty()) return nullptr;
    ConfigEntry* song = titles->front();
    vm->play(song->getInt("code", 0), song);
    return vm;
}

// The output over `seconds` with the channels of `mask` muted: its RMS
// around the mean (a stuck decoder's constant level does not count) and
// its rate of rising zero crossings.
struct PartSound {
    double rms;
    double hz;
};

PartSound MeasurePart(Config& config, Archive& archive, uint32_t mask, double seconds)
{
    std::unique_ptr<VM> vm = StartSong(config, archive);
    if (vm == nullptr) return PartSound{0, 0};
    vm->setMask(mask);
    std::vector<int32_t> buffer(2 * kBlock);
    std::vector<int32_t> all;
    for (long b = 0; b < (long)(seconds * VM::RATE / kBlock); b++) {
        vm->run(vm->samplesToTime(kBlock, VM::RATE));
        int32_t written = 0;
        vm->render(buffer.data(), kBlock, &written);
        all.insert(all.end(), buffer.begin(), buffer.begin() + 2 * written);
    }
    const std::vector<double> left = LeftOf(all);
    if (left.empty()) return PartSound{0, 0};
    double mean = 0;
    for (double v : left) mean += v;
    mean /= left.size();
    double energy = 0;
    for (double v : left) energy += (v - mean) * (v - mean);
    return PartSound{sqrt(energy / left.size()), ZeroCrossFrequency(left, VM::RATE)};
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? atof(argv[1]) : 60.0;
    const std::string folder = argc > 2 ? argv[2] : BUSY_OPNA_DIR;
    if (!(seconds > 0)) {
        fprintf(stderr, "usage: bench_machine [emulated-seconds [archive-folder]]\n");
        return 2;
    }
    TestSystem* sys = TestSystem::install();
    RegisterPC88Drivers();

    FolderArchive archive(folder);
    std::unique_ptr<File> file(archive.openFile("config.txt", File::MODE_READ));
    Config config;
    if (file == nullptr || !config.load(file.get())) {
        fprintf(stderr, "bench_machine: no readable config.txt in %s\n", folder.c_str());
        PrintErrors(sys);
        return 1;
    }
    std::unique_ptr<VM> vm = StartSong(config, archive);
    if (vm == nullptr) {
        fprintf(stderr, "bench_machine: %s does not load or has no song\n", folder.c_str());
        PrintErrors(sys);
        return 1;
    }

    const int32_t block = kBlock;
    const long blocks = (long)ceil(seconds * VM::RATE / block);
    std::vector<int32_t> buffer(2 * block);
    long keyOns[16] = {0};
    double energy = 0;
    long frames = 0;

    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    for (long b = 0; b < blocks; b++) {
        vm->run(vm->samplesToTime(block, VM::RATE));
        int32_t written = 0;
        vm->render(buffer.data(), block, &written);
        for (int32_t i = 0; i < 2 * written; i++) energy += (double)buffer[i] * buffer[i];
        frames += written;
        // A key-on sets the channel's level to 255; taking bit 7 away here
        // lets the next block see the next key-on.
        for (int32_t c = 0; c < 16; c++) {
            ChannelStatus* s = vm->getChannel(c);
            if (s != nullptr && (s->level & 0x80)) {
                keyOns[c]++;
                s->level &= 0x7F;
            }
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double emulated = vm->getTime() / 1e6;

    const double rms = frames > 0 ? sqrt(energy / (2.0 * frames)) : 0;
    printf("busy YM2608 song on pc88/opna: %.1f emulated s in %.3f wall s (%.3f CPU s)\n", emulated, wall, cpu);
    printf("x real time: %.1f (wall)  %.1f (CPU)\n", wall > 0 ? emulated / wall : 0.0, cpu > 0 ? emulated / cpu : 0.0);
    printf("output RMS %.0f; key-on blocks per channel:", rms);
    bool ok = rms > 500;
    for (int32_t c = 0; c < 16; c++) {
        printf(" %s %ld", kChannelNames[c], keyOns[c]);
        if (keyOns[c] == 0) ok = false;
    }
    printf("\n");
    // Each part alone: a mask bit mutes its channel (FM 0-5, SSG 6-8,
    // ADPCM 9, rhythm 10-15). The ADPCM sample is a sine of 32 samples a
    // period played at delta-N 4000h: 7987200 / 2 / 72 / 4 / 32 = 433.3 Hz.
    struct Part {
        const char* name;
        uint32_t channels;
        double hz;   // 0: any pitch
    } parts[] = {{"FM", 0x003F, 0}, {"SSG", 0x01C0, 0}, {"ADPCM", 0x0200, 7987200.0 / 2 / 72 / 4 / 32},
                 {"rhythm", 0xFC00, 0}};
    printf("each part alone (RMS, zero-crossing Hz):");
    for (const Part& p : parts) {
        const PartSound sound = MeasurePart(config, archive, ~p.channels, 2.0);
        printf(" %s %.0f %.1f", p.name, sound.rms, sound.hz);
        if (sound.rms <= 100 || sound.hz <= 20) ok = false;
        if (p.hz > 0 && fabs(sound.hz - p.hz) > p.hz * 0.02) {
            printf(" (expected %.1f Hz)", p.hz);
            ok = false;
        }
    }
    printf("\n");
    if (!ok) {
        fprintf(stderr, "bench_machine: the song does not sound everything (a channel without key-on, a part "
                        "silent or off pitch, or the whole with RMS <= 500)\n");
        return 1;
    }
    vm.reset();
    System::terminate();
    return 0;
}
