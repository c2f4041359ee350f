// What the main screen's sort buttons, the sort menu's choice and the page
// chooser do to the pages, without windows: the handlers of the main window
// (sccmn_sort_win.cpp) call these and redraw the list when told to.
#pragma once

// Layout id types of the sort buttons and of the sort menu's openers.
enum {
    eSCSORT_TITLE_UP = 18,
    eSCSORT_TITLE_DOWN = 19,
    eSCSORT_SALEDAY_UP = 26,
    eSCSORT_SALEDAY_DOWN = 27,
    eSCSORT_RUNCNT_UP = 28,
    eSCSORT_RUNCNT_DOWN = 29,
    eSCSORT_MAKER = 31,
    eSCSORT_PLATFORM = 32,
    eSCSORT_GENRE = 33,
};

// The sort type and direction a sort button asks for; 0 for an id that is
// not a sort button.
int SCCMN_SortButtonKind(int nLayoutId, int* pSortType, int* pSortDir);
// A sort button pressed: sorts in the asked direction unless that type is
// already shown in that direction. 1 when the pages were sorted (the list
// needs redrawing), 0 when nothing changed.
int SCCMN_SortButtonApply(int nLayoutId);
// A name chosen in the sort menu opened by the button nLayoutId (31 maker,
// 32 platform, 33 genre): the contents with that name go to the front of the
// current page. 1 when sorted, 0 for another id.
int SCCMN_SortMenuApply(int nLayoutId, const char* pName);
// Another page chosen (-1: none): the pages are rebuilt in the sort shown.
int SCCMN_SwitchPage(int nSel);
