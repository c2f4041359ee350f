// The music archives of tests/music played end to end: the songrender
// program (natively, or the .exe under Wine) runs each archive's own Z80
// program on its driver's machine and writes a WAV, which these tests
// measure: the onset and pitch of every note, song changes, stops, tempo,
// channel masks, skip_idle, the zip form, and the errors a user meets.
#include "chip_measure.h"
#include "music_table.h"
#include "run_program.h"
#include "testdir.h"
#include "wav_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double kRate = 44100;
// How far a measured onset may be from the expected one, and a pitch from
// the expected pitch.
const double kOnsetToleranceMs = 3.0;
const double kPitchToleranceCents = 5.0;

std::string MusicPath(const std::string& name)
{
    return HostPath(std::string(MUSIC_DIR) + "/" + name);
}

struct Render {
    ProgramResult run;
    std::vector<int32_t> stereo;   // the WAV's frames, left and right
    std::string bytes;             // the whole WAV file
};

// Runs songrender; the argument "out.wav" becomes a name of its own for
// each run, so that no run can read what an earlier one left.
Render RunSongrender(std::vector<std::string> args)
{
    static int runs = 0;
    const std::string wav = "out-" + std::to_string(++runs) + ".wav";
    for (std::string& a : args)
        if (a == "out.wav") a = wav;
    Render r;
    r.run = RunProgram(HostPath(SONGRENDER), args);
    r.bytes = ReadAll(wav);
    r.stereo = WavFrames(r.bytes);
    std::remove(wav.c_str());
    return r;
}

// Song `song` of the archive for `seconds`, with further options; fails the
// test unless it ran, wrote a WAV of that length and printed its speed.
Render RenderSong(const std::string& archive, int song, double seconds, std::vector<std::string> extra = {})
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    seconds = std::strtod(text, nullptr);
    std::vector<std::string> args = {archive, std::to_string(song), text, "out.wav"};
    args.insert(args.end(), extra.begin(), extra.end());
    Render r = RunSongrender(args);
    EXPECT_EQ(r.run.exitCode, 0) << "songrender " << archive << " " << song << ": " << r.run.err;
    EXPECT_EQ(r.run.out.compare(0, 6, "speed "), 0) << "speed line expected, actual: " << r.run.out;
    EXPECT_EQ(r.stereo.size() / 2, static_cast<size_t>(std::llround(seconds * kRate)))
        << "frames of a " << seconds << " s render";
    return r;
}

double Cents(double actual, double expected)
{
    return 1200.0 * std::log2(actual / expected);
}

size_t Frame(double ms)
{
    return ms <= 0 ? 0 : static_cast<size_t>(ms * kRate / 1000.0);
}

// Louder of the two sides, frame by frame.
std::vector<double> Mono(const std::vector<int32_t>& stereo)
{
    std::vector<double> m(stereo.size() / 2);
    for (size_t i = 0; i < m.size(); i++)
        m[i] = std::abs(stereo[2 * i]) >= std::abs(stereo[2 * i + 1]) ? stereo[2 * i] : stereo[2 * i + 1];
    return m;
}

double RmsMs(const std::vector<double>& x, double fromMs, double toMs)
{
    size_t a = std::min(Frame(fromMs), x.size());
    size_t b = std::min(Frame(toMs), x.size());
    return b > a ? Rms(x, a, b) : 0.0;
}

// First frame in [fromMs, toMs) whose level reaches a quarter of the peak
// of the 30 ms behind it; -1 when it stays silent.
double OnsetMs(const std::vector<double>& x, double fromMs, double toMs)
{
    const size_t a = std::min(Frame(fromMs), x.size());
    const size_t b = std::min(Frame(toMs), x.size());
    double peak = 0;
    for (size_t i = a; i < std::min(x.size(), b + Frame(30)); i++) peak = std::max(peak, std::fabs(x[i]));
    if (peak < 200) return -1;
    for (size_t i = a; i < b; i++)
        if (std::fabs(x[i]) >= peak / 4) return i * 1000.0 / kRate;
    return -1;
}

double PitchHz(const std::vector<double>& x, double fromMs, double toMs)
{
    const size_t a = std::min(Frame(fromMs), x.size());
    const size_t b = std::min(Frame(toMs), x.size());
    if (b <= a) return 0;
    return ZeroCrossFrequency(std::vector<double>(x.begin() + a, x.begin() + b), kRate);
}

// Checks every note of a song heard from originMs on, the song's time
// scaled by `scale` (output time per machine time); muted channels must
// stay silent. Each note is reported field by field.
void CheckNotes(const std::string& what, const std::vector<double>& x, const ArchiveSpec& a, const SongSpec& s,
                double originMs, double scale, uint32_t mutedChannels = 0)
{
    const double tickMs = a.tickUs / 1000.0 * scale;
    for (size_t k = 0; k < s.notes.size(); k++) {
        const NoteSpec& n = s.notes[k];
        const double on = originMs + n.on * tickMs;
        const double off = originMs + n.off * tickMs;
        const double len = off - on;
        std::ostringstream label;
        label << what << " song " << s.number << " note " << k + 1 << " (channel " << n.channel << ", ticks "
              << n.on << "-" << n.off << ")";
        if (mutedChannels & (1u << n.channel)) {
            const double rms = RmsMs(x, on, off);
            EXPECT_LT(rms, 1.0) << label.str() << ": muted, expected silence, actual RMS " << rms;
            continue;
        }
        const double gapBefore = k == 0 ? std::min(20.0, on - originMs) : (n.on - s.notes[k - 1].off) * tickMs;
        const double window = std::min(20.0, std::max(1.0, gapBefore * 0.8));
        const double measuredOn = OnsetMs(x, on - window, on + window);
        EXPECT_NEAR(measuredOn, on, kOnsetToleranceMs)
            << label.str() << ": onset expected " << on << " ms, actual " << measuredOn << " ms";
        if (n.hz > 0) {
            const double hz = PitchHz(x, on + std::min(20.0, len * 0.2), off - len * 0.1);
            const double cents = hz > 0 ? Cents(hz, n.hz) : 1e9;
            EXPECT_LT(std::fabs(cents), kPitchToleranceCents)
                << label.str() << ": pitch expected " << n.hz << " Hz, actual " << hz << " Hz (" << cents
                << " cents)";
        }
    }
}

double SongEndMs(const ArchiveSpec& a, const SongSpec& s, double scale = 1.0)
{
    return s.notes.back().off * a.tickUs / 1000.0 * scale;
}

// The speed factor of a tempo, as the machine derives it.
double Scale(int tempo)
{
    const int speed = tempo == 0 ? 256 : static_cast<int>(std::pow(5.0, tempo * 0.01) * 256.0);
    return 256.0 / speed;
}

}  // namespace

TEST(MusicRender, EachArchivePlaysItsNotesAtTheirPitchAndTime)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const std::string config = ReadAll(std::string(MUSIC_DIR) + "/" + a.archive + "/config.txt");
        EXPECT_NE(config.find("driver=" + a.driver + "\n"), std::string::npos)
            << a.archive << ": config.txt names another driver than " << a.driver;
        for (const SongSpec& s : a.songs) {
            const double seconds = (SongEndMs(a, s) + 300) / 1000.0;
            Render r = RenderSong(MusicPath(a.archive), s.number, seconds);
            CheckNotes(a.archive, Mono(r.stereo), a, s, 0, 1.0);
        }
    }
}

// The zip form (the player's ".kzd") holds the same files: the same sound,
// byte for byte, whether named with its extension or found as the player
// finds a title's music (the name, then name.kzd).
TEST(MusicRender, ZipArchivePlaysTheSameBytesAsItsFolder)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const SongSpec& s = a.songs.front();
        const double seconds = (SongEndMs(a, s) + 100) / 1000.0;
        const std::string folder = RenderSong(MusicPath(a.archive), s.number, seconds).bytes;
        const std::string zip = RenderSong(MusicPath("kzd/" + a.archive + ".kzd"), s.number, seconds).bytes;
        const std::string found = RenderSong(MusicPath("kzd/" + a.archive), s.number, seconds).bytes;
        EXPECT_FALSE(folder.empty()) << a.archive;
        EXPECT_TRUE(folder == zip) << a.archive << ": the .kzd plays other bytes than the folder";
        EXPECT_TRUE(folder == found) << a.archive << ": the name without .kzd plays other bytes than the folder";
    }
}

// --change in a gap of song 1: from then on every note is song 2's, in song
// 2's own timing, measured from its first onset (the request waits for the
// program's next poll and tick).
TEST(MusicRender, SongChangeSwitchesToTheOtherSongsNotes)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const SongSpec& first = a.songs[0];
        const SongSpec& second = a.songs[1];
        const double changeMs = (first.notes[1].off + first.notes[2].on) / 2.0 * a.tickUs / 1000.0;
        const double seconds = (changeMs + SongEndMs(a, second) + 200) / 1000.0;
        std::ostringstream change;
        change << second.number << "@" << changeMs / 1000.0;
        Render r = RenderSong(MusicPath(a.archive), first.number, seconds, {"--change", change.str()});
        const std::vector<double> x = Mono(r.stereo);

        // Song 1 up to the change.
        SongSpec before = first;
        before.notes.resize(2);
        CheckNotes(a.archive + " before the change", x, a, before, 0, 1.0);
        // Song 2 from its first onset, which comes within a few ticks.
        const double firstOn = second.notes[0].on * a.tickUs / 1000.0;
        const double onset = OnsetMs(x, changeMs, changeMs + firstOn + 4 * a.tickUs / 1000.0);
        ASSERT_GE(onset, changeMs) << a.archive << ": no note after the change at " << changeMs << " ms";
        CheckNotes(a.archive + " after the change", x, a, second, onset - firstOn, 1.0);
    }
}

// --stop in the middle of a note of the looping song 2: sound before it,
// silence from a few milliseconds after it to the end.
TEST(MusicRender, StopSilencesTheSong)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const SongSpec& s = a.songs[1];
        const NoteSpec& n = s.notes[1];
        const double stopMs = (n.on + n.off) / 2.0 * a.tickUs / 1000.0;
        const double seconds = (SongEndMs(a, s) + 300) / 1000.0;
        std::ostringstream stop;
        stop << stopMs / 1000.0;
        Render r = RenderSong(MusicPath(a.archive), s.number, seconds, {"--stop", stop.str()});
        const std::vector<double> x = Mono(r.stereo);
        const double before = RmsMs(x, stopMs - 30, stopMs);
        const double after = RmsMs(x, stopMs + 2 * a.tickUs / 1000.0 + 10, seconds * 1000);
        EXPECT_GT(before, 100.0) << a.archive << ": RMS before the stop at " << stopMs << " ms";
        EXPECT_LT(after, 1.0) << a.archive << ": RMS after the stop at " << stopMs << " ms, expected silence";
    }
}

// Tempo +100 and -100: the machine runs 5 times faster or slower (speed
// 1280 or 51 of 256), every onset moves by that factor, no pitch changes.
TEST(MusicRender, TempoScalesTheTimingButNotThePitch)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const SongSpec& s = a.songs[0];
        for (int tempo : {100, -100}) {
            const double scale = Scale(tempo);
            const double seconds = (SongEndMs(a, s, scale) + 100) / 1000.0;
            Render r = RenderSong(MusicPath(a.archive), s.number, seconds, {"--tempo", std::to_string(tempo)});
            CheckNotes(a.archive + " tempo " + std::to_string(tempo), Mono(r.stereo), a, s, 0, scale);
        }
    }
}

// A mask with the bit of song 1's first channel: its notes are silent, the
// others play as before.
TEST(MusicRender, MaskSilencesTheMaskedChannels)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        const SongSpec& s = a.songs[0];
        const uint32_t mask = 1u << s.notes[0].channel;
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", mask);
        const double seconds = (SongEndMs(a, s) + 100) / 1000.0;
        Render r = RenderSong(MusicPath(a.archive), s.number, seconds, {"--mask", text});
        CheckNotes(a.archive + " mask " + text, Mono(r.stereo), a, s, 0, 1.0, mask);
    }
}

// skip_idle only ends a CPU slice early where the program polls the host
// device in vain: with it on and off every note starts in the same output
// frame, give or take one frame of machine time, at the same pitch. (Not the same bytes: a
// polling CPU meets the timer's interrupt a few cycles later than an idle
// one, and a register write a microsecond later can fall into the next
// frame, shifting that note's whole waveform by one sample.)
TEST(MusicRender, SkipIdleOnAndOffPlayTheSameNotes)
{
    TestDir dir;
    for (const ArchiveSpec& a : MusicArchives()) {
        if (!a.skipIdle) continue;
        for (const SongSpec& s : a.songs) {
            const double seconds = (SongEndMs(a, s) + 100) / 1000.0;
            for (int tempo : {0, -100}) {
                const double scale = Scale(tempo);
                const std::vector<std::string> t = {"--tempo", std::to_string(tempo)};
                std::vector<std::string> on = t, off = t;
                on.insert(on.end(), {"--option", "skip_idle=1"});
                off.insert(off.end(), {"--option", "skip_idle=0"});
                const std::vector<double> x1 = Mono(RenderSong(MusicPath(a.archive), s.number, seconds * scale, on).stereo);
                const std::vector<double> x0 = Mono(RenderSong(MusicPath(a.archive), s.number, seconds * scale, off).stereo);
                const std::string what = a.archive + " tempo " + std::to_string(tempo);
                // Each against the table, then note by note against each other.
                CheckNotes(what + " skip_idle=1", x1, a, s, 0, scale);
                CheckNotes(what + " skip_idle=0", x0, a, s, 0, scale);
                for (size_t k = 0; k < s.notes.size(); k++) {
                    const NoteSpec& n = s.notes[k];
                    const double on0 = n.on * a.tickUs / 1000.0 * scale;
                    const double off0 = n.off * a.tickUs / 1000.0 * scale;
                    const double o1 = OnsetMs(x1, on0 - 5, on0 + 5);
                    const double o0 = OnsetMs(x0, on0 - 5, on0 + 5);
                    // One frame of machine time: at tempo -100 that is five output frames.
                    EXPECT_NEAR(o1, o0, (std::ceil(scale) + 0.5) * 1000.0 / kRate)
                        << what << " song " << s.number << " note " << k + 1 << ": onset with skip_idle=1 " << o1
                        << " ms, with skip_idle=0 " << o0 << " ms";
                    const double r1 = RmsMs(x1, on0 + 5, off0 - 5);
                    const double r0 = RmsMs(x0, on0 + 5, off0 - 5);
                    EXPECT_NEAR(r1, r0, 0.01 * r0 + 1)
                        << what << " song " << s.number << " note " << k + 1 << ": RMS with skip_idle=1 " << r1
                        << ", with skip_idle=0 " << r0;
                }
            }
        }
    }
}

// The damaged archives of tests/chipplay/hostile through the whole program:
// each ends cleanly, played (0) or refused at load (1), with no sanitizer
// report or failed assertion (the native build runs under AddressSanitizer
// and UBSan). Their exact messages are checked where they are loaded in
// process; here the renderer's own handling of them is what counts.
TEST(MusicRender, HostileArchivesEndCleanly)
{
    TestDir dir;
    std::vector<std::string> cases;
    for (const auto& e : std::filesystem::directory_iterator(HostPath(HOSTILE_DIR)))
        if (e.is_directory()) cases.push_back(e.path().filename().string());
    std::sort(cases.begin(), cases.end());
    ASSERT_GT(cases.size(), 50u) << "the hostile archives were not built";
    for (const std::string& name : cases) {
        const std::string folder = HostPath(std::string(HOSTILE_DIR) + "/" + name);
        const std::string config = ReadAll(folder + "/config.txt");
        // Every song of the title list, and song 1 where the list is
        // missing or damaged (then the renderer refuses it itself).
        int songs = 0;
        for (size_t at = config.find("\ntitle="); at != std::string::npos; at = config.find("\ntitle=", at + 1))
            songs++;
        for (int song = 1; song <= std::max(songs, 1); song++) {
            Render r = RunSongrender({folder, std::to_string(song), "0.4", "out.wav", "--stop", "0.2"});
            const std::string what = name + " song " + std::to_string(song);
            EXPECT_TRUE(r.run.exitCode == 0 || r.run.exitCode == 1) << what << ": exit " << r.run.exitCode << "; " << r.run.err;
            for (const char* marker : {"AddressSanitizer", "LeakSanitizer", "runtime error", "ASSERTION FAILED"})
                EXPECT_EQ(r.run.err.find(marker), std::string::npos) << what << ": " << marker << " in " << r.run.err;
        }
    }
}

// Archives that do not load, and files that fail: exit code 1, the
// machine's and the driver's messages on standard error byte for byte
// (Shift-JIS), no WAV left.
TEST(MusicRender, ArchivesThatDoNotLoadExitOneWithTheirMessages)
{
    TestDir dir;
    WriteAll("x.bin", std::string(16, '\0'));
    const std::string title = "[title]\ntitle=a,code=1\ntitle=b,code=2\n";
    struct Case {
        const char* what;
        std::string config;   // written as bad/config.txt
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {"unknown driver", "[info]\ndriver=pc88/opx\n" + title + "[option]\n[file]\n[patch]\n", {"bad", "1"},
         "[VM]ドライバの生成に失敗しました(pc88/opx)\n"},
        {"no [patch] section", "[info]\ndriver=pc88/opn\n" + title + "[option]\n[file]\nname=x.bin,type=code,addr=0\n",
         {"bad", "1"},
         "[PC88]patchセクションが見つかりません\n[PC88]パッチに失敗しました\n"
         "[VM]ドライバの初期化に失敗しました(pc88/opn)\n"},
        {"compatible driver without [file]", "[info]\ndriver=pc88/opna/compat\n" + title + "[option]\n",
         {"bad", "1"},
         "[PC88C]fileセクションが見つかりません\n[PC88C]ファイルのロードに失敗しました\n"
         "[VM]ドライバの初期化に失敗しました(pc88/opna/compat)\n"},
        {"song past the title list", "[info]\ndriver=pc88/opn\n" + title + "[option]\n[file]\n[patch]\n",
         {"bad", "3"}, "songrender: no song 3 in section title (2 songs)\n"},
        {"no archive", "", {"missing", "1"}, "songrender: cannot open the archive missing\n"},
        {"a .kzd that is no zip", "", {"junk.kzd", "1"}, "songrender: junk.kzd has no config.txt\n"},
        {"a WAV that cannot be written",
         "[info]\ndriver=pc88/opn\n" + title + "[option]\n[file]\nname=x.bin,type=code,addr=0\n[patch]\naddr=0x7E00,data=00\n",
         {"bad", "1", "1", "no-folder/out.wav"},
         "songrender: cannot write no-folder/out.wav\n"},
    };
    WriteAll("junk.kzd", std::string(100, 'x'));
    for (const Case& c : cases) {
        if (!c.config.empty()) {
            std::string folder = dir.file("bad");
            std::remove((folder + "/config.txt").c_str());
            std::filesystem::create_directories(folder);
            WriteAll(folder + "/config.txt", c.config);
            WriteAll(folder + "/x.bin", std::string(16, '\0'));
        }
        std::vector<std::string> args = c.args;
        if (args.size() == 2) args.insert(args.end(), {"1", "out.wav"});
        Render r = RunSongrender(args);
        EXPECT_EQ(r.run.exitCode, 1) << c.what << ": " << r.run.err;
        EXPECT_EQ(r.run.err, c.err) << c.what;
        EXPECT_TRUE(r.bytes.empty()) << c.what << ": a WAV was left";
    }
}

// Wrong command lines: exit code 2 and a message, nothing rendered.
TEST(MusicRender, WrongCommandLinesExitTwo)
{
    TestDir dir;
    const std::string ok = MusicPath(MusicArchives().front().archive);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {ok, "1", "1"},
        {ok, "1", "1", "out.wav", "extra"},
        {ok, "0", "1", "out.wav"},
        {ok, "x", "1", "out.wav"},
        {ok, "1", "-1", "out.wav"},
        {ok, "1", "0", "out.wav"},
        {ok, "1", "1", "out.wav", "--tempo", "101"},
        {ok, "1", "1", "out.wav", "--tempo", "fast"},
        {ok, "1", "1", "out.wav", "--mask", "0xg"},
        {ok, "1", "1", "out.wav", "--stop"},
        {ok, "1", "1", "out.wav", "--change", "2"},
        {ok, "1", "1", "out.wav", "--option", "=1"},
        {ok, "1", "1", "out.wav", "--speed", "1"},
    };
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args) line += " " + a;
        Render r = RunSongrender(args);
        EXPECT_EQ(r.run.exitCode, 2) << "songrender" << line;
        EXPECT_FALSE(r.run.err.empty()) << "songrender" << line << ": no message";
        EXPECT_TRUE(r.bytes.empty()) << "songrender" << line << ": a WAV was written";
    }
}
