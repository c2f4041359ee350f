#include <gtest/gtest.h>

#include <string>

#include "userm.h"

namespace {

class Account : public ::testing::Test {
protected:
    void SetUp() override { USERM_Init(); }
    void TearDown() override { USERM_Clear(); }
};

// The ids come from command lines: whatever does not fit is refused and the
// field keeps its value.
TEST_F(Account, TextSettersStoreWhatFitsAndRefuseTheRest)
{
    struct Field {
        const char* name;
        int (*set)(const char*, int);
        const char* (*get)();
        int max;
    };
    const Field fields[] = {
        { "id", USERM_SetId, USERM_GetId, 128 },
        { "password", USERM_SetPassword, USERM_GetPassword, 128 },
        { "contents id", USERM_SetContentsId, USERM_GetContentsId, 128 },
        { "contract id", USERM_SetContractId, USERM_GetContractId, 10 },
    };
    for (const auto& f : fields) {
        std::string full(f.max, 'x');
        ASSERT_EQ(f.set(full.c_str(), f.max), 1) << f.name;
        EXPECT_EQ(std::string(f.get()), full) << f.name;
        // A shorter value leaves no trace of the longer one.
        ASSERT_EQ(f.set("ab", 2), 1) << f.name;
        EXPECT_EQ(std::string(f.get()), "ab") << f.name;
        std::string over(f.max + 1, 'y');
        EXPECT_EQ(f.set(over.c_str(), f.max + 1), 0) << f.name;
        EXPECT_EQ(f.set(over.c_str(), f.max), 0) << f.name << ": a length that is not the text's";
        EXPECT_EQ(f.set("abc", 2), 0) << f.name;
        EXPECT_EQ(f.set("a", 2), 0) << f.name;
        EXPECT_EQ(f.set("", 0), 0) << f.name;
        EXPECT_EQ(f.set(nullptr, 1), 0) << f.name;
        EXPECT_EQ(std::string(f.get()), "ab") << f.name;
    }
    // Neighbouring fields were never touched.
    EXPECT_STREQ(USERM_GetId(), "ab");
    EXPECT_STREQ(USERM_GetContractId(), "ab");
}

TEST_F(Account, SendBufferIsEmptyOrFull)
{
    EXPECT_EQ(USERM_HasSendBuf(), 0);
    unsigned char data[1025] = { 1, 2, 3 };
    EXPECT_EQ(USERM_SetSendBuf(data, 1025), 0);
    ASSERT_EQ(USERM_SetSendBuf(data, 3), 1);
    EXPECT_EQ(USERM_HasSendBuf(), 1);
    EXPECT_EQ(USERM_SetSendBuf(data, 1), 0);   // full: taken first
    int n = 0;
    const unsigned char* p = USERM_GetSendBuf(&n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(p[2], 3);
    USERM_ClearSendBuf();
    EXPECT_EQ(USERM_HasSendBuf(), 0);
    ASSERT_EQ(USERM_SetSendBuf(data, 1024), 1);
    int nCap = 0;
    EXPECT_NE(USERM_GetSendBufCapacity(&nCap), nullptr);
    EXPECT_EQ(nCap, 1024);
    EXPECT_EQ(USERM_SetSendBuf(nullptr, 0), 0);
}

TEST_F(Account, NumbersFlagsAndTheLifecycle)
{
    EXPECT_EQ(USERM_GetAcountValid(), 0);
    USERM_SetAcountValid(1);
    EXPECT_EQ(USERM_GetAcountValid(), 1);
    EXPECT_EQ(USERM_SetNumber(-1), 0);
    EXPECT_EQ(USERM_SetNumber(5), 1);
    EXPECT_EQ(USERM_GetNumber(), 5);
    USERM_SetValue(-9);
    USERM_SetFlag(1);
    EXPECT_EQ(USERM_GetValue(), -9);
    EXPECT_EQ(USERM_GetFlag(), 1);
    // After the end of the program's record nothing is stored any more.
    USERM_Clear();
    EXPECT_EQ(USERM_SetId("abc", 3), 0);
    EXPECT_EQ(USERM_SetAcountValid(1), 0);
    EXPECT_EQ(USERM_GetAcountValid(), 0);
    EXPECT_STREQ(USERM_GetId(), "");
}

}  // namespace
