// Hostile music archives: every folder of hostile/ is a damaged archive
// (negative, huge and overflowing numbers and sizes, destinations in the
// port array, slots below zero, oversized files, the fastest CTC, debug
// windows at the top of memory, broken config.txt files). Each is loaded as
// the player loads it (FolderArchive, Config, VM::load), every song is
// played and rendered (at tempo 0, +100 and -100 in turn), then stopped,
// and every monitor page is drawn. The
// outcome is either the failed load with its exact messages or a playback
// with exactly the messages listed here; never a crash, and in the native
// build never a report of AddressSanitizer or UBSan (both end the process).
#include "test_system.h"

#include "Config.h"
#include "DebugMonitor.h"
#include "File.h"
#include "FolderArchive.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "VM.h"
#include "X1Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;                    // folder under hostile/
    bool plays;                          // the driver loads and the songs play
    std::vector<std::string> messages;   // every error reported, in order
};

// The messages of each case: loading first, then the song-data copies the
// Z80 program asks for while the songs play.
const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        // ---- pc88/opn, pc88/opna
        {"pc88-negative-no", true, {"[PC88]データ番号が範囲外です(d.bin: -1)\n"}},
        {"pc88-no-above-255", true, {"[PC88]データ番号が範囲外です(d.bin: 256)\n"}},
        {"pc88-negative-file-offset", true,
         {"[PC88]データのオフセットかサイズが範囲外です(d.bin: offset -1, size 64)\n",
          "[PC88]データのオフセットかサイズが範囲外です(d.bin: offset -2147483648, size 64)\n"}},
        {"pc88-huge-chunk", true,
         {"[PC88]データのオフセットかサイズが範囲外です(d.bin: offset 1048560, size 64)\n",
          "[PC88]データのオフセットかサイズが範囲外です(big1m.bin: offset 0, size 1048577)\n",
          "[PC88]データのオフセットかサイズが範囲外です(d.bin: offset 2147483647, size 64)\n"}},
        {"pc88-negative-song-values", true,
         {"[PC88]曲データのサイズかオフセットが不正です(data1: size 8192, offset -5)\n",
          "[PC88]曲データの転送先が範囲外です(data1: 0xffffffff)\n",
          "[PC88]曲データのサイズかオフセットが不正です(data2: size 1024, offset -2147483648)\n"}},
        {"pc88-song-offset-past-chunk", true,
         {"[PC88]曲データのオフセットがデータの外です(data1: offset 64)\n",
          "[PC88]曲データのオフセットがデータの外です(data1: offset 2147483647)\n"}},
        {"pc88-negative-sizes", true,
         {"[PC88]曲データのサイズかオフセットが不正です(data1: size -1, offset 0)\n",
          "[PC88]曲データのサイズかオフセットが不正です(data2: size -2147483648, offset 0)\n",
          "[PC88]曲データのサイズかオフセットが不正です(data3: size -2147483648, offset 0)\n"}},
        {"pc88-bit31-destinations", true, {"[PC88]曲データの転送先が範囲外です(data3: 0x8000ffff)\n"}},
        {"pc88-adpcm-past-ram", true,
         {"[PC88]ADPCMのアドレスが範囲外です(adpcm300k.bin: 0x00040000)\n",
          "[PC88]ADPCMのアドレスが範囲外です(adpcm300k.bin: 0xffffffff)\n"}},
        {"pc88-debug-wrap-ram", true, {}},
        {"pc88-debug-wrap-ports", true, {}},
        // Its base clock parses to -1: refused, where the machine once
        // loaded and never ran.
        {"pc88-huge-numbers", false,
         {"[PC88]オプションの設定に失敗しました\n", "[VM]ドライバの初期化に失敗しました(pc88/opna)\n"}},
        {"pc88-huge-numbers-sane-clock", true,
         {"[PC88]データ番号が範囲外です(d.bin: -1)\n",
          "[PC88]データのオフセットかサイズが範囲外です(d.bin: offset -1, size 64)\n"}},
        {"pc88-baseclock-zero", false,
         {"[PC88]オプションの設定に失敗しました\n", "[VM]ドライバの初期化に失敗しました(pc88/opn)\n"}},
        {"pc88-extreme-volumes", true, {}},
        {"pc88-extreme-volumes-opn", true, {}},
        {"pc88-loud-busy-song", true, {}},
        {"pc88-missing-option", false,
         {"[PC88]optionセクションが見つかりません\n", "[PC88]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opna)\n"}},
        {"pc88-missing-file", false,
         {"[PC88]fileセクションが見つかりません\n", "[PC88]ファイルのロードに失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opn)\n"}},
        {"pc88-missing-patch", false,
         {"[PC88]patchセクションが見つかりません\n", "[PC88]パッチに失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opna)\n"}},
        {"pc88-code-1mb", true,
         {"[PC88]データのオフセットかサイズが範囲外です(big1m.bin: offset 0, size 1048577)\n"}},
        {"pc88-empty-files", true, {}},
        {"pc88-bad-entries", true,
         {"[PC88]ファイルのオープンに失敗しました(absent.bin)\n", "[PC88]無効なファイルタイプです(xyz)\n",
          "[PC88]無効なファイルタイプです()\n", "[PC88]不明なpatchのtargetです(rom)\n",
          "[PC88]不明なpatchのtypeです(text)\n", "[PC88]16進数として無効な文字が指定されました\n",
          "[PC88]16進数として無効な文字が指定されました\n"}},
        // ---- pc88/opn/compat, pc88/opna/compat
        {"compat-slot-below-zero", true,
         {"[PC88C]曲番号が大きすぎます(s.bin:-1(最大:64))\n", "[PC88C]音色番号が大きすぎます(v.bin:-3(最大:64))\n",
          "[PC88C]曲番号が大きすぎます(s.bin:-2147483648(最大:64))\n"}},
        {"compat-slot-count-zero", false,
         {"[PC88C]曲データ領域の確保に失敗しました\n", "[PC88C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opna/compat)\n"}},
        {"compat-slot-count-negative", false,
         {"[PC88C]曲データ領域の確保に失敗しました\n", "[PC88C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opn/compat)\n"}},
        {"compat-slot-bytes-overflow", false,
         {"[PC88C]曲データ領域の確保に失敗しました\n", "[PC88C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opna/compat)\n"}},
        {"compat-slot-count-huge", false,
         {"[PC88C]曲データ領域の確保に失敗しました\n", "[PC88C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opn/compat)\n"}},
        {"compat-slot-size-negative", false,
         {"[PC88C]曲データ領域の確保に失敗しました\n", "[PC88C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opn/compat)\n"}},
        {"compat-song-offset-past-slot", true,
         {"[PC88C]曲データのサイズかオフセットが不正です(#02: size 4096, offset 4097)\n",
          "[PC88C]曲データのサイズかオフセットが不正です(#02: size 4096, offset -1)\n"}},
        {"compat-negative-sizes", true,
         {"[PC88C]曲データのサイズかオフセットが不正です(#07: size -1, offset 0)\n",
          "[PC88C]音色データのサイズが不正です(#07: size -2147483648)\n"}},
        {"compat-addresses-out-of-ram", true,
         {"[PC88C]コードのアドレスが範囲外です(pc88compat_host.bin: 0xffffffff)\n",
          "[PC88C]コードのアドレスが範囲外です(pc88compat_host.bin: 0x00010000)\n",
          "[PC88C]曲データの転送先が範囲外です(0xffffffff)\n", "[PC88C]音色データの転送先が範囲外です(0x00010000)\n"}},
        {"compat-copies-at-the-top", true, {}},
        {"compat-adpcm-past-ram", true,
         {"[PC88C]ADPCMのアドレスが範囲外です(adpcm300k.bin: 0x00040000)\n",
          "[PC88C]ADPCMのアドレスが範囲外です(adpcm300k.bin: 0xffffffff)\n"}},
        {"compat-debug-wrap", true, {}},
        {"compat-code-1mb", true, {}},
        {"compat-missing-sections", false,
         {"[PC88C]fileセクションが見つかりません\n", "[PC88C]ファイルのロードに失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opna/compat)\n"}},
        // ---- x1/psg, x1/opm
        {"x1-negative-no", true,
         {"[X1]データ番号が範囲外です(d.bin: -1)\n", "[X1]データ番号が範囲外です(d.bin: -2147483648)\n"}},
        {"x1-no-above-255", true, {"[X1]データ番号が範囲外です(d.bin: 300)\n"}},
        {"x1-negative-offsets", true,
         {"[X1]データのオフセットかサイズが範囲外です(d.bin: offset -1, size 64)\n",
          "[X1]曲データのサイズかオフセットが不正です(data1: size 8192, offset -2)\n"}},
        {"x1-song-offset-past-chunk", true,
         {"[X1]曲データのオフセットがデータの外です(data2: offset 4096)\n",
          "[X1]曲データのオフセットがデータの外です(data2: offset 64)\n"}},
        {"x1-negative-sizes", true,
         {"[X1]曲データのサイズかオフセットが不正です(data1: size -1, offset 0)\n",
          "[X1]曲データのサイズかオフセットが不正です(data3: size -7, offset 0)\n"}},
        {"x1-negative-addresses", true, {}},
        {"x1-bit31-destinations", true, {}},
        {"x1-huge-chunk", true,
         {"[X1]データのオフセットかサイズが範囲外です(d.bin: offset 1048513, size 64)\n",
          "[X1]データのオフセットかサイズが範囲外です(big1m.bin: offset 0, size 1048577)\n",
          "[X1]データのオフセットかサイズが範囲外です(d.bin: offset 2147483647, size 64)\n"}},
        {"x1-ctc-period-zero-psg", true, {}},
        {"x1-ctc-period-zero-opm", true, {}},
        {"x1-debug-wrap", true, {}},
        {"x1-debug-wrap-memory", true, {}},
        {"x1-huge-numbers", false,
         {"[X1]オプションの設定に失敗しました\n", "[VM]ドライバの初期化に失敗しました(x1/opm)\n"}},
        {"x1-huge-numbers-sane-clock", true, {"[X1]データ番号が範囲外です(d.bin: -1)\n"}},
        {"x1-baseclock-negative", false,
         {"[X1]オプションの設定に失敗しました\n", "[VM]ドライバの初期化に失敗しました(x1/psg)\n"}},
        {"x1-extreme-volumes", true, {}},
        {"x1-missing-option", false,
         {"[X1]optionセクションが見つかりません\n", "[X1]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/psg)\n"}},
        {"x1-missing-file", false,
         {"[X1]fileセクションが見つかりません\n", "[X1]ファイルのロードに失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/opm)\n"}},
        {"x1-no-patch-section", true,
         {"[X1]ファイルのオープンに失敗しました(absent.bin)\n", "[X1]無効なファイルタイプです(adpcm)\n"}},
        {"x1-code-1mb", true, {"[X1]データのオフセットかサイズが範囲外です(big1m.bin: offset 0, size 1048577)\n"}},
        // ---- x1/psg/compat, x1/opm/compat
        {"x1c-slot-below-zero", true,
         {"[X1C]曲番号が大きすぎます(s.bin:-1(最大:64))\n", "[X1C]音色番号が大きすぎます(v.bin:-2(最大:64))\n",
          "[X1C]曲番号が大きすぎます(s.bin:-2147483648(最大:64))\n"}},
        {"x1c-slot-count-zero", false,
         {"[X1C]曲データ領域の確保に失敗しました\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/opm/compat)\n"}},
        {"x1c-slot-count-negative", false,
         {"[X1C]曲データ領域の確保に失敗しました\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/psg/compat)\n"}},
        {"x1c-slot-bytes-overflow", false,
         {"[X1C]曲データ領域の確保に失敗しました\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/opm/compat)\n"}},
        {"x1c-slot-count-huge", false,
         {"[X1C]曲データ領域の確保に失敗しました\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/psg/compat)\n"}},
        {"x1c-negative-sizes", false,
         {"[X1C]曲データ領域の確保に失敗しました\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/psg/compat)\n"}},
        {"x1c-addresses-out-of-memory", true,
         {"[X1C]コードのアドレスが範囲外です(x1compat_host.bin: 0xffffffff)\n",
          "[X1C]コードのアドレスが範囲外です(x1compat_host.bin: 0x00010000)\n",
          "[X1C]曲データの転送先が範囲外です(0xffffffff)\n", "[X1C]音色データの転送先が範囲外です(0x00010000)\n"}},
        {"x1c-copies-at-the-top", true, {}},
        {"x1c-debug-wrap", true, {}},
        {"x1c-huge-numbers", true, {"[X1C]曲番号が大きすぎます(s.bin:-1(最大:64))\n"}},
        {"x1c-code-1mb", true, {}},
        {"x1c-missing-option", false,
         {"[X1C]optionセクションが見つかりません\n", "[X1C]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/psg/compat)\n"}},
        {"x1c-missing-file", false,
         {"[X1C]fileセクションが見つかりません\n", "[X1C]ファイルのロードに失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(x1/opm/compat)\n"}},
        // ---- damaged config.txt files (the player stops before the VM when
        // the file does not parse)
        {"config-unterminated-section", false, {"[Config]セクションの定義に誤りがあります(line 3)\n"}},
        {"config-unterminated-quote", false, {"[Config]エントリの値に誤りがあります(line 4)\n"}},
        {"config-trailing-backslash", false, {"[Config]エントリの値に誤りがあります(line 2)\n"}},
        {"config-lead-byte-at-end", false, {"[Config]エントリの値に誤りがあります(line 4)\n"}},
        {"config-entry-before-section", false, {"[Config]セクションの定義に誤りがあります(line 1)\n"}},
        {"config-entry-without-value", false, {"[Config]エントリの値がありません(line 2)\n"}},
        {"config-binary-garbage", false, {"[Config]セクションの定義に誤りがあります(line 1)\n"}},
        {"config-garbage-after-header", false, {"[Config]エントリの値がありません(line 4)\n"}},
        {"config-no-final-newline", true, {}},
        {"config-empty", false, {"[VM]ドライバの生成に失敗しました()\n"}},
        {"config-missing-info", false, {"[VM]ドライバの生成に失敗しました()\n"}},
        {"config-unknown-driver", false, {"[VM]ドライバの生成に失敗しました(pc88/opna/compatx)\n"}},
        {"config-nul-inside", false,
         {"[PC88]optionセクションが見つかりません\n", "[PC88]オプションの設定に失敗しました\n",
          "[VM]ドライバの初期化に失敗しました(pc88/opn)\n"}},
        {"config-no-title", true, {}},
    };
    return cases;
}

struct Outcome {
    bool plays = false;
    std::vector<std::string> messages;
    std::vector<std::string> assertions;
    int64_t vmTime = 0;
};

// 1411 frames: the player's 32-ms block at 44100 Hz.
void RunBlocks(VM& vm, int32_t blocks, std::vector<int32_t>& buffer)
{
    for (int32_t b = 0; b < blocks; b++) {
        vm.run(vm.samplesToTime(1411, VM::RATE));
        int32_t written = 0;
        vm.render(buffer.data(), 1411, &written);
    }
}

// Loads and plays one archive folder as the player does; `inspect` sees the
// VM after the songs played, before it is destroyed.
Outcome PlayArchive(const std::string& folder, const std::function<void(VM&)>& inspect = nullptr)
{
    static const bool registered = RegisterPC88Drivers() && RegisterX1Drivers();
    (void)registered;
    Outcome out;
    TestSystemScope sys;
    FolderArchive archive(folder);
    std::unique_ptr<File> file(archive.openFile("config.txt", File::MODE_READ));
    if (file == nullptr) {
        out.messages.push_back("(no config.txt)");
        return out;
    }
    Config config;
    if (config.load(file.get())) {
        VM vm;
        if (vm.load(&config, &archive)) {
            out.plays = true;
            std::vector<int32_t> buffer(2 * 1411);
            // Without a title section the player has no song: try a few
            // codes with empty entries anyway.
            std::vector<std::unique_ptr<ConfigEntry>> made;
            std::vector<ConfigEntry*> songs;
            if (const std::vector<ConfigEntry*>* titles = config.getEntries("title")) songs = *titles;
            if (songs.empty()) {
                for (const char* code : {"0", "1", "2", "255"}) {
                    made.emplace_back(new ConfigEntry());
                    made.back()->addValue("title", "");
                    made.back()->addValue("code", code);
                    songs.push_back(made.back().get());
                }
            }
            // The first song at the normal tempo with every channel, the
            // next ones at the extreme tempos and with half the channels
            // masked; the stop at the normal tempo again.
            static const int32_t kTempo[3] = {0, 100, -100};
            for (size_t i = 0; i < songs.size(); i++) {
                vm.setSpeed(kTempo[i % 3]);
                vm.setMask(i == 0 ? 0 : 0x5555);
                vm.play(songs[i]->getInt("code", 0), songs[i]);
                RunBlocks(vm, 16, buffer);
            }
            vm.setSpeed(0);
            vm.setMask(0);
            vm.stop();
            RunBlocks(vm, 16, buffer);
            DebugMonitor monitor;
            for (int32_t page = 0; page < 4; page++) vm.dump(&monitor, page);
            out.vmTime = vm.getTime();
            if (inspect) inspect(vm);
        }
    }
    out.messages = sys->errors();
    out.assertions = sys->assertions();
    return out;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& l : lines) all += "    " + l;
    return all.empty() ? "    (none)\n" : all;
}

void CheckCases(const std::string& prefix)
{
    int32_t checked = 0;
    for (const Case& c : Cases()) {
        if (std::string(c.name).rfind(prefix, 0) != 0) continue;
        checked++;
        const Outcome out = PlayArchive(std::string(HOSTILE_DIR) + "/" + c.name);
        EXPECT_EQ(out.plays, c.plays) << c.name << ": expected " << (c.plays ? "playback" : "a failed load")
                                      << "\n  messages:\n"
                                      << Join(out.messages);
        EXPECT_EQ(out.messages, c.messages) << c.name << "\n  expected messages:\n"
                                            << Join(c.messages) << "  actual messages:\n"
                                            << Join(out.messages);
        EXPECT_TRUE(out.assertions.empty()) << c.name << ": assertions\n" << Join(out.assertions);
        if (c.plays) {
            // The first song ran half a second and the stop another half.
            EXPECT_GE(out.vmTime, 1000000) << c.name;
        }
    }
    EXPECT_GT(checked, 0) << "no case starts with " << prefix;
}

TEST(HostileArchives, Pc88)
{
    CheckCases("pc88-");
}

TEST(HostileArchives, Pc88Compat)
{
    CheckCases("compat-");
}

TEST(HostileArchives, X1)
{
    CheckCases("x1-");
}

TEST(HostileArchives, X1Compat)
{
    CheckCases("x1c-");
}

TEST(HostileArchives, DamagedConfigs)
{
    CheckCases("config-");
}

// A folder without an expectation would never be played; an expectation
// without its folder would test nothing.
TEST(HostileArchives, EveryFolderHasItsCase)
{
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(HOSTILE_DIR)) {
        if (entry.is_directory()) folders.push_back(entry.path().filename().string());
    }
    std::vector<std::string> named;
    for (const Case& c : Cases()) named.push_back(c.name);
    std::sort(folders.begin(), folders.end());
    std::sort(named.begin(), named.end());
    EXPECT_EQ(folders, named);
}

// The monitor's memory windows that start near the end of an array wrap to
// its start. The PC-8801 driver keeps RAM and ports as arrays inside the
// driver object, where AddressSanitizer cannot see a read running past
// one into the next, so the drawn bytes are checked (the X1 driver's are
// heap blocks of their own, which the sanitizer guards).
TEST(HostileArchives, MonitorWindowsWrapAtTheTopOfMemory)
{
    struct Row {
        const char* name;
        int32_t page;
        int32_t row;      // of the 16 rows of the window
        int32_t column;   // 1 left window, 41 right window
        const char* text;
    } rows[] = {
        // RAM from FFF8h: the song's first bytes at FFF0h-FFFFh, then the
        // song loop's code from 0000h (z80/pc88_song_loop.asm).
        {"pc88-debug-wrap-ram", 1, 0, 1, "FFF8:08090A0B0C0D0E0FF3310080DB80FE01"},
        {"pc88-debug-wrap-ram", 2, 0, 1, "FFF0:000102030405060708090A0B0C0D0E0F"},
        {"pc88-debug-wrap-ram", 2, 1, 1, "0000:F3310080DB80FE0120FADB81320070D3"},
        // "debug_mem" 1FFFFh is FFFFh; the song area in the ports from F8h
        // wraps to ports 00h-07h (FFh since the start).
        {"pc88-debug-wrap-ports", 1, 0, 1, "FFFF:00F3310080DB80FE0120FADB81320070"},
        {"pc88-debug-wrap-ports", 2, 0, 1, "00F8:0000000000000000FFFFFFFFFFFFFFFF"},
        // The compatible driver's song copy cut at FFFFh, then its host
        // loop (z80/pc88compat_host.asm).
        {"compat-debug-wrap", 1, 0, 1, "FFFF:07F3310080DB00FE01280EFE0220F63E"},
        {"compat-debug-wrap", 2, 0, 1, "FFF8:0001020304050607F3310080DB00FE01"},
    };
    for (const Row& r : rows) {
        std::string drawn;
        const Outcome out = PlayArchive(std::string(HOSTILE_DIR) + "/" + r.name, [&](VM& vm) {
            DebugMonitor monitor;
            vm.dump(&monitor, r.page);
            drawn.assign(monitor.getGrid() + (6 + r.row) * DebugMonitor::COLUMNS + r.column, strlen(r.text));
        });
        ASSERT_TRUE(out.plays) << r.name << Join(out.messages);
        EXPECT_EQ(std::string(r.text), drawn) << r.name << " page " << r.page << " row " << r.row;
    }
}

// The fastest CTC channel (counter mode, time constant 1: half a
// microsecond) ticks once a microsecond instead of stopping the machine at
// one instant, and the machine runs to the end. Its interrupts reach the
// Z80's handler with "int_delay" 0 and with the default delay alike: a tick
// while the request is already on the line does not restart the delay
// (once it did, and with the default delay the handler was never entered).
TEST(HostileArchives, FastestCtcChannelStillRuns)
{
    struct Run {
        const char* name;
        bool interrupts;
    } runs[] = {{"x1-ctc-period-zero-psg", true}, {"x1-ctc-period-zero-opm", true}};
    for (const Run& r : runs) {
        int64_t period = -1;
        uint32_t count = 0;
        const Outcome out = PlayArchive(std::string(HOSTILE_DIR) + "/" + r.name, [&](VM& vm) {
            X1Driver* d = dynamic_cast<X1Driver*>(vm.getDriver());
            ASSERT_NE(d, nullptr);
            period = d->getCtcPeriod(1);
            count = d->getMemory()[0x7002] | (d->getMemory()[0x7003] << 8);
        });
        ASSERT_TRUE(out.plays) << r.name << Join(out.messages);
        EXPECT_GE(out.vmTime, 1000000) << r.name;
        EXPECT_EQ(period, 1) << r.name << ": expected a period of 1 us, actual " << period;
        // The handler takes about 21 us at 4 MHz: tens of thousands of
        // interrupts (the 16-bit count wraps, so only "some" is checked).
        EXPECT_EQ(count > 0, r.interrupts) << r.name << ": interrupts counted " << count;
    }
}

}  // namespace
