// songrender: plays one song of a music archive on the emulated machine, the
// way the player does, and writes what it sounded like as a 44100 Hz 16-bit
// stereo WAV file.
//
//   songrender <archive> <song> <seconds> <out.wav> [--tempo T] [--mask M]
//              [--stop S] [--change N@S] [--option key=value]...
//
//   archive   a folder, a ".kzd" or ".zip" file, or a name to which the
//             player's own order applies (name.kzd, name.zip, the folder)
//   song      the N-th entry (from 1) of section "title"; its "code" is played
//   seconds   length of the WAV (fractions allowed)
//   --tempo   -100..100, as the player's tempo control
//   --mask    channel mask, decimal or 0x hexadecimal; a set bit mutes
//   --stop    asks the song to stop at that second of the WAV
//   --change  plays song N from second S of the WAV (may repeat)
//   --option  replaces key of section "option" before the archive loads
//
// Times on the command line are positions in the WAV; the machine's own time
// runs faster or slower by the tempo. Every error (the drivers' and the
// machine's messages, Shift-JIS, and the tool's own) goes to standard error.
// On success one line goes to standard output:
//   speed <emulated seconds per wall second> emulated <s> wall <s>
// Exit codes: 0 done, 1 the archive, a song or a file failed, 2 a wrong
// command line.

#include "Archive.h"
#include "Config.h"
#include "File.h"
#include "MusicArchive.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "StdSystem.h"
#include "VM.h"
#include "X1Driver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: songrender <archive> <song> <seconds> <out.wav> [--tempo T] [--mask M]\n"
    "                  [--stop S] [--change N@S] [--option key=value]...\n";

// One render step: 10 ms of output, a whole number of microseconds at the
// normal speed.
const int32_t kStepFrames = 441;
// An hour of sound is far beyond any test or demo; it keeps the frame
// counts and the WAV size within 32 bits.
const double kMaxSeconds = 3600.0;

enum EventKind { EVENT_STOP, EVENT_CHANGE };

struct Event {
    int64_t frame;
    EventKind kind;
    int song;   // EVENT_CHANGE: 1-based entry of section "title"
};

struct Options {
    std::string archive;
    int song = 0;
    double seconds = 0;
    std::string wav;
    bool hasTempo = false;
    int tempo = 0;
    bool hasMask = false;
    uint32_t mask = 0;
    std::vector<Event> events;
    std::vector<std::pair<std::string, std::string>> overrides;
};

bool ParseInt(const char* text, long min, long max, long* out)
{
    if (*text == 0) return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != 0 || v < min || v > max) return false;
    *out = v;
    return true;
}

bool ParseSeconds(const char* text, double* out)
{
    if (*text == 0) return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (*end != 0 || !(v >= 0) || v > kMaxSeconds) return false;
    *out = v;
    return true;
}

bool ParseMask(const char* text, uint32_t* out)
{
    if (*text == 0 || *text == '-' || *text == '+') return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex && text[2] == 0) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, hex ? 16 : 10);
    if (errno != 0 || *end != 0 || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

int64_t SecondsToFrames(double seconds)
{
    return static_cast<int64_t>(std::llround(seconds * VM::RATE));
}

// False with a message on standard error for a wrong command line.
bool ParseCommandLine(int argc, char** argv, Options* o)
{
    std::vector<const char*> positional;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a.compare(0, 2, "--") != 0) {
            positional.push_back(argv[i]);
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "songrender: %s needs a value\n", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        if (a == "--tempo") {
            long t;
            if (!ParseInt(v, -100, 100, &t)) {
                std::fprintf(stderr, "songrender: tempo must be -100..100: %s\n", v);
                return false;
            }
            o->hasTempo = true;
            o->tempo = static_cast<int>(t);
        } else if (a == "--mask") {
            if (!ParseMask(v, &o->mask)) {
                std::fprintf(stderr, "songrender: bad mask: %s\n", v);
                return false;
            }
            o->hasMask = true;
        } else if (a == "--stop") {
            double s;
            if (!ParseSeconds(v, &s)) {
                std::fprintf(stderr, "songrender: bad stop time: %s\n", v);
                return false;
            }
            o->events.push_back({SecondsToFrames(s), EVENT_STOP, 0});
        } else if (a == "--change") {
            const std::string text = v;
            const size_t at = text.find('@');
            long n;
            double s;
            if (at == std::string::npos || !ParseInt(text.substr(0, at).c_str(), 1, 9999, &n) ||
                !ParseSeconds(text.c_str() + at + 1, &s)) {
                std::fprintf(stderr, "songrender: --change wants N@S: %s\n", v);
                return false;
            }
            o->events.push_back({SecondsToFrames(s), EVENT_CHANGE, static_cast<int>(n)});
        } else if (a == "--option") {
            const std::string text = v;
            const size_t eq = text.find('=');
            if (eq == std::string::npos || eq == 0) {
                std::fprintf(stderr, "songrender: --option wants key=value: %s\n", v);
                return false;
            }
            o->overrides.emplace_back(text.substr(0, eq), text.substr(eq + 1));
        } else {
            std::fprintf(stderr, "songrender: unknown option %s\n", a.c_str());
            return false;
        }
    }
    if (positional.size() != 4) {
        std::fputs(kUsage, stderr);
        return false;
    }
    o->archive = positional[0];
    long song;
    if (!ParseInt(positional[1], 1, 9999, &song)) {
        std::fprintf(stderr, "songrender: song must be a number from 1: %s\n", positional[1]);
        return false;
    }
    o->song = static_cast<int>(song);
    if (!ParseSeconds(positional[2], &o->seconds) || o->seconds <= 0) {
        std::fprintf(stderr, "songrender: bad length in seconds: %s\n", positional[2]);
        return false;
    }
    o->wav = positional[3];
    // Events at one frame keep their command-line order.
    std::stable_sort(o->events.begin(), o->events.end(),
                     [](const Event& a, const Event& b) { return a.frame < b.frame; });
    return true;
}

bool EndsWithNoCase(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; i++) {
        char c = s[s.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

// A named zip opens as it is; any other name as the player finds a title's
// music (name.kzd, name.zip, then the folder itself).
Archive* OpenArchive(const std::string& name)
{
    if (EndsWithNoCase(name, ".kzd") || EndsWithNoCase(name, ".zip")) return System::openArchive(name);
    return OpenMusicArchive(name);
}

// The WAV file, written as the frames come; the sizes go into the header at
// the end. A failed write removes the file.
class WavWriter {
public:
    explicit WavWriter(const std::string& path) : mPath(path), mFile(nullptr), mFrames(0), mOk(true) {}
    ~WavWriter()
    {
        if (mFile != nullptr) std::fclose(mFile);
    }

    bool open()
    {
        mFile = std::fopen(mPath.c_str(), "wb");
        if (mFile == nullptr) return false;
        return header();
    }
    void write(const int32_t* frames, int32_t count)
    {
        std::vector<uint8_t> out(static_cast<size_t>(count) * 4);
        for (int32_t i = 0; i < count * 2; i++) {
            const int32_t v = std::min(32767, std::max(-32768, frames[i]));
            out[2 * i] = static_cast<uint8_t>(v & 0xFF);
            out[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
        if (std::fwrite(out.data(), 1, out.size(), mFile) != out.size()) mOk = false;
        mFrames += count;
    }
    bool close()
    {
        bool ok = mOk && std::fseek(mFile, 0, SEEK_SET) == 0 && header();
        ok = (std::fclose(mFile) == 0) && ok;
        mFile = nullptr;
        if (!ok) std::remove(mPath.c_str());
        return ok;
    }
    void discard()
    {
        if (mFile != nullptr) std::fclose(mFile);
        mFile = nullptr;
        std::remove(mPath.c_str());
    }

private:
    static void put32(uint8_t* p, uint32_t v)
    {
        for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    bool header()
    {
        const uint32_t bytes = static_cast<uint32_t>(mFrames * 4);
        uint8_t h[44];
        std::memcpy(h, "RIFF", 4);
        put32(h + 4, 36 + bytes);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        put32(h + 16, 16);
        put32(h + 20, 1 | (2 << 16));   // PCM, two channels
        put32(h + 24, VM::RATE);
        put32(h + 28, VM::RATE * 4);
        put32(h + 32, 4 | (16 << 16));  // 4 bytes a frame, 16 bits a sample
        std::memcpy(h + 36, "data", 4);
        put32(h + 40, bytes);
        return std::fwrite(h, 1, sizeof h, mFile) == sizeof h;
    }

    std::string mPath;
    FILE* mFile;
    int64_t mFrames;
    bool mOk;
};

ConfigEntry* SongEntry(Config& config, int song)
{
    const std::vector<ConfigEntry*>* titles = config.getEntries("title");
    if (titles == nullptr || song < 1 || song > static_cast<int>(titles->size())) return nullptr;
    return (*titles)[song - 1];
}

int SongCount(Config& config)
{
    const std::vector<ConfigEntry*>* titles = config.getEntries("title");
    return titles == nullptr ? 0 : static_cast<int>(titles->size());
}

bool Play(VM& vm, Config& config, int song)
{
    ConfigEntry* entry = SongEntry(config, song);
    if (entry == nullptr) return false;
    return vm.play(entry->getInt("code", 0), entry);
}

int Render(const Options& o)
{
    RegisterPC88Drivers();
    RegisterX1Drivers();

    std::unique_ptr<Archive> archive(OpenArchive(o.archive));
    if (!archive) {
        std::fprintf(stderr, "songrender: cannot open the archive %s\n", o.archive.c_str());
        return 1;
    }
    Config config;
    {
        std::unique_ptr<File> file(archive->openFile("config.txt", File::MODE_READ));
        if (!file) {
            std::fprintf(stderr, "songrender: %s has no config.txt\n", o.archive.c_str());
            return 1;
        }
        if (!config.load(file.get())) {
            std::fprintf(stderr, "songrender: cannot read config.txt of %s\n", o.archive.c_str());
            return 1;
        }
    }
    for (const auto& kv : o.overrides) config.addEntry("option", kv.first, kv.second, true);

    const int songs = SongCount(config);
    if (o.song > songs) {
        std::fprintf(stderr, "songrender: no song %d in section title (%d songs)\n", o.song, songs);
        return 1;
    }
    for (const Event& e : o.events) {
        if (e.kind == EVENT_CHANGE && e.song > songs) {
            std::fprintf(stderr, "songrender: no song %d in section title (%d songs)\n", e.song, songs);
            return 1;
        }
    }

    VM vm;
    if (!vm.load(&config, archive.get())) return 1;
    if (o.hasTempo) vm.setSpeed(o.tempo);
    if (o.hasMask) vm.setMask(o.mask);

    WavWriter wav(o.wav);
    if (!wav.open()) {
        std::fprintf(stderr, "songrender: cannot write %s\n", o.wav.c_str());
        wav.discard();
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    if (!Play(vm, config, o.song)) {
        std::fprintf(stderr, "songrender: song %d does not play\n", o.song);
        wav.discard();
        return 1;
    }

    // The output frames are the clock: before each step the machine runs to
    // the time of the step's last frame, and the render takes no more than
    // the step. A CPU that overshoots leaves its few extra frames in the
    // chips' streams for the next step instead of stretching the song.
    const int64_t total = SecondsToFrames(o.seconds);
    std::vector<int32_t> buffer(2 * static_cast<size_t>(kStepFrames));
    size_t nextEvent = 0;
    int64_t written = 0;
    while (written < total) {
        while (nextEvent < o.events.size() && o.events[nextEvent].frame <= written) {
            const Event& e = o.events[nextEvent++];
            if (e.kind == EVENT_STOP) {
                vm.stop();
            } else if (!Play(vm, config, e.song)) {
                std::fprintf(stderr, "songrender: song %d does not play\n", e.song);
                wav.discard();
                return 1;
            }
        }
        int64_t upTo = std::min(total, written + kStepFrames);
        if (nextEvent < o.events.size()) upTo = std::min(upTo, o.events[nextEvent].frame);
        int64_t target = vm.samplesToTime(static_cast<int32_t>(upTo), VM::RATE);
        const int64_t now = vm.getTime();
        // A CPU that overshot may already stand past the step: run on by a
        // frame's time all the same, or the render would find nothing due
        // (each pass then moves the machine, so the loop always ends).
        if (target <= now) target = now + std::max<int64_t>(1, vm.samplesToTime(1, VM::RATE));
        vm.run(target - now);
        int32_t got = 0;
        vm.render(buffer.data(), static_cast<int32_t>(upTo - written), &got);
        if (got <= 0) continue;
        wav.write(buffer.data(), got);
        written += got;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (!wav.close()) {
        std::fprintf(stderr, "songrender: cannot write %s\n", o.wav.c_str());
        return 1;
    }
    const double emulated = static_cast<double>(vm.getTime()) / 1e6;
    std::printf("speed %.1f emulated %.3f wall %.3f\n", wall > 0 ? emulated / wall : 0.0, emulated, wall);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseCommandLine(argc, argv, &options)) return 2;
    // Errors go to standard error as their bytes, kept nowhere.
    System::setInstance(new StdSystem(StdSystem::Options{"songrender", true, false}));
    const int rc = Render(options);
    System::terminate();
    return rc;
}
