// VM::load: the driver named in section "info" of the archive's
// configuration, made through the registry.
#include "test_system.h"
#include "test_vm_fakes.h"

#include "Archive.h"
#include "Config.h"
#include "VM.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class NoArchive : public Archive {
public:
    File* openFile(const std::string&, int) override { return nullptr; }
    Archive* openArchive(const std::string&) override { return nullptr; }
    std::string getPath() override { return "music"; }
};

int gMade = 0;

Driver* MakeForLoad(VM*, const std::string&)
{
    gMade++;
    return new FakeDriver(true);
}

TEST(VmLoad, MakesTheDriverNamedInTheArchiveConfiguration)
{
    TestSystemScope sys;
    DriverBinder::registerFactory("test/vm-load", MakeForLoad);
    NoArchive archive;
    {
        Config config;
        config.addEntry("info", "driver", "test/vm-load", false);
        VM vm;
        gMade = 0;
        EXPECT_TRUE(vm.load(&config, &archive));
        EXPECT_EQ(gMade, 1);
        EXPECT_NE(vm.getDriver(), nullptr);
    }
    {
        Config config;   // no section "info": the name is empty
        VM vm;
        sys->clear();
        EXPECT_FALSE(vm.load(&config, &archive));
        ASSERT_EQ(sys->errors().size(), 1u);
        EXPECT_EQ(sys->errors()[0], "[VM]ドライバの生成に失敗しました()\n");
    }
    {
        VM vm;
        sys->clear();
        EXPECT_FALSE(vm.load(nullptr, &archive));
        ASSERT_EQ(sys->assertions().size(), 1u);
        EXPECT_NE(sys->assertions()[0].find("_config != NULL"), std::string::npos) << sys->assertions()[0];
        Config config;
        EXPECT_FALSE(vm.load(&config, nullptr));
        EXPECT_EQ(sys->assertions().size(), 2u);
        EXPECT_EQ(vm.getDriver(), nullptr);
    }
}

}  // namespace
