#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "list.h"

namespace {

char* Block(const char* s) { return strdup(s); }

std::vector<std::string> Contents(LIST* l)
{
    std::vector<std::string> v;
    for (int i = 0; i < LIST_GetCnt(l); i++) v.push_back(static_cast<const char*>(LIST_GetAt(l, i)));
    return v;
}

// The links must agree with the indexed walk in both directions.
void ExpectLinked(LIST* l)
{
    ASSERT_GT(l->m_nListCnt, 0);
    EXPECT_EQ(l->pLook, l->pTop);
    EXPECT_EQ(l->pTop->pPrev, nullptr);
    EXPECT_EQ(l->pEnd->pNext, nullptr);
    int n = 0;
    LISTNODE* last = nullptr;
    for (LISTNODE* p = l->pTop; p; p = p->pNext) {
        EXPECT_EQ(p->pPrev, last);
        last = p;
        n++;
    }
    EXPECT_EQ(last, l->pEnd);
    EXPECT_EQ(n, l->m_nListCnt);
}

struct ListTest : ::testing::Test {
    LIST l;
    void SetUp() override { LIST_Init(&l); }
    void TearDown() override { LIST_Free(&l); }
    void Fill(int n)
    {
        for (int i = 0; i < n; i++) ASSERT_EQ(LIST_Add(&l, Block(("e" + std::to_string(i)).c_str())), 1);
    }
};

TEST_F(ListTest, GetAtYieldsNullOutsideTheEntries)
{
    EXPECT_EQ(LIST_GetAt(&l, 0), nullptr);
    Fill(3);
    EXPECT_STREQ(static_cast<const char*>(LIST_GetAt(&l, 2)), "e2");
    for (int i : { 3, 4, 100, -1, -100 }) EXPECT_EQ(LIST_GetAt(&l, i), nullptr) << i;
}

TEST_F(ListTest, DelTopOfOneEntryThenAddStartsAfresh)
{
    Fill(1);
    LIST_DelTop(&l);
    EXPECT_EQ(LIST_GetCnt(&l), 0);
    LIST_DelTop(&l);   // empty: left as it is
    EXPECT_EQ(LIST_GetCnt(&l), 0);
    ASSERT_EQ(LIST_Add(&l, Block("x")), 1);
    EXPECT_EQ(l.pTop, l.pEnd);
    ExpectLinked(&l);
    EXPECT_EQ(Contents(&l), std::vector<std::string>{ "x" });
}

TEST_F(ListTest, DelTopMovesTheHead)
{
    Fill(3);
    LIST_DelTop(&l);
    ExpectLinked(&l);
    EXPECT_EQ(Contents(&l), (std::vector<std::string>{ "e1", "e2" }));
}

TEST_F(ListTest, SwapExchangesNeighbours)
{
    struct Case { int n, a, b; std::vector<std::string> want; };
    const Case cases[] = {
        { 3, 0, 1, { "e1", "e0", "e2" } },              // head moves
        { 3, 1, 2, { "e0", "e2", "e1" } },              // tail moves
        { 4, 1, 2, { "e0", "e2", "e1", "e3" } },        // middle
        { 2, 0, 1, { "e1", "e0" } },                    // both ends
    };
    for (const auto& c : cases) {
        LIST_Free(&l);
        Fill(c.n);
        EXPECT_EQ(LIST_Swap(&l, c.a, c.b), 1);
        EXPECT_EQ(Contents(&l), c.want) << c.n << ":" << c.a;
        ExpectLinked(&l);
    }
    // Anything but an index and its follower inside the list is refused.
    LIST_Free(&l);
    Fill(3);
    EXPECT_EQ(LIST_Swap(&l, 0, 2), 0);
    EXPECT_EQ(LIST_Swap(&l, 2, 3), 0);
    EXPECT_EQ(LIST_Swap(&l, 1, 1), 0);
    EXPECT_EQ(Contents(&l), (std::vector<std::string>{ "e0", "e1", "e2" }));
}

TEST_F(ListTest, FreeReleasesEverythingAndTheListCanBeRefilled)
{
    Fill(5);
    ASSERT_EQ(LIST_Add(&l, nullptr), 1);   // a null block is allowed and skipped when freeing
    LIST_Free(&l);
    EXPECT_EQ(LIST_GetCnt(&l), 0);
    Fill(2);
    ExpectLinked(&l);
    EXPECT_EQ(Contents(&l), (std::vector<std::string>{ "e0", "e1" }));
}

}  // namespace
