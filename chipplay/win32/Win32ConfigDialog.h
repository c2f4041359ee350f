// Win32ConfigDialog: the settings dialog (template 1050): whether a song
// stays past its length and whether the last song wraps to the first. The
// caller sets both flags, runs it and reads them back when it returns 1.
//
//   Win32ConfigDialog dlg;
//   dlg.setNoAdvance(!player->getAutoAdvance());
//   dlg.setRepeatAll(player->getRepeatAll());
//   if (dlg.doModal(instance, 1050, parent) == 1) { ... read the flags ... }
#pragma once

#include "Win32Window.h"

class Win32ConfigDialog : public Win32Dialog {
public:
    enum { TEMPLATE = 1050, ID_NO_ADVANCE = 1051, ID_REPEAT_ALL = 1052 };

    void setNoAdvance(bool on) { mNoAdvance = on; }
    bool getNoAdvance() const { return mNoAdvance; }
    void setRepeatAll(bool on) { mRepeatAll = on; }
    bool getRepeatAll() const { return mRepeatAll; }

    INT_PTR dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool mNoAdvance = true;
    bool mRepeatAll = false;
};
