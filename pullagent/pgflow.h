// PGFLOW: the updater's decisions as text, free of Win32: the command line,
// the launcher's command line after an update (and its logged form with the
// password masked), the packs an update fetches, and one ver.bin rewrite.
//
//   PgCmd cmd;
//   if (PGFLOW_ParseCommandLine(GetCommandLineA(), &cmd) == eGD_MODE_BADPARAM) ... PGT:006
//   std::vector<PgWork> work;
//   PGFLOW_PlanUpdate(&localList, versionText, nLen, &work);   // in file order
//   std::string plain = PGFLOW_SetVersion(oldPlain, nOldLen, "A", 2);
//
// The lists are those of verlist.h (CR LF lines of comma-ended fields); the
// updater never fetches an entry whose name contains "pullagent.exe": it
// never replaces itself.
#pragma once

#include <string>
#include <vector>

#include "list.h"

enum eGD_MODE {
    eGD_MODE_SALEGAME = 2,
    eGD_MODE_LAUNCHER = 5,
    eGD_MODE_UPDATEONLY = 6,
    eGD_MODE_BADPARAM = 7,
};

enum { PG_FIELD_MAX = 1024 };   // sale fields and the folder, terminator included

struct PgCmd {
    int  nMode;
    // The sale fields: user id, password, content id, product word, mode word.
    char strSale[5][PG_FIELD_MAX];
};

// The mode (eGD_MODE_*); "-salegame " must start the line and be followed by
// five non-empty comma-ended fields that fit their buffers, else the line is
// bad. "-start tiv," and "-update" may stand anywhere.
int PGFLOW_ParseCommandLine(const char* pLine, PgCmd* pCmd);

// The launcher's command line for the mode, the program path quoted (the
// folder may hold blanks); pLogged gets the same line with the sale
// password masked. 0 for eGD_MODE_UPDATEONLY / bad modes, or when it does
// not fit.
int PGFLOW_MakeLauncherCommand(char* pDst, int nSize, char* pLogged, int nLoggedSize, const char* pFolder,
                               const PgCmd* pCmd);

// One pack to fetch for one line of version.txt.
struct PgWork {
    std::string strName;    // the file as ver.bin names it
    int         nVersion;   // the server's version
    std::string strPack;    // the pack's name on the server
    bool        bKnown;     // the local list has the name (another version)
};

// The lines of version.txt that need a download, in file order, as
// VERLIST_Compare judges them (the launcher's check asks the same). A line
// whose name or pack did not fit, or whose pack name is empty or not a plain
// file name ("/", "\\", "..", ":", "?", "#", "%", blanks, control bytes), is
// kept with an empty pack (and an empty name when the name did not fit):
// fetching it fails, and so does the update.
int PGFLOW_PlanUpdate(LIST* pLocal, const char* pText, int nLen, std::vector<PgWork>* pWork);

// A pack name the updater puts into a URL.
bool PGFLOW_IsPlainPackName(const std::string& name);

// ver.bin's plain text with the line of pName set to nVersion (same length
// and bytes in the first field), or "%s,%d," appended when none matches;
// empty lines are dropped, every other line kept as it was, each ended by
// CR LF. Lines are read as VERLIST reads them (a last line without CR LF
// counts; the name is the first field, Shift-JIS aware).
std::string PGFLOW_SetVersion(const char* pPlain, int nLen, const char* pName, int nVersion);
