// The pages' Windows side: the member's locale orders the titles, and the
// clock is the system's UTC date.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "catalogue_fixture.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "page.h"

namespace {

TEST(PageLocale, TitlesSortInTheLocalesOrderNotByBytes)
{
    ResetCatalogue();
    const char* names[] = { "cherry", "Banana", "apple", "りんご", "アップル", "Apple" };
    const int n = 6;
    g_pContIf = static_cast<ContIf*>(std::calloc(n, sizeof(ContIf)));
    g_nContCnt = n;
    for (int i = 0; i < n; i++) {
        std::strcpy(g_pContIf[i].strProductName, names[i]);
        g_pContIf[i].type = eCLPD_TYPE_PLAYABLE;
    }
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetCurrentPage(0);
    auto order = [&] {
        std::string s;
        for (int i = 0; i < PAGE_GetContentsCnt(0); i++) s += std::to_string(PAGE_GetContentsId(0, i));
        return s;
    };
    // What the system says about each neighbouring pair is what the sort did.
    auto sortedBySystem = [&](int want) {
        for (int i = 0; i + 1 < PAGE_GetContentsCnt(0); i++) {
            const char* a = names[PAGE_GetContentsId(0, i)];
            const char* b = names[PAGE_GetContentsId(0, i + 1)];
            int r = CompareStringA(LOCALE_USER_DEFAULT, 0, a, -1, b, -1);
            if (r == want) return false;
        }
        return true;
    };
    PAGE_SetSortType(ePDST_TITLE);
    PAGE_Sort();
    EXPECT_TRUE(sortedBySystem(CSTR_GREATER_THAN)) << order();
    // Case does not lead: "apple" and "Apple" come before "Banana" (bytes
    // would put every capital first).
    std::string asc = order();
    EXPECT_LT(asc.find('2'), asc.find('1'));
    EXPECT_LT(asc.find('5'), asc.find('1'));
    EXPECT_LT(asc.find('1'), asc.find('0'));
    PAGE_SetSortType(ePDST_TITLE);
    PAGE_Sort();
    EXPECT_TRUE(sortedBySystem(CSTR_LESS_THAN)) << order();
    PAGE_Term();
    PAGE_SetCurrentPage(-1);
    ResetCatalogue();
}

TEST(PageLocale, CompareTextAnswersLikeCompareStringA)
{
    EXPECT_EQ(PAGE_CompareText("a", "B"), CSTR_LESS_THAN);
    EXPECT_EQ(PAGE_CompareText("b", "b"), CSTR_EQUAL);
    EXPECT_EQ(PAGE_CompareText("ア", "あ"), CompareStringA(LOCALE_USER_DEFAULT, 0, "ア", -1, "あ", -1));
    EXPECT_EQ(PAGE_CompareText(nullptr, "a"), 0);
}

// The pages' default clock gives the same UTC date as the file helpers'
// date text (run in time zones far east and west of UTC too).
TEST(DateStr, PageClockIsTheSystemsUtcDate)
{
    PAGE_SetTodayFunc(nullptr);
    for (int attempt = 0; attempt < 2; attempt++) {   // a second try if midnight passed between
        char* pPage = PAGE_GetToday();
        char* pFile = CMNFILE_GetDateStr("YYYYMMDD");
        ASSERT_NE(pPage, nullptr);
        ASSERT_NE(pFile, nullptr);
        bool bSame = std::strcmp(pPage, pFile) == 0;
        std::string a = pPage, b = pFile;
        std::free(pPage);
        std::free(pFile);
        if (bSame) return;
        if (attempt == 1) {
            EXPECT_EQ(a, b);
        }
    }
}

}  // namespace
