// uninstaller: after one confirmation, removes what the client downloaded and
// generated under the application folder and keeps the installed files, so
// that the installer's own removal step finds them. No window besides the
// confirmation. Exit code 1 after the removal, 0 when cancelled or when the
// application folder is unknown or refused (nothing deleted then).
#include <windows.h>

#include "uninst.h"

namespace {

const char kConfirmText[] = "実行しますと、ゲームデータ及びセーブデータ等も含め、全て削除されますが、よろしいですか。";
const char kConfirmCaption[] = "報告";

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (MessageBoxA(nullptr, kConfirmText, kConfirmCaption, MB_TASKMODAL | MB_OKCANCEL) != IDOK) return 0;
    char strApp[UNINST_APPPATH_SIZE] = "";
    if (!UNINST_GetAppPath(strApp, sizeof(strApp))) {
        OutputDebugStringA("uninstaller: no application folder in the registry\n");
        return 0;
    }
    if (!UNINST_PrepareAppPath(strApp, sizeof(strApp))) return 0;
    char strSkin[UNINST_APPPATH_SIZE] = "";
    UNINST_GetSkinName(strSkin, sizeof(strSkin));
    UNINST_SetSkinName(strSkin);
    UNINST_DeleteAllFiles(strApp);
    UNINST_RemoveAllDirs(strApp);
    return 1;
}
