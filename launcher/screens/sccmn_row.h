// The records behind the catalogue list: one row per content of the shown
// page (built from the catalogue and the play times of pt.bin), and one
// play-time total per product id.
#pragma once

enum { SCCMN_ROWTEXT = 2048 };

struct ClSIf {
    int  nSeqId;                        // the content's catalogue index
    char strTitle[SCCMN_ROWTEXT];       // its address is the list box item's data
    char strMaker[SCCMN_ROWTEXT];
    char strPlatform[SCCMN_ROWTEXT];
    char strGenre[SCCMN_ROWTEXT];
    char strSaleDay[SCCMN_ROWTEXT];
    char strRunCnt[SCCMN_ROWTEXT];      // decimal text
    char strProperty[SCCMN_ROWTEXT];    // empty: the badge image is drawn
    char strIcon[SCCMN_ROWTEXT];        // empty: the state icon is drawn
    char strExplan[SCCMN_ROWTEXT];
    int  nIconState;                    // 0, or 3: still to be downloaded or updated
    int  bNotBought;                    // 1: the member has not bought it
};

struct PlayIf {
    char strUserId[SCCMN_ROWTEXT];      // of the first line seen for the product
    char strProductId[SCCMN_ROWTEXT];   // the key
    int  nRunCnt;
    int  nMinutes;
};
