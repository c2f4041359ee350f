// chipplay.exe: the music player program. The launcher starts it as
//   "<app>\player\chipplay.exe" "<member folder>\<title>.kzd" -d "<app>\cache\<shot>.bmp"
// with the player's folder current. Start and shut-down follow a fixed
// order: platform (with its error log window), user interface, player, the message loop, then the
// player's end (which deletes the archive with "-d" once every window and
// the sound output are gone), the interface, the platform.
//
// The arguments are split from the command line itself (CommandLine.h), so
// quoted paths and Shift-JIS bytes reach the player unchanged.
#include "CommandLine.h"
#include "PC88Driver.h"
#include "Player.h"
#include "RegisterDrivers.h"
#include "System.h"
#include "Win32LogWindow.h"
#include "Win32System.h"
#include "Win32UserInterface.h"
#include "X1Driver.h"

#include <windows.h>

#include <cassert>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RegisterPC88Drivers();
    RegisterX1Drivers();

    Win32System* system = new Win32System();
    System::setInstance(system);
    // The "error log" window shows every message as well; it lives on this
    // (the window) thread and is hidden until the first one.
    Win32LogWindow* log = new Win32LogWindow(instance);
    log->startErrorLog(*system);

    Win32UserInterface* ui = new Win32UserInterface(instance);
    Player* player = new Player();
    assert(ui != nullptr);
    assert(player != nullptr);

    const std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    if (argv.empty()) argv.push_back("chipplay");

    int code;
    if (player->initialize(ui, static_cast<int>(argv.size()), argv.data())) {
        code = player->run();
    } else {
        System::error("[Main]プレイヤの初期化に失敗しました\n");
        code = -1;
    }
    player->terminate();
    delete player;
    delete ui;
    log->stopErrorLog(*system);
    delete log;
    System::terminate();
    return code;
}
