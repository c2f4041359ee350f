// The command line of the launcher and of the login, which read the same
// forms and differ only in their messages and in a line with no keyword:
//   "-salegame <id>,<password>,<content>,tiv,playgame|playkzdp,"  sale starts (0, 1)
//   "-start tiv,"                                                  launcher mode (2)
//   anything else: refused (launcher) or the login dialog (login, mode 3)
//
//   static const SccmnCmdTexts texts = { ... };
//   if (!SCCMN_ParseCommandLine(lpCmdLine, &nMode, &texts)) return 0;   // its box was shown
//
// The sale start's user id, password and content id go into the account
// record; a field longer than the record takes is refused.
#pragma once

struct SccmnCmdTexts {
    const char* pBadField;     // a user id, password or content id the record refuses
    const char* pApplied;      // an empty content id: the sale was applied
    const char* pBadProduct;   // a product word other than "tiv"
    const char* pBadMode;      // a mode word other than "playgame" or "playkzdp"
    // Named option: what a line with neither keyword is. Null: the login
    // dialog's mode (eGD_STARTMODE_LOGIN); else the refusal shown.
    const char* pNoKeyword;
};

// 1 with the mode, or 0 once the refusal's box (or the applied notice) was shown.
int SCCMN_ParseCommandLine(const char* pCmdLine, int* pnStartMode, const SccmnCmdTexts* pTexts);
// "lpCmdLine = [...]" into the log, a sale start's password as "****".
void SCCMN_LogCommandLine(const char* pCmdLine);
