// Win32RecordDialog: the recording's progress dialog (template 1100). The
// player thread reports through setProgress (a percentage, -2 finished, -3
// error); the dialog's own thread changes the controls. The end is final:
// after -2 or -3 later values are ignored and only OK closes it.
//
//   Win32RecordDialog dlg;                  // registered with the window first,
//   window.keep(&dlg);                      // so an early end is not lost
//   player->play(entry, true, path);
//   INT_PTR r = dlg.doModal(instance, 1100, parent);   // 1 OK, 2 stopped
//
// The lock guards the handle and the progress between the two threads; the
// "unchanged or already final" test runs under it too, so two reports racing
// cannot let a percentage overwrite the end.
#pragma once

#include "Win32Window.h"

#include <cstdint>

class Win32RecordDialog : public Win32Dialog {
public:
    enum { TEMPLATE = 1100, ID_TEXT = 1101, ID_PROGRESS = 1102, WM_REFRESH = WM_USER + 1 };
    enum { PROGRESS_START = -1, PROGRESS_FINISHED = -2, PROGRESS_ERROR = -3 };

    Win32RecordDialog();
    bool setProgress(int32_t value);   // any thread; always false
    int32_t getProgress();

    INT_PTR dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void refresh();

    HWND mDialog;
    int32_t mProgress;
};
